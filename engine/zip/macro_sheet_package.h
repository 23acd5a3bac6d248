// Hidden Excel 4.0 macro sheets of an Open XML workbook (.xlsm, .xlsb): finding them and
// judging their formulas, and the rebuild that takes them out of the package.
#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace qv::zip {

struct HiddenMacroSheet {
  std::string sheetName;
  std::string relationshipId;
  std::string partName;  // "xl/macrosheets/sheet1.xml"
};

struct MacroSheetWorkbook {
  bool binary = false;         // xl/workbook.bin rather than xl/workbook.xml
  std::string workbookPart;
  std::string relationshipPart;
  std::vector<HiddenMacroSheet> sheets;  // the hidden and very hidden macro sheets
  // Why a part the pass needed (the workbook, its relationships, a hidden macro sheet) could
  // not be read ("too large", "damaged"); empty when every one was. Such a workbook is not clean.
  std::string notExamined;
};

using MacroSheetJudge = std::function<void(const HiddenMacroSheet& sheet, std::string_view formulas)>;

// Opens the package at `path`, reads its workbook part and relationships, and hands the
// gathered formulas of each hidden macro sheet that has any to `judge`, sheet by sheet.
// nullopt when the file is not a package with a workbook part; a workbook whose parts could
// not all be read comes back with notExamined set.
// The parts read are held to the package's budget (inflated bytes, time, a set `stop`) and
// to the inflate ratio of a package part; one past them is a part that could not be read.
std::optional<MacroSheetWorkbook> JudgeHiddenMacroSheets(const std::u16string& path, const MacroSheetJudge& judge,
                                                         const std::atomic<bool>* stop = nullptr);

// xl/workbook.xml without the <sheet> entries whose relationship ids are in `relationshipIds`,
// without the defined names that are local to those sheets or refer to them by name, with the
// remaining sheet indexes (localSheetId, activeTab, firstSheet) moved down to match. nullopt
// when the XML cannot be read or names none of the sheets.
std::optional<std::string> WorkbookXmlWithoutSheets(std::string_view xml, const std::set<std::string>& relationshipIds);

// The same for xl/workbook.bin: BrtBundleSh records of the sheets dropped, BrtName records
// local to them or referring to them through the workbook's sheet references dropped, and the
// remaining sheet indexes of names and sheet references moved down.
std::optional<std::string> WorkbookBinWithoutSheets(std::string_view part, const std::set<std::string>& relationshipIds);

enum class SheetRemoval { Replaced, Abandoned };

// Rebuilds the package beside the document without the given macro sheet parts, their own
// relationship parts, their relationships, content-type overrides, <sheet> entries and defined
// names, reads the result back and renames it over the document in one step. On every failure
// the document stays as it was and no rebuilt file is left behind. The caller keeps the
// quarantine copy of the whole document before calling. A package whose entries share bytes,
// whose local headers disagree with its directory or that declares more than the rebuild's
// bound is not rebuilt; every entry copied is charged to the package's budget, and a set
// `stop` ends the rebuild between chunks. With a quarantine folder, the rebuilt file is
// recorded there while it exists (a run killed meanwhile has the next one remove it).
SheetRemoval RebuildWithoutMacroSheets(const std::u16string& documentPath, const MacroSheetWorkbook& workbook,
                                       const std::vector<HiddenMacroSheet>& remove,
                                       const std::atomic<bool>* stop = nullptr,
                                       const std::u16string& quarantineDir = {});

}  // namespace qv::zip
