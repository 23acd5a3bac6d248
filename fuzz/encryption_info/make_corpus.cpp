// Writes the seed corpus of fuzz_encryption_info with the sample maker's encrypted-package
// writer: a u16 length, "EncryptionInfo", then "EncryptedPackage".
// Beside every seed go its damaged kin (fuzz/corpus_damage.h).
#include "fuzz/corpus_damage.h"
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz/replayer/two_streams.h"
#include "writers/crypto/encrypted_package_writer.h"

using namespace qv::writers;

namespace {

void Write(const std::filesystem::path& folder, const std::string& name, const EncryptedStreams& s) {
  const Bytes out = qv::fuzzing::JoinTwoStreams(s.encryptionInfo, s.encryptedPackage);
  qv::fuzzseed::WriteWithDamage(folder, name, out, 1);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_encryption_info_corpus FOLDER\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  Bytes package(5000);
  for (size_t i = 0; i < package.size(); ++i) package[i] = static_cast<uint8_t>(i * 7);
  EncryptedPackageOptions agile;
  agile.spinCount = 10;  // within what the fuzz target unlocks
  Write(folder, "agile", EncryptPackageStreams(package, agile));
  agile.password = u"other";
  Write(folder, "agile_other_password", EncryptPackageStreams(package, agile));
  EncryptedPackageOptions standard;
  standard.method = PackageEncryption::Standard;
  Write(folder, "standard", EncryptPackageStreams(package, standard));
  return 0;
}
