// The crypto primitives of whichever library this build uses (OpenSSL on Linux, CNG on
// Windows) against published test vectors: FIPS 180 (SHA), RFC 2202 and RFC 4231 (HMAC),
// FIPS 197 (AES blocks) and SP 800-38A (CBC). Both builds run the same table.
#include <gtest/gtest.h>

#include <string>

#include "engine/crypto/crypto_primitives.h"

namespace qv::crypto {
namespace {

Bytes Hex(const std::string& text) {
  Bytes out;
  for (size_t i = 0; i + 1 < text.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
  return out;
}
Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

TEST(CryptoPrimitives, TheBuildHasACryptoLibrary) { EXPECT_TRUE(Available()); }

TEST(CryptoPrimitives, DigestsAndHmacsMatchThePublishedVectors) {
  const Bytes abc = Text("abc"), a = Text("a"), bc = Text("bc"), jefe = Text("Jefe");
  const Bytes question = Text("what do ya want for nothing?");
  const struct {
    const char* what;
    std::optional<Bytes> got;
    const char* expected;
  } cases[] = {
      {"SHA-1 abc", Digest(Hash::Sha1, {abc}), "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {"SHA-1 of two parts", Digest(Hash::Sha1, {a, ByteSpan(), bc}), "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {"SHA-512 abc", Digest(Hash::Sha512, {abc}),
       "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd"
       "454d4423643ce80e2a9ac94fa54ca49f"},
      {"HMAC-SHA-1 RFC 2202 case 2", Hmac(Hash::Sha1, jefe, question), "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"},
      {"HMAC-SHA-512 RFC 4231 case 2", Hmac(Hash::Sha512, jefe, question),
       "164b7a7bfcf819e2e395fbe73b56e0a387bd64222e831fd610270cd7ea2505549758bf75c05a994a6d034f65f8f0e6fd"
       "caeab1a34d4a6b4b636e070a38bce737"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(c.got.has_value()) << c.what;
    EXPECT_EQ(*c.got, Hex(c.expected)) << c.what;
  }
}

TEST(CryptoPrimitives, AesEncryptsThePublishedVectorsAndDecryptsThemBack) {
  const std::string fipsPlain = "00112233445566778899aabbccddeeff";
  const std::string cbcPlain = "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51";
  const std::string cbcIv = "000102030405060708090a0b0c0d0e0f";
  const struct {
    const char* what;
    CipherMode mode;
    std::string key, iv, plain, cipher;
  } cases[] = {
      {"AES-128 FIPS 197 C.1", CipherMode::Ecb, "000102030405060708090a0b0c0d0e0f", "", fipsPlain,
       "69c4e0d86a7b0430d8cdb78070b4c55a"},
      {"AES-192 FIPS 197 C.2", CipherMode::Ecb, "000102030405060708090a0b0c0d0e0f1011121314151617", "", fipsPlain,
       "dda97ca4864cdfe06eaf70a0ec0d7191"},
      {"AES-256 FIPS 197 C.3", CipherMode::Ecb, "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f", "",
       fipsPlain, "8ea2b7ca516745bfeafc49904b496089"},
      {"ECB takes each block alone", CipherMode::Ecb, "000102030405060708090a0b0c0d0e0f", "", fipsPlain + fipsPlain,
       "69c4e0d86a7b0430d8cdb78070b4c55a69c4e0d86a7b0430d8cdb78070b4c55a"},
      {"AES-128 CBC SP 800-38A F.2.1", CipherMode::Cbc, "2b7e151628aed2a6abf7158809cf4f3c", cbcIv, cbcPlain,
       "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"},
      {"AES-256 CBC SP 800-38A F.2.5", CipherMode::Cbc,
       "603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4", cbcIv, cbcPlain,
       "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"},
  };
  for (const auto& c : cases) {
    const Bytes key = Hex(c.key), iv = Hex(c.iv), plain = Hex(c.plain), cipher = Hex(c.cipher);
    const auto encrypted = Aes(Direction::Encrypt, c.mode, key, iv, plain);
    ASSERT_TRUE(encrypted.has_value()) << c.what;
    EXPECT_EQ(*encrypted, cipher) << c.what;
    const auto decrypted = Aes(Direction::Decrypt, c.mode, key, iv, cipher);
    ASSERT_TRUE(decrypted.has_value()) << c.what;
    EXPECT_EQ(*decrypted, plain) << c.what;
  }
  // The caller's chaining value is not changed by the call.
  const Bytes iv = Hex(cbcIv);
  const Bytes copy = iv;
  ASSERT_TRUE(Aes(Direction::Encrypt, CipherMode::Cbc, Hex("2b7e151628aed2a6abf7158809cf4f3c"), iv, Hex(cbcPlain)));
  EXPECT_EQ(iv, copy);
}

TEST(CryptoPrimitives, AesRefusesWhatItCannotTakeWhole) {
  const Bytes key16(16, 1), block(16, 2), iv(16, 3);
  const struct {
    const char* what;
    CipherMode mode;
    Bytes key, iv, data;
  } cases[] = {
      {"a 15-byte key", CipherMode::Ecb, Bytes(15, 1), Bytes(), block},
      {"a 20-byte key", CipherMode::Cbc, Bytes(20, 1), iv, block},
      {"a part block", CipherMode::Ecb, key16, Bytes(), Bytes(17, 2)},
      {"a short chaining value", CipherMode::Cbc, key16, Bytes(8, 3), block},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(Aes(Direction::Encrypt, c.mode, c.key, c.iv, c.data).has_value()) << c.what;
    EXPECT_FALSE(Aes(Direction::Decrypt, c.mode, c.key, c.iv, c.data).has_value()) << c.what;
  }
}

}  // namespace
}  // namespace qv::crypto
