#include "tools/vlb/source_lexer.h"

#include <cctype>
#include <cstdio>
#include <unordered_map>

#include "engine/signature/cp936.h"

namespace qv::vlbc {
namespace {

// Unicode unit -> double-byte code of the A1-FE part of code page 936.
const std::unordered_map<uint32_t, uint16_t>& ReverseCp936() {
  static const std::unordered_map<uint32_t, uint16_t> map = [] {
    std::unordered_map<uint32_t, uint16_t> m;
    for (size_t i = 0; i < kCp936TableSize; ++i) {
      const uint16_t code = static_cast<uint16_t>(((kCp936First + i / kCp936Span) << 8) | (kCp936First + i % kCp936Span));
      m.emplace(kCp936Table[i], code);
    }
    return m;
  }();
  return map;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Decodes one UTF-8 character starting at text[i] (a byte >= 0x80); advances i.
uint32_t DecodeUtf8(std::string_view text, size_t& i, const SourcePlace& place) {
  const auto lead = static_cast<uint8_t>(text[i]);
  const int extra = lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 && lead < 0xE0 ? 1 : -1;
  if (extra < 0 || lead >= 0xF5) throw SourceError(place, "text is not valid UTF-8");
  uint32_t value = lead & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    if (i + k >= text.size() || (static_cast<uint8_t>(text[i + k]) & 0xC0) != 0x80)
      throw SourceError(place, "text is not valid UTF-8");
    value = (value << 6) | (static_cast<uint8_t>(text[i + k]) & 0x3F);
  }
  i += extra + 1;
  return value;
}

void AppendUtf8(std::string& out, uint32_t unit) {
  if (unit < 0x800) {
    out += static_cast<char>(0xC0 | (unit >> 6));
  } else {
    out += static_cast<char>(0xE0 | (unit >> 12));
    out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
  }
  out += static_cast<char>(0x80 | (unit & 0x3F));
}

bool IsPrivateUse(uint32_t unit) { return unit >= 0xE000 && unit <= 0xF8FF; }

}  // namespace

std::vector<uint8_t> DecodeText(std::string_view quoted, const SourcePlace& place) {
  std::vector<uint8_t> out;
  size_t i = 0;
  while (i < quoted.size()) {
    const char c = quoted[i];
    if (static_cast<uint8_t>(c) >= 0x80) {
      const uint32_t unit = DecodeUtf8(quoted, i, place);
      const auto found = ReverseCp936().find(unit);
      if (found == ReverseCp936().end()) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "U+%04X", unit);
        throw SourceError(place, std::string("character ") + hex + " is not in code page 936 (write its bytes as \\xHH)");
      }
      out.push_back(static_cast<uint8_t>(found->second >> 8));
      out.push_back(static_cast<uint8_t>(found->second));
      continue;
    }
    if (c != '\\') {
      if (static_cast<uint8_t>(c) < 0x20) throw SourceError(place, "control character in text (write it as \\xHH)");
      out.push_back(static_cast<uint8_t>(c));
      ++i;
      continue;
    }
    if (i + 1 >= quoted.size()) throw SourceError(place, "text ends with a lone backslash");
    const char e = quoted[i + 1];
    i += 2;
    switch (e) {
      case '\\': out.push_back('\\'); break;
      case '"': out.push_back('"'); break;
      case 'n': out.push_back('\n'); break;
      case 'r': out.push_back('\r'); break;
      case 't': out.push_back('\t'); break;
      case 'x': {
        const int hi = i < quoted.size() ? HexDigit(quoted[i]) : -1;
        const int lo = i + 1 < quoted.size() ? HexDigit(quoted[i + 1]) : -1;
        if (hi < 0 || lo < 0) throw SourceError(place, "\\x needs two hex digits");
        out.push_back(static_cast<uint8_t>(hi * 16 + lo));
        i += 2;
        break;
      }
      default: throw SourceError(place, std::string("unknown escape \\") + e);
    }
  }
  return out;
}

std::string EncodeText(const std::vector<uint8_t>& bytes) {
  std::string out = "\"";
  char hex[8];
  for (size_t i = 0; i < bytes.size(); ++i) {
    const uint8_t b = bytes[i];
    if (b >= kCp936First && i + 1 < bytes.size()) {
      const auto unit = Cp936PairToUnit(b, bytes[i + 1]);
      if (unit && !IsPrivateUse(*unit)) {
        AppendUtf8(out, *unit);
        ++i;
        continue;
      }
    }
    switch (b) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (b >= 0x20 && b < 0x7F) {
          out += static_cast<char>(b);
        } else {
          std::snprintf(hex, sizeof hex, "\\x%02X", b);
          out += hex;
        }
    }
  }
  return out + "\"";
}

std::vector<Token> Tokenize(std::string_view line, const SourcePlace& place) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '#') {
      break;  // comment to the end of the line
    } else if (c == '"') {
      size_t end = i + 1;
      while (end < line.size() && line[end] != '"') end += line[end] == '\\' ? 2 : 1;
      if (end >= line.size()) throw SourceError(place, "text without closing quote");
      Token t{TokenKind::Text, std::string(line.substr(i + 1, end - i - 1)), {}};
      t.bytes = DecodeText(t.spelling, place);
      tokens.push_back(std::move(t));
      i = end + 1;
    } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      size_t end = i;
      while (end < line.size() && (std::isalnum(static_cast<unsigned char>(line[end])) || line[end] == '_')) ++end;
      tokens.push_back({TokenKind::Word, std::string(line.substr(i, end - i)), {}});
      i = end;
    } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') {
      const bool hex = line.substr(i, 2) == "0x" || line.substr(i, 2) == "0X";
      size_t end = i;
      while (end < line.size()) {
        const char d = line[end];
        const bool sign = (d == '+' || d == '-') && !hex && end > i && (line[end - 1] == 'e' || line[end - 1] == 'E');
        if (!std::isalnum(static_cast<unsigned char>(d)) && d != '.' && !sign) break;
        ++end;
      }
      tokens.push_back({TokenKind::Number, std::string(line.substr(i, end - i)), {}});
      i = end;
    } else {
      static constexpr std::string_view kTwo[] = {">=", "<=", "=="};
      std::string spelling(1, c);
      for (std::string_view two : kTwo) {
        if (line.substr(i, 2) == two) spelling = two;
      }
      if (spelling.size() == 1 && std::string_view("()=,+-*/<>").find(c) == std::string_view::npos)
        throw SourceError(place, std::string("unexpected character '") + c + "'");
      tokens.push_back({TokenKind::Punct, spelling, {}});
      i += spelling.size();
    }
  }
  tokens.push_back({TokenKind::End, "end of line", {}});
  return tokens;
}

}  // namespace qv::vlbc
