#include "tests/support/word/word_streams.h"

#include <algorithm>
#include <stdexcept>

#include "writers/word/word6_writer.h"
#include "writers/word/word97_writer.h"

namespace qv::test {
namespace {

void Put16(std::vector<uint8_t>& out, size_t at, uint16_t v) {
  out.at(at) = static_cast<uint8_t>(v);
  out.at(at + 1) = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
}
std::vector<uint8_t> Filler(uint32_t size, uint8_t seed) {
  std::vector<uint8_t> out(size);
  for (uint32_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>(seed + i * 7);
  return out;
}

}  // namespace

std::vector<uint8_t> Word97DocumentStream(uint32_t fcCmds, uint32_t lcbCmds, uint32_t size, uint16_t wIdent) {
  if (size < 0x162) throw std::invalid_argument("a Word 97 FIB needs 0x162 bytes");
  std::vector<uint8_t> out = Filler(size, 0x11);
  Put16(out, 0x0000, wIdent);   // wIdent
  const size_t cmds = writers::fib::kFcLcbBase + 8 * writers::fib::kCmds;
  Put32(out, cmds, fcCmds);       // fcCmds: command table offset in the table stream
  Put32(out, cmds + 4, lcbCmds);  // lcbCmds: its length
  return out;
}

std::vector<uint8_t> WordTableStream(uint32_t size, uint32_t fcCmds) {
  std::vector<uint8_t> out = Filler(size, 0x33);
  if (fcCmds + 4 <= size) {
    out[fcCmds] = 0xFF;      // Tcg version
    out[fcCmds + 1] = 0x12;  // some command table content
    out[fcCmds + 2] = 0x34;
    out[fcCmds + 3] = 0x40;
  }
  return out;
}

Word6Layout Word6DocumentStream(const std::vector<Word6Macro>& macros, uint32_t tableLengthField, uint16_t wIdent) {
  Word6Layout layout;
  layout.tableOffset = 0x400;
  using namespace writers::word6;
  const auto tableBytes = static_cast<uint32_t>(kDescriptorsAt + kDescriptorBytes * macros.size());
  uint32_t textAt = layout.tableOffset + std::max<uint32_t>(tableBytes, 64);
  uint32_t size = textAt;
  for (const auto& m : macros) {
    layout.textOffsets.push_back(size);
    size += std::min<uint32_t>(m.textLength, 40000) + 16;  // texts longer than the stream are cut
  }
  size = std::max<uint32_t>(size + 64, 0x600);
  layout.stream = Filler(size, 0x55);
  std::vector<uint8_t>& s = layout.stream;
  Put16(s, 0x0000, wIdent);                                        // wIdent of Word 6/95
  Put32(s, kMacroTableOffset, layout.tableOffset);
  Put32(s, kMacroTableLength, tableLengthField != 0 ? tableLengthField : tableBytes);
  s[layout.tableOffset] = 0xFF;                                    // table start
  s[layout.tableOffset + 1] = 0x01;                                // record: macro descriptors
  Put16(s, layout.tableOffset + 2, static_cast<uint16_t>(macros.size()));  // count
  for (size_t i = 0; i < macros.size(); ++i) {
    const size_t d = layout.tableOffset + kDescriptorsAt + kDescriptorBytes * i;
    std::fill(s.begin() + d, s.begin() + d + kDescriptorBytes, 0);
    Put16(s, d + kDescriptorMarker, macros[i].marker);
    Put32(s, d + kDescriptorTextLength, macros[i].textLength);
    Put32(s, d + kDescriptorTextOffset, layout.textOffsets[i]);
    const uint32_t present = std::min<uint32_t>(macros[i].textLength, 40000);
    std::fill(s.begin() + layout.textOffsets[i], s.begin() + layout.textOffsets[i] + present, 'M');
  }
  return layout;
}

}  // namespace qv::test
