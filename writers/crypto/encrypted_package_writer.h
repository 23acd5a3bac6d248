// Writes an Open XML package encrypted with a password, as Office saves it ([MS-OFFCRYPTO]):
// a compound file with "EncryptionInfo" (Standard: AES-128 with SHA-1; Agile: AES-256 with
// SHA-512) and "EncryptedPackage", made with the engine's crypto interface. Salts and keys
// come from a seeded generator, so the same call writes the same bytes.
#pragma once

#include <cstdint>
#include <string>

#include "writers/common/byte_sink.h"

namespace qv::writers {

enum class PackageEncryption { Standard, Agile };

struct EncryptedPackageOptions {
  PackageEncryption method = PackageEncryption::Agile;
  std::u16string password = u"VelvetSweatshop";  // Excel's default: opens without a prompt
  uint32_t spinCount = 100000;                    // Agile only; Standard always uses 50,000
  uint32_t seed = 1;
};

// The two streams alone, and the whole compound file.
struct EncryptedStreams {
  Bytes encryptionInfo;
  Bytes encryptedPackage;
};
EncryptedStreams EncryptPackageStreams(const Bytes& package, const EncryptedPackageOptions& options);
Bytes BuildEncryptedPackage(const Bytes& package, const EncryptedPackageOptions& options);

}  // namespace qv::writers
