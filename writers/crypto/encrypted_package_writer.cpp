#include "writers/crypto/encrypted_package_writer.h"

#include <random>
#include <stdexcept>

#include "engine/crypto/package_cipher.h"
#include "writers/cfb/compound_writer.h"

namespace qv::writers {
namespace {

namespace c = qv::crypto;

Bytes Must(std::optional<Bytes> value) {
  if (!value) throw std::runtime_error("crypto failed");
  return std::move(*value);
}

Bytes RandomBytes(std::mt19937& random, size_t n) {
  Bytes out(n);
  for (auto& b : out) b = static_cast<uint8_t>(random());
  return out;
}

Bytes Padded16(Bytes b) {
  b.resize((b.size() + 15) / 16 * 16, 0);
  return b;
}

EncryptedStreams Standard(const Bytes& package, const EncryptedPackageOptions& o, std::mt19937& random) {
  c::StandardInfo info;
  info.salt = RandomBytes(random, 16);
  const Bytes key = Must(c::StandardKey(info.salt, o.password, 128));
  const Bytes verifier = RandomBytes(random, 16);
  info.encryptedVerifier = Must(c::Aes(c::Direction::Encrypt, c::CipherMode::Ecb, key, {}, verifier));
  info.encryptedVerifierHash = Must(
      c::Aes(c::Direction::Encrypt, c::CipherMode::Ecb, key, {}, Padded16(Must(c::Digest(c::Hash::Sha1, {verifier})))));

  Bytes header;
  PutU32(header, 0x24);        // flags: fCryptoAPI | fAES
  PutU32(header, 0);           // sizeExtra
  PutU32(header, 0x660E);      // algID: AES-128
  PutU32(header, 0x8004);      // algIDHash: SHA-1
  PutU32(header, 128);         // keySize in bits
  PutU32(header, 0x18);        // providerType: PROV_RSA_AES
  PutU32(header, 0);           // reserved1
  PutU32(header, 0);           // reserved2
  PutUtf16(header, "Microsoft Enhanced RSA and AES Cryptographic Provider");
  PutU16(header, 0);           // CSPName terminator

  EncryptedStreams out;
  Bytes& s = out.encryptionInfo;
  PutU16(s, 4);                // major version
  PutU16(s, 2);                // minor version: Standard encryption
  PutU32(s, 0x24);             // flags
  PutU32(s, static_cast<uint32_t>(header.size()));
  PutBytes(s, header);
  PutU32(s, 16);               // saltSize
  PutBytes(s, info.salt);
  PutBytes(s, info.encryptedVerifier);
  PutU32(s, 20);               // verifierHashSize
  PutBytes(s, info.encryptedVerifierHash);
  out.encryptedPackage = Must(c::EncryptPackage({info, key}, package));
  return out;
}

std::string Attributes(const c::AgileParameters& p) {
  return "saltSize=\"" + std::to_string(p.saltSize) + "\" blockSize=\"16\" keyBits=\"" + std::to_string(p.keyBits) +
         "\" hashSize=\"64\" cipherAlgorithm=\"AES\" cipherChaining=\"ChainingModeCBC\" hashAlgorithm=\"SHA512\" "
         "saltValue=\"" + c::EncodeBase64(p.salt) + "\"";
}

EncryptedStreams Agile(const Bytes& package, const EncryptedPackageOptions& o, std::mt19937& random) {
  c::AgileInfo info;
  info.keyData.salt = RandomBytes(random, 16);
  info.passwordKey.salt = RandomBytes(random, 16);
  info.spinCount = o.spinCount;
  const Bytes intermediate = RandomBytes(random, 32);
  const Bytes iterated = Must(c::IteratedPasswordHash(c::Hash::Sha512, info.passwordKey.salt, o.password, o.spinCount));
  auto close = [&](const c::BlockKey& block, const Bytes& plain) {
    const Bytes key = Must(c::AgileKey(c::Hash::Sha512, iterated, block, 256));
    return Must(c::Aes(c::Direction::Encrypt, c::CipherMode::Cbc, key, info.passwordKey.salt, Padded16(plain)));
  };
  const Bytes verifierInput = RandomBytes(random, 16);
  info.encryptedVerifierHashInput = close(c::kVerifierInputBlock, verifierInput);
  info.encryptedVerifierHashValue = close(c::kVerifierValueBlock, Must(c::Digest(c::Hash::Sha512, {verifierInput})));
  info.encryptedKeyValue = close(c::kKeyValueBlock, intermediate);

  EncryptedStreams out;
  out.encryptedPackage = Must(c::EncryptPackage({info, intermediate}, package));
  const auto integrity = c::AgileIntegrity(info, intermediate, RandomBytes(random, 64), out.encryptedPackage);
  if (!integrity) throw std::runtime_error("crypto failed");

  const std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<encryption xmlns=\"http://schemas.microsoft.com/office/2006/encryption\" "
      "xmlns:p=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
      "<keyData " + Attributes(info.keyData) + "/>"
      "<dataIntegrity encryptedHmacKey=\"" + c::EncodeBase64(integrity->encryptedHmacKey) +
      "\" encryptedHmacValue=\"" + c::EncodeBase64(integrity->encryptedHmacValue) + "\"/>"
      "<keyEncryptors><keyEncryptor uri=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
      "<p:encryptedKey spinCount=\"" + std::to_string(o.spinCount) + "\" " + Attributes(info.passwordKey) +
      " encryptedVerifierHashInput=\"" + c::EncodeBase64(info.encryptedVerifierHashInput) +
      "\" encryptedVerifierHashValue=\"" + c::EncodeBase64(info.encryptedVerifierHashValue) +
      "\" encryptedKeyValue=\"" + c::EncodeBase64(info.encryptedKeyValue) + "\"/>"
      "</keyEncryptor></keyEncryptors></encryption>";
  PutU16(out.encryptionInfo, 4);     // major version
  PutU16(out.encryptionInfo, 4);     // minor version: Agile encryption
  PutU32(out.encryptionInfo, 0x40);  // reserved
  PutText(out.encryptionInfo, xml);
  return out;
}

}  // namespace

EncryptedStreams EncryptPackageStreams(const Bytes& package, const EncryptedPackageOptions& options) {
  std::mt19937 random(options.seed);
  return options.method == PackageEncryption::Standard ? Standard(package, options, random)
                                                       : Agile(package, options, random);
}

Bytes BuildEncryptedPackage(const Bytes& package, const EncryptedPackageOptions& options) {
  const EncryptedStreams streams = EncryptPackageStreams(package, options);
  CfbBuilder writer;
  writer.AddStream("EncryptionInfo", streams.encryptionInfo);
  writer.AddStream("EncryptedPackage", streams.encryptedPackage);
  return writer.Build();
}

}  // namespace qv::writers
