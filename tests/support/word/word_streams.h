// Word streams for the repair tests, laid out on recognisable filler so that stray writes
// show: a Word 97 "WordDocument" with only the FIB fields of the command table, and a Word
// 6/95 "WordDocument" carrying a macro table whose lengths and markers may lie. Whole
// documents as Word writes them come from writers/word; these use its field offsets.
#pragma once

#include <cstdint>
#include <vector>

namespace qv::test {

// A Word 97 "WordDocument" stream of `size` bytes (at least 0x162): wIdent, fcCmds, lcbCmds;
// every other byte is a recognisable filler so that stray writes show.
std::vector<uint8_t> Word97DocumentStream(uint32_t fcCmds, uint32_t lcbCmds, uint32_t size = 4096,
                                          uint16_t wIdent = 0xA5EC);

// A "1Table"/"0Table" stream of `size` bytes with a command table at `fcCmds`.
std::vector<uint8_t> WordTableStream(uint32_t size, uint32_t fcCmds);

struct Word6Macro {
  uint32_t textLength;  // the descriptor's length field
  uint16_t marker;      // continuation marker: 0xFFFF goes on to the next descriptor
};

struct Word6Layout {
  std::vector<uint8_t> stream;          // the whole "WordDocument" stream
  uint32_t tableOffset = 0;             // FIB 0x118
  std::vector<uint32_t> textOffsets;    // where each macro's text lies in the stream
};

// A Word 6/95 "WordDocument": FIB with the macro table offset and length, the table (FF 01,
// count, 24-byte descriptors) and each macro text filled with 'M'. `tableLengthField`
// overrides the length written at 0x11C when nonzero.
Word6Layout Word6DocumentStream(const std::vector<Word6Macro>& macros, uint32_t tableLengthField = 0,
                                uint16_t wIdent = 0xA5DC);

}  // namespace qv::test
