// UTF-8 text, and the narrow text of POSIX, which is UTF-8.
//
// File names on POSIX are byte strings that need not be UTF-8 (GBK names from old archives,
// say). So that every such name survives the engine's UTF-16 form, each byte that is not part
// of a well-formed UTF-8 sequence becomes the lone surrogate U+DC80 + (byte - 0x80) and turns
// back into that very byte on the way out. The decoder is strict (no overlong forms, no
// encoded surrogates, nothing past U+10FFFF), so decoding and encoding are exact inverses.
#include "engine/platform/platform.h"

namespace qv::platform {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // an escaped byte b (0x80..0xFF) is U+DC00 + b

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Length of the well-formed sequence at text[i], or 0 when the byte there starts none.
size_t WellFormedLength(std::string_view text, size_t i) {
  const auto at = [&](size_t k) { return static_cast<unsigned char>(text[i + k]); };
  const unsigned char b = at(0);
  if (b < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (b >= 0xC2 && b <= 0xDF) {
    length = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3;
    if (b == 0xE0) low = 0xA0;
    if (b == 0xED) high = 0x9F;  // U+D800..U+DFFF are not characters
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4;
    if (b == 0xF0) low = 0x90;
    if (b == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() - i < length) return 0;
  if (at(1) < low || at(1) > high) return 0;
  for (size_t k = 2; k < length; ++k) {
    if (!IsContinuation(at(k))) return 0;
  }
  return length;
}

}  // namespace

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
      out.push_back(static_cast<char>(c - kEscapeBase));  // an escaped byte of a non-UTF-8 name
      continue;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      out.push_back('?');  // any other unpaired surrogate: not representable
      continue;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::u16string FromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const size_t length = WellFormedLength(text, i);
    if (length == 0) {
      out.push_back(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(text[i])));
      ++i;
      continue;
    }
    uint32_t c = static_cast<unsigned char>(text[i]);
    if (length > 1) {
      c &= (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
      for (size_t k = 1; k < length; ++k) c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    i += length;
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

bool IsEscapedByte(char16_t unit) { return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF; }

#ifndef _WIN32
std::string ToNarrow(std::u16string_view text) { return ToUtf8(text); }
std::u16string FromNarrow(std::string_view text) { return FromUtf8(text); }
#endif

}  // namespace qv::platform
