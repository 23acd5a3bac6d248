// Letter case as the engine compares names: only the ASCII letters a-z and A-Z fold; every
// other unit is compared exactly, as the file system and the formats do.
#pragma once

namespace qv {

template <typename Char>
constexpr Char AsciiUpper(Char c) {
  return (c >= Char('a') && c <= Char('z')) ? static_cast<Char>(c - 32) : c;
}

}  // namespace qv
