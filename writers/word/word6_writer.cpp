#include "writers/word/word6_writer.h"

#include "writers/cfb/compound_writer.h"

namespace qv::writers {
namespace {

constexpr size_t kTextStart = 0x300;   // fcMin: the text follows the FIB
constexpr uint16_t kNFib = 0x0065;     // Word 6.0
constexpr uint8_t kDescriptorFlag = 0x55;

// FIB fields of a plain (not complex, not encrypted) Word 6 document.
void PutFib(Bytes& out, const Word6Document& document, uint32_t textLength) {
  SetU16(out, 0x00, document.wIdent);  // wIdent
  SetU16(out, 0x02, kNFib);            // nFib
  SetU16(out, 0x06, 0x0409);           // lid: English (US)
  SetU16(out, 0x0C, kNFib);            // nFibBack
  SetU32(out, 0x18, static_cast<uint32_t>(kTextStart));               // fcMin
  SetU32(out, 0x1C, static_cast<uint32_t>(kTextStart + textLength));  // fcMac
  SetU32(out, 0x34, textLength);       // ccpText
}

// The macro table: FF, the descriptor list, the name records, the end marker.
Bytes MacroTable(const Word6Document& document, const std::vector<uint32_t>& textOffsets) {
  Bytes table;
  PutU8(table, 0xFF);
  PutU8(table, 0x01);
  PutU16(table, static_cast<uint16_t>(document.macros.size()));
  for (size_t i = 0; i < document.macros.size(); ++i) {
    const auto& macro = document.macros[i];
    const bool last = i + 1 == document.macros.size();
    PutU8(table, kDescriptorFlag);
    PutU8(table, macro.key);                           // key byte
    PutU16(table, static_cast<uint16_t>(i + 1));       // name index
    PutU16(table, 0xFFFF);                             // no menu help
    PutU16(table, last ? 0x0000 : 0xFFFF);             // continuation marker
    PutU32(table, 0);
    PutU32(table, static_cast<uint32_t>(macro.text.size()));  // text length
    PutU32(table, 0);                                  // state
    PutU32(table, textOffsets[i]);                     // text offset
  }
  PutU8(table, 0x10);
  PutU16(table, static_cast<uint16_t>(document.macros.size()));
  for (size_t i = 0; i < document.macros.size(); ++i) {
    const auto& name = document.macros[i].name;
    PutU16(table, static_cast<uint16_t>(i + 1));       // the index the descriptor names
    PutU8(table, static_cast<uint8_t>(name.size()));
    PutText(table, name);
    PutU8(table, 0);
  }
  PutU8(table, 0x40);
  return table;
}

}  // namespace

Word6Stream BuildWord6Stream(const Word6Document& document) {
  Word6Stream out;
  Bytes& s = out.bytes;
  s.assign(kTextStart, 0);
  const std::string text = document.text + "\r";
  PutText(s, text);
  PadTo(s, 16);

  // Macro texts first, then the table that points at them.
  for (const auto& macro : document.macros) {
    out.textOffsets.push_back(static_cast<uint32_t>(s.size()));
    for (uint8_t b : macro.text) PutU8(s, macro.key != 0 ? static_cast<uint8_t>(b ^ macro.key) : b);
  }
  const Bytes table = MacroTable(document, out.textOffsets);
  out.tableOffset = static_cast<uint32_t>(s.size());
  out.tableLength = static_cast<uint32_t>(table.size());
  PutBytes(s, table);
  PadAtLeast(s, 4096);  // a regular stream, outside the mini stream
  PadTo(s, 512);

  PutFib(s, document, static_cast<uint32_t>(text.size()));
  SetU32(s, word6::kMacroTableOffset, out.tableOffset);
  SetU32(s, word6::kMacroTableLength, out.tableLength);
  return out;
}

Bytes BuildWord6Document(const Word6Document& document) {
  CfbBuilder writer;
  writer.AddStream("WordDocument", BuildWord6Stream(document).bytes);
  return writer.Build();
}

}  // namespace qv::writers
