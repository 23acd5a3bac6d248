// WordBasic macros of Word 6.0/95 documents. They live in the macro table inside the
// "WordDocument" stream: the FIB gives the table's offset (0x118) and length (0x11C); the
// table begins with the byte 0xFF and holds records that each start with a type byte:
//   0x01  macro descriptors: a 16-bit count, then 24 bytes per macro (key byte at 1, name
//         index at 2, text length at 12, text offset within the stream at 20)
//   0x02  key assignments: a 16-bit count, then 4 bytes each
//   0x03  menu additions: a 16-bit count, then 12 bytes each
//   0x10  macro names: a 16-bit count, then per name a 16-bit index, a length byte, the
//         8-bit characters and a zero byte
//   0x40  end of the table
// Every record must lie inside the table's length. A macro's text is its tokenised WordBasic,
// each byte combined with the descriptor's key byte by exclusive or when the key is not zero.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "engine/common/byte_reader.h"

namespace qv {

struct DocFile;
struct SignatureTables;

// One macro as the matcher judges it: the line "WordBasic macro NAME\r\n" followed by the
// decoded text bytes.
struct WordBasicMacro {
  std::string name;        // from the name records; empty when the table names none
  uint8_t key = 0;         // the descriptor's key byte (0: the text is stored as it is)
  uint32_t textOffset = 0;
  uint32_t textLength = 0; // the bytes taken, at most cap::kWord6MacroTextBytes
};

inline constexpr std::string_view kWordBasicHeader = "WordBasic macro ";

// Walks the macro table of the whole "WordDocument" stream `stream` and calls `visit` with
// each macro and its decoded judge text, in descriptor order. A table outside the stream, a
// descriptor list or name record that runs past the table's length, or a record type not
// listed above ends the walk before any macro is visited; a macro whose text lies outside
// the stream ends it there. The number of macros visited.
uint32_t ForEachWordBasicMacro(ByteReader stream,
                               const std::function<void(const WordBasicMacro&, std::string_view)>& visit);

// The macro pass of Word 6.0/95 documents (DocumentKind 1): each macro's judge text goes to
// MatchRules on its own. Sets ScanKind to 3. 1 when the macro table was walked.
int ScanWordBasicMacros(DocFile& doc, SignatureTables& tables);

}  // namespace qv
