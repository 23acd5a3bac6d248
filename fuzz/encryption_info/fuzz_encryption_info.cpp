// Arbitrary bytes as an encrypted package's two streams: a u16 length, that many bytes of
// "EncryptionInfo", the rest "EncryptedPackage". The header parse, the password check with
// the default password (only for spin counts a fuzzer can afford), and the decryption of the
// package with whatever key comes out. Beyond the sanitizers it checks that a deciphered
// package is never longer than the limit nor than its stream.
#include <cstdint>
#include <cstdlib>

#include "engine/crypto/package_cipher.h"
#include "fuzz/replayer/two_streams.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

constexpr uint32_t kAffordableSpins = 2000;
constexpr uint64_t kLimit = 1u << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 || size > (1u << 20)) return 0;
  const auto streams = qv::fuzzing::SplitTwoStreams(data, size);
  const qv::ByteReader info(streams.first, streams.firstSize);
  const qv::ByteReader stream(streams.second, streams.secondSize);

  const auto parsed = qv::crypto::ParseEncryptionInfo(info);
  if (!parsed) return 0;
  std::optional<qv::crypto::PackageKey> key;
  if (const auto* agile = std::get_if<qv::crypto::AgileInfo>(&*parsed)) {
    Check(agile->keyData.blockSize == 16 && agile->passwordKey.salt.size() == agile->passwordKey.saltSize);
    if (agile->spinCount <= kAffordableSpins) key = qv::crypto::UnlockPackage(*parsed, qv::crypto::kDefaultPassword);
    if (!key) key = qv::crypto::PackageKey{*parsed, qv::crypto::Bytes(agile->keyData.keyBits / 8, 0x5A)};
  } else {
    const auto& standard = std::get<qv::crypto::StandardInfo>(*parsed);
    Check(standard.salt.size() == 16 && standard.encryptedVerifierHash.size() == 32);
    // Standard encryption always takes 50,000 rounds: use a made-up key of the right size.
    key = qv::crypto::PackageKey{*parsed, qv::crypto::Bytes(standard.keyBits / 8, 0x5A)};
  }
  const auto package = qv::crypto::DecryptPackage(*key, stream, kLimit);
  if (package) {
    Check(package->size() <= kLimit);
    Check(package->size() + 8 <= stream.size());
  }
  return 0;
}
