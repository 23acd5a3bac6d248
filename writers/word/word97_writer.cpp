#include "writers/word/word97_writer.h"

#include "writers/cfb/compound_writer.h"

namespace qv::writers {
namespace {

constexpr uint32_t kPage = 512;
constexpr uint32_t kTextStart = 0x400;     // the text follows the FIB's block
constexpr size_t kMinimumStream = 4096;    // keeps the main stream out of the mini stream

struct FcLcb {
  uint32_t fc = 0, lcb = 0;
};

// Appends `part` to the table stream and answers where it went.
FcLcb Append(Bytes& table, const Bytes& part) {
  FcLcb at{static_cast<uint32_t>(table.size()), static_cast<uint32_t>(part.size())};
  PutBytes(table, part);
  return at;
}

void PutXstz(Bytes& out, const std::string& name) {  // count, UTF-16 characters, terminator
  PutU16(out, static_cast<uint16_t>(name.size()));
  PutUtf16(out, name);
  PutU16(out, 0);
}

// One STD: StdfBase (sti, stk + istdBase, cupx + istdNext, bchUpe, grfstd), the name, then
// the UPX list (a paragraph style has the paragraph UPX with its istd, then the character UPX).
Bytes Style(uint16_t sti, bool paragraph, uint16_t istd, uint16_t istdNext, const std::string& name) {
  Bytes std;
  PutU16(std, sti);
  PutU16(std, static_cast<uint16_t>((paragraph ? 1 : 2) | (0xFFF << 4)));  // no base style
  PutU16(std, static_cast<uint16_t>((paragraph ? 2 : 1) | (istdNext << 4)));
  PutU16(std, 0);  // bchUpe, set below
  PutU16(std, 0);  // grfstd
  PutXstz(std, name);
  if (paragraph) {
    PutU16(std, 2);     // UpxPapx: cbUpx, istd
    PutU16(std, istd);
  }
  PutU16(std, 0);       // UpxChpx: no character properties
  SetU16(std, 6, static_cast<uint16_t>(std.size()));
  return std;
}

Bytes StyleSheet() {
  constexpr uint16_t kStyles = 15;  // istd 0-14 are the fixed slots
  Bytes s;
  PutU16(s, 18);       // cbStshi
  PutU16(s, kStyles);  // cstd
  PutU16(s, 10);       // cbSTDBaseInFile
  PutU16(s, 1);        // fStdStylenamesWritten
  PutU16(s, kStyles);  // stiMaxWhenSaved
  PutU16(s, kStyles);  // istdMaxFixedWhenSaved
  PutU16(s, 0);        // nVerBuiltInNamesWhenSaved
  for (int i = 0; i < 3; ++i) PutU16(s, 0);  // rgftcStandardChpStsh: font 0
  for (uint16_t istd = 0; istd < kStyles; ++istd) {
    Bytes std;
    if (istd == 0) std = Style(0, true, 0, 0, "Normal");
    if (istd == 10) std = Style(65, false, 10, 10, "Default Paragraph Font");
    PutU16(s, static_cast<uint16_t>(std.size()));  // cbStd; 0 for an empty slot
    PutBytes(s, std);
  }
  return s;
}

Bytes FontTable() {
  Bytes ffn;
  PutU8(ffn, 0x16);   // ffid: variable pitch, TrueType, roman family
  PutU16(ffn, 400);   // wWeight
  PutU8(ffn, 0);      // chs: ANSI
  PutU8(ffn, 0);      // ixchSzAlt: no alternative name
  for (uint8_t b : {2, 2, 6, 3, 5, 4, 5, 2, 3, 4}) PutU8(ffn, b);  // panose
  ffn.resize(ffn.size() + 24, 0);  // font signature
  PutUtf16(ffn, "Times New Roman");
  PutU16(ffn, 0);
  Bytes t;
  PutU16(t, 1);  // cData
  PutU16(t, 0);  // cbExtra
  PutU8(t, static_cast<uint8_t>(ffn.size()));
  PutBytes(t, ffn);
  return t;
}

// A PLC of two CPs (or FCs) and one data element.
Bytes Plc(uint32_t first, uint32_t last, const Bytes& element) {
  Bytes p;
  PutU32(p, first);
  PutU32(p, last);
  PutBytes(p, element);
  return p;
}

Bytes Dop() {
  Bytes d(500, 0);  // Dop97
  SetU16(d, 0x0A, 720);  // dxaTab: default tab stop, half an inch
  return d;
}

Bytes CharacterPage(uint32_t fcFirst, uint32_t fcLim) {
  Bytes page(kPage, 0);
  SetU32(page, 0, fcFirst);
  SetU32(page, 4, fcLim);
  page[8] = 0;            // rgb[0]: no CHPX, the style's properties
  page[kPage - 1] = 1;    // crun
  return page;
}

Bytes ParagraphPage(const std::vector<uint32_t>& bounds) {  // bounds: each paragraph's first FC, then the end
  Bytes page(kPage, 0);
  const size_t count = bounds.size() - 1;
  for (size_t i = 0; i < bounds.size(); ++i) SetU32(page, 4 * i, bounds[i]);
  constexpr size_t kPapxAt = 0x1FA;  // PapxInFkp: cb 0, cb' 1, istd 0 (Normal)
  page[kPapxAt] = 0;
  page[kPapxAt + 1] = 1;
  for (size_t i = 0; i < count; ++i) page[4 * bounds.size() + 13 * i] = kPapxAt / 2;  // BxPap.bOffset
  page[kPage - 1] = static_cast<uint8_t>(count);  // cpara
  return page;
}

}  // namespace

Bytes BuildWordDocument(const WordDocument& document) {
  // The text: each paragraph ends with a paragraph mark.
  std::string text;
  std::vector<uint32_t> bounds{kTextStart};
  for (const std::string& p : document.paragraphs) {
    text += p + "\r";
    bounds.push_back(kTextStart + 2 * static_cast<uint32_t>(text.size()));
  }
  const uint32_t ccpText = static_cast<uint32_t>(text.size());
  const uint32_t fcMac = kTextStart + 2 * ccpText;

  Bytes word(kTextStart, 0);
  PutUtf16(word, text);
  PadTo(word, kPage);
  const uint32_t pnChpx = static_cast<uint32_t>(word.size() / kPage);
  PutBytes(word, CharacterPage(kTextStart, fcMac));
  const uint32_t pnPapx = static_cast<uint32_t>(word.size() / kPage);
  PutBytes(word, ParagraphPage(bounds));
  const uint32_t cbMac = static_cast<uint32_t>(word.size());
  PadAtLeast(word, kMinimumStream);

  Bytes table;
  FcLcb pairs[fib::kPairCount];
  pairs[fib::kStshf] = Append(table, StyleSheet());
  Bytes pn;
  PutU32(pn, pnChpx);
  pairs[fib::kPlcfBteChpx] = Append(table, Plc(kTextStart, fcMac, pn));
  pn.clear();
  PutU32(pn, pnPapx);
  pairs[fib::kPlcfBtePapx] = Append(table, Plc(kTextStart, fcMac, pn));
  pairs[fib::kSttbfFfn] = Append(table, FontTable());
  Bytes sed;
  PutU16(sed, 0);           // fn
  PutU32(sed, 0xFFFFFFFF);  // fcSepx: no section properties, the defaults
  PutU16(sed, 0);           // fnMpr
  PutU32(sed, 0xFFFFFFFF);  // fcMpr
  pairs[fib::kPlcfSed] = Append(table, Plc(0, ccpText, sed));
  pairs[fib::kDop] = Append(table, Dop());
  Bytes pcd;
  PutU16(pcd, 0);           // flags
  PutU32(pcd, kTextStart);  // fc: 16-bit characters (fCompressed clear)
  PutU16(pcd, 0);           // prm: none
  Bytes clx{0x02};          // Pcdt
  PutU32(clx, 16);          // lcb of the PlcPcd
  PutBytes(clx, Plc(0, ccpText, pcd));
  pairs[fib::kClx] = Append(table, clx);
  pairs[fib::kCmds] = Append(table, Bytes{0xFF, 0x40});  // Tcg: version 0xFF, nothing, end

  // FIB: FibBase, FibRgW97, FibRgLw97, FibRgFcLcb97, cswNew.
  SetU16(word, 0x00, 0xA5EC);  // wIdent
  SetU16(word, 0x02, 0x00C1);  // nFib: Word 97
  SetU16(word, 0x06, 0x0409);  // lid
  SetU16(word, fib::kFlags, 0x1200);  // fWhichTblStm (1Table), fExtChar
  SetU16(word, 0x0C, 0x00BF);  // nFibBack
  SetU32(word, fib::kFcMin, kTextStart);
  SetU32(word, fib::kFcMac, fcMac);
  SetU16(word, 0x20, 14);      // csw
  SetU16(word, 0x3E, 22);      // cslw
  SetU32(word, fib::kCbMac, cbMac);
  SetU32(word, fib::kCcpText, ccpText);
  SetU16(word, 0x98, fib::kPairCount);  // cbRgFcLcb
  for (size_t i = 0; i < fib::kPairCount; ++i) {
    SetU32(word, fib::kFcLcbBase + 8 * i, pairs[i].fc);
    SetU32(word, fib::kFcLcbBase + 8 * i + 4, pairs[i].lcb);
  }
  SetU16(word, fib::kFcLcbBase + 8 * fib::kPairCount, 0);  // cswNew

  CfbBuilder file;
  file.SetClassId("", {0x06, 0x09, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0, 0, 0, 0, 0, 0, 0x46});  // Word document
  file.AddStream("WordDocument", std::move(word));
  file.AddStream("1Table", std::move(table));
  if (!document.modules.empty()) {
    for (ovba::ProjectStream& s : ovba::BuildVbaProject(document.modules, "Project").streams) {
      file.AddStream("Macros/" + s.path, std::move(s.bytes));
    }
  }
  return file.Build();
}

}  // namespace qv::writers
