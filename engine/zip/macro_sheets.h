// Excel 4.0 macro sheets inside Open XML workbooks. The workbook part lists its sheets
// (xl/workbook.xml: <sheet name state r:id>; xl/workbook.bin: BrtBundleSh records) and its
// relationships lead to the sheet parts: xl/macrosheets/sheetN.xml, whose formulas are text in
// <f> elements, or xl/macrosheets/sheetN.bin, BIFF12 records whose formula cells carry rgce
// tokens. Only macro sheets the workbook marks hidden or veryHidden are judged, as in BIFF8
// workbooks. Every reader here takes the part's bytes and answers plain values; a damaged part
// gives what was read before the damage.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/common/byte_reader.h"

namespace qv::zip {

enum class SheetState { Visible, Hidden, VeryHidden };

struct WorkbookSheet {
  std::string name;
  std::string relationshipId;
  SheetState state = SheetState::Visible;
};

struct Relationship {
  std::string id;
  std::string type;    // the relationship type URI
  std::string target;  // resolved to a package entry name ("xl/macrosheets/sheet1.xml")
};

// The sheets of xl/workbook.xml in order; empty when the XML cannot be read.
std::vector<WorkbookSheet> ReadWorkbookSheetsXml(std::string_view xml);
// The sheets of xl/workbook.bin in order (BrtBundleSh records, up to the end of the part or the
// first damaged record).
std::vector<WorkbookSheet> ReadWorkbookSheetsBin(ByteReader part);
// The relationships of a relationship part whose source part lies in `sourceFolder` ("xl/").
std::vector<Relationship> ReadRelationships(std::string_view xml, std::string_view sourceFolder);
// True for the relationship types of Excel 4.0 macro sheets (xlMacrosheet, xlIntlMacrosheet).
bool IsMacroSheetRelationship(std::string_view type);

// The text of every <f> element of a macro sheet part, in document order, each followed by a
// line break, entities decoded; at most cap::kMacroSheetFormulaBytes bytes.
std::string GatherFormulaTextXml(std::string_view xml);
// What the matcher judges for a hidden macro sheet in XML form: the line
// "Excel 4.0 macro sheet NAME" (CR LF), then GatherFormulaTextXml of the part; empty when the
// sheet has no formula. The line keeps formula-text rules off VBA source and the like.
inline constexpr std::string_view kMacroSheetTextHeader = "Excel 4.0 macro sheet ";
std::string MacroSheetJudgeText(std::string_view sheetName, std::string_view xml);

// The rgce bytes of every formula cell record (BrtFmlaString, BrtFmlaNum, BrtFmlaBool,
// BrtFmlaError) of a BIFF12 sheet part, in record order; at most cap::kMacroSheetFormulaBytes.
std::string GatherFormulaTokensBin(ByteReader part);

// ---- BIFF12 records ---------------------------------------------------------------------
namespace biff12 {
inline constexpr uint32_t kBundleSheet = 0x9C;  // BrtBundleSh
inline constexpr uint32_t kName = 0x27;         // BrtName
inline constexpr uint32_t kFmlaString = 0x08;
inline constexpr uint32_t kFmlaNum = 0x09;
inline constexpr uint32_t kFmlaBool = 0x0A;
inline constexpr uint32_t kFmlaError = 0x0B;

struct Record {
  uint32_t id = 0;
  uint64_t offset = 0;      // of the record's header
  uint64_t dataOffset = 0;  // of its data
  uint32_t length = 0;      // of its data
};
// The record whose header starts at `offset`: the id is one or two bytes, the length one to
// four, seven bits each, low bits first. nullopt when it runs past the part.
std::optional<Record> RecordAt(ByteReader part, uint64_t offset);
}  // namespace biff12

}  // namespace qv::zip
