// Opening and closing an encrypted Office package with a password ([MS-OFFCRYPTO] 2.3.4.7
// to 2.3.4.15): key derivation, password verification, and the "EncryptedPackage" stream
// (a u64 package size, then the package enciphered: whole in ECB for Standard encryption,
// in 4,096-byte CBC segments for Agile encryption).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "engine/crypto/encryption_info.h"

namespace qv::crypto {

// The password Excel uses when a workbook is "encrypted" without one: such files open
// without a prompt.
inline constexpr char16_t kDefaultPassword[] = u"VelvetSweatshop";

// Block keys of Agile encryption.
using BlockKey = std::array<uint8_t, 8>;
inline constexpr BlockKey kVerifierInputBlock = {0xfe, 0xa7, 0xd2, 0x76, 0x3b, 0x4b, 0x9e, 0x79};
inline constexpr BlockKey kVerifierValueBlock = {0xd7, 0xaa, 0x0f, 0x6d, 0x30, 0x61, 0x34, 0x4e};
inline constexpr BlockKey kKeyValueBlock = {0x14, 0x6e, 0x0b, 0xe7, 0xab, 0xac, 0xd0, 0xd6};
inline constexpr BlockKey kHmacKeyBlock = {0x5f, 0xb2, 0xad, 0x01, 0x0c, 0xb9, 0xe1, 0xf6};
inline constexpr BlockKey kHmacValueBlock = {0xa0, 0x67, 0x7f, 0x02, 0xb2, 0x2c, 0x84, 0x33};

// H(salt + password), then `spinCount` rounds of H(u32 round + previous).
std::optional<Bytes> IteratedPasswordHash(Hash hash, ByteSpan salt, std::u16string_view password, uint32_t spinCount);
// The Standard encryption key of `keyBits` bits.
std::optional<Bytes> StandardKey(ByteSpan salt, std::u16string_view password, uint32_t keyBits);
// An Agile key: H(iterated + blockKey), cut to keyBits (or padded with 0x36).
std::optional<Bytes> AgileKey(Hash hash, ByteSpan iterated, ByteSpan blockKey, uint32_t keyBits);
// An Agile initialisation vector: H(salt + blockKey), cut to blockSize (or padded with 0x36).
std::optional<Bytes> AgileIv(Hash hash, ByteSpan salt, ByteSpan blockKey, uint32_t blockSize);

// The key that opens the package, when `password` is the right one.
struct PackageKey {
  EncryptionInfo info;
  Bytes key;  // Standard: the derived key; Agile: the intermediate key
};
std::optional<PackageKey> UnlockPackage(const EncryptionInfo& info, std::u16string_view password);

// The package inside an "EncryptedPackage" stream; nothing when the stream is shorter than
// the size it declares, or that size is over `limit`.
std::optional<Bytes> DecryptPackage(const PackageKey& key, const ByteReader& stream, uint64_t limit);
// The "EncryptedPackage" stream for `package`.
std::optional<Bytes> EncryptPackage(const PackageKey& key, ByteSpan package);

// Agile only: the enciphered HMAC key and HMAC value of an "EncryptedPackage" stream, for
// the data integrity element. `hmacKey` is hashSize bytes.
struct Integrity {
  Bytes encryptedHmacKey, encryptedHmacValue;
};
std::optional<Integrity> AgileIntegrity(const AgileInfo& info, ByteSpan intermediateKey, ByteSpan hmacKey,
                                        ByteSpan encryptedPackage);

}  // namespace qv::crypto
