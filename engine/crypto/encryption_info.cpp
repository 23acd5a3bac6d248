#include "engine/crypto/encryption_info.h"

#include <pugixml.hpp>

#include <cstring>
#include <string_view>

#include "engine/common/capacities.h"

namespace qv::crypto {
namespace {

// Standard encryption.
constexpr uint32_t kStandardHeaderSizeAt = 8;
constexpr uint32_t kStandardHeaderAt = 12;
constexpr uint32_t kHeaderAlgorithmId = 8;   // in the EncryptionHeader
constexpr uint32_t kHeaderHashId = 12;
constexpr uint32_t kHeaderKeyBits = 16;
constexpr uint32_t kHeaderMinBytes = 32;
constexpr uint32_t kHashSha1 = 0x8004;
constexpr uint32_t kVerifierSaltBytes = 16;
constexpr uint32_t kVerifierHashBytes = 20;
constexpr uint32_t kEncryptedVerifierHashBytes = 32;
// Agile encryption: version 4.4, a reserved 0x40, then the XML.
constexpr uint32_t kAgileXmlAt = 8;

std::optional<StandardInfo> ParseStandard(const ByteReader& s, uint16_t major) {
  const auto headerSize = s.U32(kStandardHeaderSizeAt);
  if (!headerSize || *headerSize < kHeaderMinBytes || !s.Has(kStandardHeaderAt, *headerSize)) return std::nullopt;
  StandardInfo info;
  info.majorVersion = major;
  info.algorithmId = *s.U32(kStandardHeaderAt + kHeaderAlgorithmId);
  const uint32_t hashId = *s.U32(kStandardHeaderAt + kHeaderHashId);
  info.keyBits = *s.U32(kStandardHeaderAt + kHeaderKeyBits);
  const bool aes = (info.algorithmId == 0x660E && info.keyBits == 128) ||
                   (info.algorithmId == 0x660F && info.keyBits == 192) ||
                   (info.algorithmId == 0x6610 && info.keyBits == 256);
  if (!aes || (hashId != kHashSha1 && hashId != 0)) return std::nullopt;

  uint64_t at = static_cast<uint64_t>(kStandardHeaderAt) + *headerSize;
  if (s.U32(at) != kVerifierSaltBytes) return std::nullopt;
  at += 4;
  info.salt.resize(kVerifierSaltBytes);
  info.encryptedVerifier.resize(16);
  info.encryptedVerifierHash.resize(kEncryptedVerifierHashBytes);
  if (!s.Copy(at, info.salt.data(), 16) || !s.Copy(at + 16, info.encryptedVerifier.data(), 16) ||
      s.U32(at + 32) != kVerifierHashBytes || !s.Copy(at + 36, info.encryptedVerifierHash.data(), 32)) {
    return std::nullopt;
  }
  return info;
}

bool ParseUnsigned(const pugi::xml_attribute& attribute, uint32_t low, uint32_t high, uint32_t& out) {
  if (!attribute) return false;
  const std::string_view text = attribute.value();
  if (text.empty() || text.size() > 9) return false;
  uint32_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<uint32_t>(c - '0');
  }
  if (value < low || value > high) return false;
  out = value;
  return true;
}

bool ParseBase64(const pugi::xml_attribute& attribute, Bytes& out, size_t maxBytes = 1024) {
  if (!attribute || std::strlen(attribute.value()) > maxBytes * 4 / 3 + 4) return false;
  auto bytes = DecodeBase64(attribute.value());
  if (!bytes) return false;
  out = std::move(*bytes);
  return true;
}

bool ParseParameters(const pugi::xml_node& node, AgileParameters& p) {
  const std::string_view cipher = node.attribute("cipherAlgorithm").value();
  const std::string_view chaining = node.attribute("cipherChaining").value();
  const std::string_view hash = node.attribute("hashAlgorithm").value();
  if (cipher != "AES" || chaining != "ChainingModeCBC") return false;
  if (hash == "SHA1") p.hash = Hash::Sha1;
  else if (hash == "SHA512") p.hash = Hash::Sha512;
  else return false;
  if (!ParseUnsigned(node.attribute("saltSize"), 1, 65536, p.saltSize) ||
      !ParseUnsigned(node.attribute("blockSize"), 16, 16, p.blockSize) ||
      !ParseUnsigned(node.attribute("keyBits"), 128, 256, p.keyBits) ||
      !ParseUnsigned(node.attribute("hashSize"), 20, 64, p.hashSize)) {
    return false;
  }
  if (p.keyBits % 64 != 0 || p.hashSize != DigestBytes(p.hash)) return false;
  return ParseBase64(node.attribute("saltValue"), p.salt) && p.salt.size() == p.saltSize;
}

// A child element by its local name, whatever prefix the writer chose.
pugi::xml_node Child(const pugi::xml_node& node, std::string_view local) {
  for (pugi::xml_node child : node.children()) {
    std::string_view name = child.name();
    if (const size_t colon = name.find(':'); colon != std::string_view::npos) name.remove_prefix(colon + 1);
    if (name == local) return child;
  }
  return {};
}

std::optional<AgileInfo> ParseAgile(const ByteReader& s) {
  if (s.size() <= kAgileXmlAt || s.size() - kAgileXmlAt > cap::kMaxEncryptionInfoBytes) return std::nullopt;
  pugi::xml_document document;
  if (!document.load_buffer(s.data() + kAgileXmlAt, s.size() - kAgileXmlAt, pugi::parse_default)) return std::nullopt;
  const pugi::xml_node root = Child(document, "encryption");
  const pugi::xml_node keyData = Child(root, "keyData");
  const pugi::xml_node integrity = Child(root, "dataIntegrity");
  pugi::xml_node passwordKey;
  for (pugi::xml_node encryptor : Child(root, "keyEncryptors").children()) {
    if (std::string_view(encryptor.attribute("uri").value()) ==
        "http://schemas.microsoft.com/office/2006/keyEncryptor/password") {
      passwordKey = Child(encryptor, "encryptedKey");
      break;
    }
  }
  AgileInfo info;
  if (!keyData || !passwordKey || !ParseParameters(keyData, info.keyData) ||
      !ParseParameters(passwordKey, info.passwordKey) ||
      !ParseUnsigned(passwordKey.attribute("spinCount"), 0, cap::kMaxSpinCount, info.spinCount) ||
      !ParseBase64(passwordKey.attribute("encryptedVerifierHashInput"), info.encryptedVerifierHashInput) ||
      !ParseBase64(passwordKey.attribute("encryptedVerifierHashValue"), info.encryptedVerifierHashValue) ||
      !ParseBase64(passwordKey.attribute("encryptedKeyValue"), info.encryptedKeyValue)) {
    return std::nullopt;
  }
  if (integrity) {  // optional for reading; needed to write the package back
    ParseBase64(integrity.attribute("encryptedHmacKey"), info.encryptedHmacKey);
    ParseBase64(integrity.attribute("encryptedHmacValue"), info.encryptedHmacValue);
  }
  return info;
}

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Sextet(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

std::optional<EncryptionInfo> ParseEncryptionInfo(const ByteReader& stream) {
  const auto major = stream.U16(0);
  const auto minor = stream.U16(2);
  if (!major || !minor) return std::nullopt;
  if ((*major == 3 || *major == 4) && *minor == 2) {
    if (auto info = ParseStandard(stream, *major)) return EncryptionInfo{*info};
    return std::nullopt;
  }
  if (*major == 4 && *minor == 4) {
    if (auto info = ParseAgile(stream)) return EncryptionInfo{*info};
  }
  return std::nullopt;
}

std::optional<Bytes> DecodeBase64(std::string_view text) {
  while (!text.empty() && text.back() == '=') text.remove_suffix(1);
  if (text.size() % 4 == 1) return std::nullopt;
  Bytes out;
  out.reserve(text.size() * 3 / 4);
  uint32_t bits = 0;
  int count = 0;
  for (const char c : text) {
    const int value = Sextet(c);
    if (value < 0) return std::nullopt;
    bits = (bits << 6) | static_cast<uint32_t>(value);
    if (++count == 4) {
      out.push_back(static_cast<uint8_t>(bits >> 16));
      out.push_back(static_cast<uint8_t>(bits >> 8));
      out.push_back(static_cast<uint8_t>(bits));
      bits = 0;
      count = 0;
    }
  }
  if (count == 2) out.push_back(static_cast<uint8_t>(bits >> 4));
  if (count == 3) {
    out.push_back(static_cast<uint8_t>(bits >> 10));
    out.push_back(static_cast<uint8_t>(bits >> 2));
  }
  return out;
}

std::string EncodeBase64(ByteSpan bytes) {
  std::string out;
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t v = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
    for (int shift = 18; shift >= 0; shift -= 6) out.push_back(kAlphabet[(v >> shift) & 63]);
  }
  if (const size_t rest = bytes.size() - i; rest > 0) {
    const uint32_t v = (bytes[i] << 16) | (rest == 2 ? bytes[i + 1] << 8 : 0);
    out.push_back(kAlphabet[(v >> 18) & 63]);
    out.push_back(kAlphabet[(v >> 12) & 63]);
    out.push_back(rest == 2 ? kAlphabet[(v >> 6) & 63] : '=');
    out.push_back('=');
  }
  return out;
}

}  // namespace qv::crypto
