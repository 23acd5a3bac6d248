// The "EncryptionInfo" stream of an encrypted Office package ([MS-OFFCRYPTO] 2.3.4.5 and
// 2.3.4.10): Standard encryption (a binary header and verifier, AES with SHA-1) or Agile
// encryption (an XML descriptor, AES with SHA-1 or SHA-512).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "engine/common/byte_reader.h"
#include "engine/crypto/crypto_primitives.h"

namespace qv::crypto {

struct StandardInfo {
  uint16_t majorVersion = 4;
  uint32_t algorithmId = 0x660E;  // AES-128 (0x660F AES-192, 0x6610 AES-256)
  uint32_t keyBits = 128;
  Bytes salt;                     // 16 bytes
  Bytes encryptedVerifier;        // 16 bytes
  Bytes encryptedVerifierHash;    // 32 bytes (SHA-1's 20, padded to whole AES blocks)
};

// One set of Agile parameters (the key data, or the password key encryptor).
struct AgileParameters {
  uint32_t saltSize = 16;
  uint32_t blockSize = 16;
  uint32_t keyBits = 256;
  uint32_t hashSize = 64;
  Hash hash = Hash::Sha512;
  Bytes salt;
};

struct AgileInfo {
  AgileParameters keyData;
  Bytes encryptedHmacKey, encryptedHmacValue;
  AgileParameters passwordKey;
  uint32_t spinCount = 100000;
  Bytes encryptedVerifierHashInput, encryptedVerifierHashValue, encryptedKeyValue;
};

using EncryptionInfo = std::variant<StandardInfo, AgileInfo>;

// Parses the stream; nothing for an unknown version, another cipher or hash than those
// above, counts out of range, or a damaged header.
std::optional<EncryptionInfo> ParseEncryptionInfo(const ByteReader& stream);

// The standard base64 alphabet with padding; nothing for any other character.
std::optional<Bytes> DecodeBase64(std::string_view text);
std::string EncodeBase64(ByteSpan bytes);

}  // namespace qv::crypto
