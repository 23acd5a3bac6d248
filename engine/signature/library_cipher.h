// The RC4 cipher of the library body. The key is never stored as such: it is rebuilt from a
// masked table for each use and wiped as soon as the key schedule has run.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv {

inline constexpr size_t kLibraryKeyBytes = 276;

// out[i] = in[i] XOR keystream[i]; enciphers and deciphers alike. `in` and `out` may be equal.
void ApplyLibraryCipher(const uint8_t* in, uint8_t* out, size_t length);

}  // namespace qv
