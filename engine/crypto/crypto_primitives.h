// The few cryptographic primitives that encrypted Office packages need, behind one small
// interface. The implementation is the platform's crypto library (OpenSSL's libcrypto on
// Linux, in openssl/; CNG on Windows, in cng/); a build without one (none/) answers nothing,
// and such documents are reported as not examined.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace qv::crypto {

using Bytes = std::vector<uint8_t>;
using ByteSpan = std::span<const uint8_t>;

enum class Hash { Sha1, Sha512 };
enum class CipherMode { Ecb, Cbc };
enum class Direction { Decrypt, Encrypt };

// False when the build has no crypto library.
bool Available();

// The digest of the concatenated parts.
std::optional<Bytes> Digest(Hash hash, std::initializer_list<ByteSpan> parts);
std::optional<Bytes> Hmac(Hash hash, ByteSpan key, ByteSpan data);

// AES with a 16-, 24- or 32-byte key, without padding: `data` must be a whole number of
// 16-byte blocks. `iv` (16 bytes) is used for CBC only.
std::optional<Bytes> Aes(Direction direction, CipherMode mode, ByteSpan key, ByteSpan iv, ByteSpan data);

inline size_t DigestBytes(Hash hash) { return hash == Hash::Sha1 ? 20 : 64; }

}  // namespace qv::crypto
