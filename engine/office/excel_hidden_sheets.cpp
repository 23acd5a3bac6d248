// The hidden-sheet pass: the formulas of every hidden worksheet and Excel 4 macro sheet are
// gathered from a copy of the "Workbook" stream and judged sheet by sheet.
#include "engine/office/excel_hidden_sheets.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "engine/common/capacities.h"
#include "engine/office/excel_biff.h"
#include "engine/office/excel_workbook.h"
#include "engine/office/excel_workbook_stream.h"
#include "engine/signature/signature_tables.h"
#include "engine/storage/doc_file.h"

namespace qv {
namespace {

static_assert(cap::kSheetNameUnits > 255, "a sheet name of 255 characters and its terminator fit");

// Marks `offset` as met; false when it was met before, or when the map has no bit for it
// (which ends the walk that asked, as a loop would).
bool FirstVisit(std::span<uint8_t> visitMap, uint32_t offset) {
  if (offset / 8 >= visitMap.size()) return false;
  uint8_t& byte = visitMap[offset / 8];
  const auto bit = static_cast<uint8_t>(1u << (offset % 8));
  if ((byte & bit) != 0) return false;
  byte = static_cast<uint8_t>(byte | bit);
  return true;
}

// Gathers the formulas of the sheet whose BOF lies at `position` into `buffer`: a Formula
// record is copied while the total gathered so far plus its own length stays below the
// buffer's size; its length counts either way, so once the limit has been passed nothing
// more of the sheet is copied. The number of bytes copied.
uint32_t GatherSheetFormulas(ByteReader stream, uint32_t position, std::span<uint8_t> visitMap, uint8_t* buffer) {
  constexpr uint32_t kLimit = cap::kFormulaBufferBytes;
  uint64_t gathered = 0;  // lengths of every Formula of the sheet
  uint32_t copied = 0;
  for (auto record = biff::BofAt(stream, position); record; record = biff::NextRecord(stream, *record)) {
    if (!FirstVisit(visitMap, record->offset)) break;
    if (record->id == biff::kEof) break;
    const auto tokens = biff::FormulaTokens(stream, *record);
    if (!tokens) continue;
    if (gathered + tokens->size() < kLimit) {
      tokens->Copy(0, buffer + copied, tokens->size());
      copied += static_cast<uint32_t>(tokens->size());
    }
    gathered += tokens->size();
  }
  return copied;
}

void NameSlot(HiddenSheetEntry& entry, int32_t ordinal, const biff::SheetName& name) {
  std::memset(entry.name, 0, sizeof entry.name);
  name.CopyTo(entry.name, cap::kSheetNameUnits);
  entry.ordinal = static_cast<int32_t>(HiddenSheetSlot(ordinal));
}

class MatcherJudge final : public FormulaJudge {
 public:
  explicit MatcherJudge(SignatureTables& tables) : tables_(tables) {}
  void Judge(const uint8_t* formulas, uint32_t length) override { MatchRules(formulas, length, tables_); }

 private:
  SignatureTables& tables_;
};

}  // namespace

uint32_t HiddenSheetSlot(int32_t ordinal) {
  constexpr auto kLast = static_cast<int32_t>(cap::kHiddenSheetEntries - 1);
  return static_cast<uint32_t>(std::clamp(ordinal, 0, kLast));
}

void WalkHiddenSheets(DocFile& doc, ByteReader stream, uint8_t* visitMap, FormulaJudge& judge) {
  doc.HiddenSheetOrdinal = 0;
  const std::span<uint8_t> map(visitMap, visitMap != nullptr ? (stream.size() + 7) / 8 : 0);
  uint64_t judgeable = stream.size();  // bytes the pass may still hand to the judge
  for (auto record = biff::RecordAt(stream, 0); record; record = biff::NextRecord(stream, *record)) {
    if (record->id == biff::kEof) break;  // only the globals substream is walked
    const auto sheet = biff::ReadBoundSheet(stream, *record);
    if (!sheet || !biff::IsHiddenFormulaSheet(*sheet)) continue;

    const int32_t ordinal = doc.HiddenSheetOrdinal;
    NameSlot(doc.HiddenSheetTable[HiddenSheetSlot(ordinal)], ordinal, sheet->name);
    const uint32_t copied = GatherSheetFormulas(stream, sheet->position, map, doc.FormulaBuffer);
    if (copied != 0 && copied <= judgeable) {
      judgeable -= copied;
      // A repair made during this call finds the sheet's name through HiddenSheetOrdinal.
      judge.Judge(doc.FormulaBuffer, copied);
    }
    doc.HiddenSheetOrdinal = ordinal + 1;
  }
}

int ScanHiddenSheets(DocFile& doc, SignatureTables& tables) {
  doc.ScanKind = 2;
  doc.HiddenSheetOrdinal = 0;
  WorkbookCopy copy(doc, /*withVisitMap=*/true);
  if (!copy.ok()) return 0;
  MatcherJudge judge(tables);
  // The walk goes on over the copy after a repair: it does not show the repair's changes.
  WalkHiddenSheets(doc, copy.reader(), copy.visitMap(), judge);
  return 1;
}

}  // namespace qv
