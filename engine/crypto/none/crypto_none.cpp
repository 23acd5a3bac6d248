// The crypto primitives of a build without a crypto library: nothing can be computed, so
// encrypted packages are reported as not examined.
#include "engine/crypto/crypto_primitives.h"

namespace qv::crypto {

bool Available() { return false; }
std::optional<Bytes> Digest(Hash, std::initializer_list<ByteSpan>) { return std::nullopt; }
std::optional<Bytes> Hmac(Hash, ByteSpan, ByteSpan) { return std::nullopt; }
std::optional<Bytes> Aes(Direction, CipherMode, ByteSpan, ByteSpan, ByteSpan) { return std::nullopt; }

}  // namespace qv::crypto
