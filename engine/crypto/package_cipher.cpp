#include "engine/crypto/package_cipher.h"

#include <algorithm>

#include "engine/common/capacities.h"

namespace qv::crypto {
namespace {

Bytes Utf16(std::u16string_view text) {
  Bytes out;
  for (const char16_t c : text) {
    out.push_back(static_cast<uint8_t>(c));
    out.push_back(static_cast<uint8_t>(c >> 8));
  }
  return out;
}

std::array<uint8_t, 4> U32Bytes(uint32_t v) {
  return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
          static_cast<uint8_t>(v >> 24)};
}

// Cut to `bytes`, or padded with 0x36 up to it.
Bytes Fit(Bytes value, size_t bytes) {
  value.resize(bytes, 0x36);
  return value;
}

size_t RoundUp16(uint64_t n) { return static_cast<size_t>((n + 15) / 16 * 16); }

std::optional<PackageKey> UnlockStandard(const StandardInfo& info, std::u16string_view password) {
  auto key = StandardKey(info.salt, password, info.keyBits);
  if (!key) return std::nullopt;
  const auto verifier = Aes(Direction::Decrypt, CipherMode::Ecb, *key, {}, info.encryptedVerifier);
  const auto hash = Aes(Direction::Decrypt, CipherMode::Ecb, *key, {}, info.encryptedVerifierHash);
  if (!verifier || !hash) return std::nullopt;
  const auto expected = Digest(Hash::Sha1, {*verifier});
  if (!expected || !std::equal(expected->begin(), expected->end(), hash->begin())) return std::nullopt;
  return PackageKey{info, *key};
}

std::optional<PackageKey> UnlockAgile(const AgileInfo& info, std::u16string_view password) {
  const AgileParameters& p = info.passwordKey;
  const auto iterated = IteratedPasswordHash(p.hash, p.salt, password, info.spinCount);
  if (!iterated) return std::nullopt;
  const Bytes iv = Fit(p.salt, p.blockSize);
  auto open = [&](const BlockKey& block, const Bytes& data) -> std::optional<Bytes> {
    const auto key = AgileKey(p.hash, *iterated, block, p.keyBits);
    if (!key) return std::nullopt;
    return Aes(Direction::Decrypt, CipherMode::Cbc, *key, iv, data);
  };
  const auto input = open(kVerifierInputBlock, info.encryptedVerifierHashInput);
  const auto value = open(kVerifierValueBlock, info.encryptedVerifierHashValue);
  if (!input || !value || input->size() < p.saltSize || value->size() < p.hashSize) return std::nullopt;
  const auto expected = Digest(p.hash, {ByteSpan(input->data(), p.saltSize)});
  if (!expected || !std::equal(expected->begin(), expected->end(), value->begin())) return std::nullopt;
  auto key = open(kKeyValueBlock, info.encryptedKeyValue);
  const size_t keyBytes = info.keyData.keyBits / 8;
  if (!key || key->size() < keyBytes) return std::nullopt;
  key->resize(keyBytes);
  return PackageKey{info, *key};
}

// The CBC transform of an Agile package body, segment by segment.
std::optional<Bytes> AgileSegments(const AgileInfo& info, ByteSpan key, ByteSpan body, Direction direction) {
  Bytes out;
  out.reserve(body.size());
  uint32_t index = 0;
  for (size_t at = 0; at < body.size(); at += cap::kAgileSegmentBytes, ++index) {
    const size_t length = std::min<size_t>(cap::kAgileSegmentBytes, body.size() - at);
    const auto iv = AgileIv(info.keyData.hash, info.keyData.salt, U32Bytes(index), info.keyData.blockSize);
    if (!iv) return std::nullopt;
    const auto piece = Aes(direction, CipherMode::Cbc, key, *iv, body.subspan(at, length));
    if (!piece) return std::nullopt;
    out.insert(out.end(), piece->begin(), piece->end());
  }
  return out;
}

// The package body (whole AES blocks) in or out: ECB for Standard, CBC segments for Agile.
std::optional<Bytes> TransformBody(const PackageKey& key, ByteSpan body, Direction direction) {
  if (std::holds_alternative<StandardInfo>(key.info)) return Aes(direction, CipherMode::Ecb, key.key, {}, body);
  return AgileSegments(std::get<AgileInfo>(key.info), key.key, body, direction);
}

}  // namespace

std::optional<Bytes> IteratedPasswordHash(Hash hash, ByteSpan salt, std::u16string_view password, uint32_t spinCount) {
  const Bytes text = Utf16(password);
  auto h = Digest(hash, {salt, text});
  for (uint32_t i = 0; h && i < spinCount; ++i) h = Digest(hash, {U32Bytes(i), *h});
  return h;
}

