// Letter case as the engine compares names: only the ASCII letters a-z and A-Z fold; every
// other unit is compared exactly, as the file system and the formats do. Header only, so that
// every layer (the platform layer and the front ends included) folds the same way.
#pragma once

#include <cstddef>
#include <string_view>

namespace qv {

template <typename Char>
constexpr Char AsciiUpper(Char c) {
  return (c >= Char('a') && c <= Char('z')) ? static_cast<Char>(c - ('a' - 'A')) : c;
}

template <typename Char>
constexpr Char AsciiLower(Char c) {
  return (c >= Char('A') && c <= Char('Z')) ? static_cast<Char>(c + ('a' - 'A')) : c;
}

// Whether `count` units, read through left(i) and right(i), are equal with ASCII letters folded.
// For texts that are not held as strings (directory entry names, sheet names in records).
template <typename Left, typename Right>
constexpr bool UnitsEqualFoldingAscii(size_t count, Left left, Right right) {
  for (size_t i = 0; i < count; ++i) {
    if (AsciiUpper(left(i)) != AsciiUpper(right(i))) return false;
  }
  return true;
}

// Whole texts, prefixes and suffixes compared with ASCII letters folded.
template <typename Char>
constexpr bool EqualsFoldingAsciiOf(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
  return a.size() == b.size() &&
         UnitsEqualFoldingAscii(a.size(), [&](size_t i) { return a[i]; }, [&](size_t i) { return b[i]; });
}
constexpr bool EqualsFoldingAscii(std::string_view a, std::string_view b) { return EqualsFoldingAsciiOf(a, b); }
constexpr bool EqualsFoldingAscii(std::u16string_view a, std::u16string_view b) { return EqualsFoldingAsciiOf(a, b); }

constexpr bool StartsWithFoldingAscii(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsFoldingAscii(text.substr(0, prefix.size()), prefix);
}
constexpr bool StartsWithFoldingAscii(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && EqualsFoldingAscii(text.substr(0, prefix.size()), prefix);
}
constexpr bool EndsWithFoldingAscii(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && EqualsFoldingAscii(text.substr(text.size() - suffix.size()), suffix);
}
constexpr bool EndsWithFoldingAscii(std::u16string_view text, std::u16string_view suffix) {
  return text.size() >= suffix.size() && EqualsFoldingAscii(text.substr(text.size() - suffix.size()), suffix);
}

}  // namespace qv
