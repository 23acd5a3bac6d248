// Word 97 documents ([MS-DOC]): the "WordDocument" stream (File Information Block, the text,
// one character and one paragraph property page), the "1Table" stream (style sheet, font
// table, section table, property bin tables, document properties, piece table, an empty
// command table) and the VBA project in the "Macros" storage.
#pragma once

#include <string>
#include <vector>

#include "writers/common/byte_sink.h"
#include "writers/ovba/vba_project.h"

namespace qv::writers {

struct WordDocument {
  std::vector<std::string> paragraphs;  // ASCII text, one entry per paragraph
  std::vector<ovba::ModuleSpec> modules;       // empty: no "Macros" storage
};

Bytes BuildWordDocument(const WordDocument& document);

// Offsets of the FIB fields the samples and their tests rely on.
namespace fib {
inline constexpr size_t kFlags = 0x0A;      // fWhichTblStm is bit 9
inline constexpr size_t kFcMin = 0x18;
inline constexpr size_t kFcMac = 0x1C;
inline constexpr size_t kCbMac = 0x40;
inline constexpr size_t kCcpText = 0x4C;
inline constexpr size_t kFcLcbBase = 0x9A;  // FibRgFcLcb97: fc/lcb pairs from here
inline constexpr size_t kFibBytes = 0x384;
// Indexes of fc/lcb pairs in FibRgFcLcb97.
inline constexpr size_t kStshf = 1, kPlcfSed = 6, kPlcfBteChpx = 12, kPlcfBtePapx = 13, kSttbfFfn = 15, kCmds = 24,
                        kDop = 31, kClx = 33;
inline constexpr size_t kPairCount = 93;
}  // namespace fib

}  // namespace qv::writers
