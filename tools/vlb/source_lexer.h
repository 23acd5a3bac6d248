// Tokens of one logical source line (continuation lines already joined): words, numbers,
// quoted texts (already decoded into code page 936 bytes) and punctuation.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/vlb/source_model.h"

namespace qv::vlbc {

enum class TokenKind { Word, Number, Text, Punct, End };

struct Token {
  TokenKind kind = TokenKind::End;
  std::string spelling;           // as written (for a Text: the raw source between the quotes)
  std::vector<uint8_t> bytes;     // a Text's decoded bytes
};

// Splits a line; throws SourceError on a bad character, escape or unterminated text.
std::vector<Token> Tokenize(std::string_view line, const SourcePlace& place);

// Quoted source text -> code page 936 bytes: \\ \" \n \r \t \xHH escapes, and UTF-8 characters
// outside ASCII mapped to their double-byte codes. Throws SourceError.
std::vector<uint8_t> DecodeText(std::string_view quoted, const SourcePlace& place);
// Bytes -> quoted source text that DecodeText turns back into the same bytes.
std::string EncodeText(const std::vector<uint8_t>& bytes);

}  // namespace qv::vlbc
