// Arbitrary bytes as each part the macro-sheet pass reads: workbook.xml and workbook.bin
// (sheets, and the repair's edit of each), a relationship part, a macro sheet in XML and in
// BIFF12. Beyond the sanitizers it checks: gathered formulas stay within their capacity,
// an edited workbook.bin is a whole record chain with fewer sheets, an edited workbook.xml
// reads back with fewer sheets.
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "engine/common/capacities.h"
#include "engine/zip/macro_sheet_package.h"
#include "engine/zip/macro_sheets.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool WholeChain(const std::string& part) {
  const qv::ByteReader reader(reinterpret_cast<const uint8_t*>(part.data()), part.size());
  for (uint64_t at = 0; at < part.size();) {
    const auto record = qv::zip::biff12::RecordAt(reader, at);
    if (!record) return false;
    at = record->dataOffset + record->length;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const qv::ByteReader reader(data, size);

  const auto xmlSheets = qv::zip::ReadWorkbookSheetsXml(bytes);
  const auto binSheets = qv::zip::ReadWorkbookSheetsBin(reader);
  Check(xmlSheets.size() <= qv::cap::kMaxWorkbookSheets && binSheets.size() <= qv::cap::kMaxWorkbookSheets);
  for (const auto& rel : qv::zip::ReadRelationships(bytes, "xl/")) Check(rel.target.find("//") == std::string::npos);
  Check(qv::zip::GatherFormulaTextXml(bytes).size() <= qv::cap::kMacroSheetFormulaBytes);
  Check(qv::zip::GatherFormulaTokensBin(reader).size() <= qv::cap::kMacroSheetFormulaBytes);

  std::set<std::string> ids;
  for (const auto& s : binSheets) ids.insert(s.relationshipId);
  if (!binSheets.empty()) {
    const std::set<std::string> one = {binSheets.front().relationshipId};
    if (const auto edited = qv::zip::WorkbookBinWithoutSheets(bytes, one)) {
      Check(WholeChain(*edited));
      const qv::ByteReader after(reinterpret_cast<const uint8_t*>(edited->data()), edited->size());
      Check(qv::zip::ReadWorkbookSheetsBin(after).size() < binSheets.size());
    }
  }
  if (!xmlSheets.empty()) {
    const std::set<std::string> one = {xmlSheets.front().relationshipId};
    if (const auto edited = qv::zip::WorkbookXmlWithoutSheets(bytes, one)) {
      Check(qv::zip::ReadWorkbookSheetsXml(*edited).size() < xmlSheets.size());
    }
  }
  return 0;
}