std::optional<Bytes> StandardKey(ByteSpan salt, std::u16string_view password, uint32_t keyBits) {
  const auto iterated = IteratedPasswordHash(Hash::Sha1, salt, password, cap::kStandardSpinCount);
  if (!iterated) return std::nullopt;
  const auto final = Digest(Hash::Sha1, {*iterated, U32Bytes(0)});
  if (!final) return std::nullopt;
  Bytes inner(64, 0x36), outer(64, 0x5C);
  for (size_t i = 0; i < final->size(); ++i) {
    inner[i] ^= (*final)[i];
    outer[i] ^= (*final)[i];
  }
  auto x1 = Digest(Hash::Sha1, {inner});
  const auto x2 = Digest(Hash::Sha1, {outer});
  if (!x1 || !x2 || keyBits / 8 > x1->size() + x2->size()) return std::nullopt;
  x1->insert(x1->end(), x2->begin(), x2->end());
  x1->resize(keyBits / 8);
  return x1;
}

std::optional<Bytes> AgileKey(Hash hash, ByteSpan iterated, ByteSpan blockKey, uint32_t keyBits) {
  auto h = Digest(hash, {iterated, blockKey});
  if (!h) return std::nullopt;
  return Fit(std::move(*h), keyBits / 8);
}

std::optional<Bytes> AgileIv(Hash hash, ByteSpan salt, ByteSpan blockKey, uint32_t blockSize) {
  auto h = Digest(hash, {salt, blockKey});
  if (!h) return std::nullopt;
  return Fit(std::move(*h), blockSize);
}

std::optional<PackageKey> UnlockPackage(const EncryptionInfo& info, std::u16string_view password) {
  if (const auto* standard = std::get_if<StandardInfo>(&info)) return UnlockStandard(*standard, password);
  return UnlockAgile(std::get<AgileInfo>(info), password);
}

std::optional<Bytes> DecryptPackage(const PackageKey& key, const ByteReader& stream, uint64_t limit) {
  const auto size = stream.U32(0);
  const auto high = stream.U32(4);
  if (!size || !high || *high != 0 || *size > limit) return std::nullopt;
  const size_t enciphered = RoundUp16(*size);
  if (!stream.Has(8, enciphered)) return std::nullopt;  // truncated
  const ByteSpan body(stream.data() + 8, enciphered);
  auto plain = TransformBody(key, body, Direction::Decrypt);
  if (!plain) return std::nullopt;
  plain->resize(*size);
  return plain;
}

std::optional<Bytes> EncryptPackage(const PackageKey& key, ByteSpan package) {
  if (package.size() > UINT32_MAX) return std::nullopt;
  Bytes padded(package.begin(), package.end());
  padded.resize(RoundUp16(package.size()), 0);
  const auto body = TransformBody(key, padded, Direction::Encrypt);
  if (!body) return std::nullopt;
  Bytes out;
  const auto size = U32Bytes(static_cast<uint32_t>(package.size()));
  out.insert(out.end(), size.begin(), size.end());
  out.insert(out.end(), 4, 0);
  out.insert(out.end(), body->begin(), body->end());
  return out;
}

std::optional<Integrity> AgileIntegrity(const AgileInfo& info, ByteSpan intermediateKey, ByteSpan hmacKey,
                                        ByteSpan encryptedPackage) {
  const AgileParameters& p = info.keyData;
  const auto value = Hmac(p.hash, hmacKey, encryptedPackage);
  const auto keyIv = AgileIv(p.hash, p.salt, kHmacKeyBlock, p.blockSize);
  const auto valueIv = AgileIv(p.hash, p.salt, kHmacValueBlock, p.blockSize);
  if (!value || !keyIv || !valueIv) return std::nullopt;
  Bytes paddedKey(hmacKey.begin(), hmacKey.end()), paddedValue = *value;
  paddedKey.resize(RoundUp16(paddedKey.size()), 0);
  paddedValue.resize(RoundUp16(paddedValue.size()), 0);
  auto encKey = Aes(Direction::Encrypt, CipherMode::Cbc, intermediateKey, *keyIv, paddedKey);
  auto encValue = Aes(Direction::Encrypt, CipherMode::Cbc, intermediateKey, *valueIv, paddedValue);
  if (!encKey || !encValue) return std::nullopt;
  return Integrity{*encKey, *encValue};
}

}  // namespace qv::crypto
