// The record work of the two workbook clean-ups. Both walk a copy of the stream that always
// matches the stream on disk, so a change made earlier in the walk is seen later in it.
#include "engine/office/excel_cleanup.h"

#include <cstring>

#include "engine/common/capacities.h"
#include "engine/office/excel_workbook_stream.h"

namespace qv {

// ---- WorkbookImage ----------------------------------------------------------------------

WorkbookImage::WorkbookImage(uint8_t* bytes, uint32_t size, WorkbookSink* sink)
    : bytes_(bytes), size_(size), sink_(sink), recordStarts_((static_cast<size_t>(size) + 7) / 8) {
  const ByteReader stream = reader();
  for (auto record = biff::RecordAt(stream, 0); record; record = biff::NextRecord(stream, *record)) {
    if (record->offset / 8 >= recordStarts_.size()) break;  // RecordAt keeps every record inside the stream
    recordStarts_[record->offset / 8] |= static_cast<uint8_t>(1u << (record->offset % 8));
  }
}

bool WorkbookImage::IsRecordStart(uint64_t offset) const {
  return offset < size_ && offset / 8 < recordStarts_.size() && (recordStarts_[offset / 8] & (1u << (offset % 8))) != 0;
}

bool WorkbookImage::InsideRecord(const biff::Record& record, uint64_t offset, uint64_t length) const {
  return IsRecordStart(record.offset) && InBounds(record.offset, biff::kHeaderBytes + uint64_t{record.length}, size_) &&
         offset >= record.offset && InBounds(offset - record.offset, length, biff::kHeaderBytes + uint64_t{record.length});
}

bool WorkbookImage::Put(uint64_t offset, const uint8_t* bytes, uint32_t length) {
  if (!InBounds(offset, length, size_)) {
    ++refusedWrites_;
    return false;
  }
  if (sink_ != nullptr && !sink_->Write(static_cast<uint32_t>(offset), bytes, length)) {
    ++failedWrites_;
    return false;
  }
  if (length != 0) std::memmove(bytes_ + offset, bytes, length);
  return true;
}

bool WorkbookImage::SetId(const biff::Record& record, uint16_t id) {
  if (!InsideRecord(record, record.offset, 2)) {
    ++refusedWrites_;
    return false;
  }
  uint8_t bytes[2];
  StoreU16(bytes, id);
  return Put(record.offset, bytes, 2);
}

bool WorkbookImage::WriteData(const biff::Record& record, uint32_t offset, const uint8_t* bytes, uint32_t length) {
  const uint64_t at = uint64_t{record.DataStart()} + offset;
  if (offset > record.length || !InsideRecord(record, at, length)) {
    ++refusedWrites_;
    return false;
  }
  return Put(at, bytes, length);
}

bool WorkbookImage::WriteDataU8(const biff::Record& record, uint32_t offset, uint8_t value) {
  return WriteData(record, offset, &value, 1);
}

bool WorkbookImage::WriteDataU16(const biff::Record& record, uint32_t offset, uint16_t value) {
  uint8_t bytes[2];
  StoreU16(bytes, value);
  return WriteData(record, offset, bytes, 2);
}

bool WorkbookImage::ZeroData(const biff::Record& record) {
  static constexpr uint8_t kZeros[0x10000] = {};
  return WriteData(record, 0, kZeros, record.length);
}

namespace {

// ---- CleanProjectRecords ----------------------------------------------------------------

// Zero-fills every Window2 record of the sheet whose BOF lies at `position`, up to its EOF.
// The walks of all sheets share one budget, so sheets that point into each other cannot
// make the clean-up walk the stream over and over.
void ClearSheetWindows(WorkbookImage& image, uint32_t position, biff::RecordBudget& budget) {
  const ByteReader stream = image.reader();
  const auto bof = image.IsRecordStart(position) ? biff::BofAt(stream, position) : std::nullopt;
  for (auto record = bof; record && budget.Take(); record = biff::NextRecord(stream, *record)) {
    if (record->id == biff::kEof) break;
    if (record->id == biff::kWindow2) image.ZeroData(*record);
  }
}

// Auto_Activate and Auto_Deactivate become Print_Area, which runs nothing.
void DisableAutomaticName(WorkbookImage& image, const biff::Record& record) {
  const ByteReader data = biff::RecordData(image.reader(), record);
  const auto flags = data.U16(biff::kNameFlags);
  const auto code = data.U8(biff::kNameFirstChar);
  if (!flags || !code || (*flags & biff::kNameBuiltin) == 0) return;
  if (*code != biff::kAutoActivate && *code != biff::kAutoDeactivate) return;
  image.WriteDataU16(record, biff::kNameReserved3, 0);
  image.WriteDataU16(record, biff::kNameSheetIndex, 0);
  image.WriteDataU8(record, biff::kNameFirstChar, biff::kPrintArea);
}

}  // namespace

void CleanProjectRecords(WorkbookImage& image, std::u16string_view moduleName) {
  const ByteReader stream = image.reader();
  biff::RecordBudget sheetWalks(biff::MaxRecords(image.size()));
  uint16_t substream = 0;  // type of the last BOF met
  for (auto record = biff::RecordAt(stream, 0); record; record = biff::NextRecord(stream, *record)) {
    const uint16_t id = record->id;
    if (id == biff::kEof) break;  // the first EOF closes the globals
    if ((id & 0x00FF) == (biff::kBof & 0x00FF)) {
      // Any id with the BOF's low byte counts as a BOF here; a substream type other than
      // globals or worksheet becomes worksheet.
      if (const auto type = biff::RecordData(stream, *record).U16(biff::kBofType)) {
        if (*type != biff::kGlobalsSubstream && *type != biff::kWorksheetSubstream) {
          image.WriteDataU16(*record, biff::kBofType, biff::kWorksheetSubstream);
        }
        substream = *type;
      }
    }
    if (substream == biff::kGlobalsSubstream && (id == biff::kObProj || id == biff::kCodeName)) {
      image.SetId(*record, biff::kDate1904);  // length and data stay
      continue;
    }
    if (substream == biff::kGlobalsSubstream && id == biff::kLbl) {
      DisableAutomaticName(image, *record);
      continue;
    }
    if (const auto sheet = biff::ReadBoundSheet(stream, *record); sheet && sheet->name.EqualsFoldingAscii(moduleName)) {
      image.WriteDataU8(*record, biff::kSheetType, biff::kWorksheet);
      ClearSheetWindows(image, sheet->position, sheetWalks);
    }
  }
}

// ---- CleanSheetRecords ------------------------------------------------------------------

namespace {

// The first BoundSheet8 after the globals BOF, or where the capped search stopped; nullopt
// when an EOF or FilePass comes first (an encrypted workbook is left alone) or a record
// does not fit.
std::optional<biff::Record> FindSheetList(ByteReader stream, biff::Record bof) {
  std::optional<biff::Record> record = bof;
  for (uint32_t n = 0; n < cap::kSheetListSearchRecords; ++n) {
    record = biff::NextRecord(stream, *record);
    if (!record || record->id == biff::kEof || record->id == biff::kFilePass) return std::nullopt;
    if (record->id == biff::kBoundSheet8) break;
  }
  return record;
}

// The BoundSheet8 of the hidden sheet named exactly `sheetName`, looked for over a capped
// number of records from `start`.
std::optional<biff::Record> FindHiddenSheet(ByteReader stream, biff::Record start, std::u16string_view sheetName) {
  std::optional<biff::Record> record = start;
  for (uint32_t n = 0; n < cap::kSheetSearchRecords && record; ++n, record = biff::NextRecord(stream, *record)) {
    const auto sheet = biff::ReadBoundSheet(stream, *record);
    if (sheet && biff::IsHiddenFormulaSheet(*sheet) && sheet->name.Equals(sheetName)) return record;
  }
  return std::nullopt;
}

// Rewrites the sheet's Formula records as zero-filled Lbl records of the same length, up to
// 512 of them; the search ends at the EOF or at the 258th other record in a row.
void NeutraliseFormulas(WorkbookImage& image, const biff::Record& bof) {
  const ByteReader stream = image.reader();
  uint32_t rewritten = 0;
  uint32_t othersInARow = 0;
  for (auto record = biff::NextRecord(stream, bof); record && rewritten < cap::kNeutralisedFormulas;
       record = biff::NextRecord(stream, *record)) {
    if (record->id == biff::kEof) break;
    if (record->id != biff::kFormula) {
      if (++othersInARow >= cap::kFormulaGapRecords) break;
      continue;
    }
    othersInARow = 0;
    ++rewritten;
    image.SetId(*record, biff::kLbl);
    image.ZeroData(*record);
  }
}

// Zero-fills the data of every built-in name of the globals. The automatic names (Auto_Open,
// Auto_Close, Auto_Activate, Auto_Deactivate) are built-in names and go with the rest, so no
// name code is left that could still start a macro.
void ClearBuiltinNames(WorkbookImage& image) {
  const ByteReader stream = image.reader();
  auto record = biff::RecordAt(stream, 0);
  for (uint32_t n = 0; n < cap::kGlobalsNameWalkRecords && record; ++n, record = biff::NextRecord(stream, *record)) {
    if (record->id == biff::kEof) break;
    if (record->id != biff::kLbl) continue;
    const auto flags = biff::RecordData(stream, *record).U16(biff::kNameFlags);
    if (flags && (*flags & biff::kNameBuiltin) != 0) image.ZeroData(*record);
  }
}

}  // namespace

bool CleanSheetRecords(WorkbookImage& image, std::u16string_view sheetName) {
  const ByteReader stream = image.reader();
  const auto globals = biff::BofAt(stream, 0);
  if (!globals) return false;
  const auto list = FindSheetList(stream, *globals);
  if (!list) return false;
  const auto boundSheet = FindHiddenSheet(stream, *list, sheetName);
  if (!boundSheet) return false;
  const uint32_t position = biff::ReadBoundSheet(stream, *boundSheet)->position;

  image.WriteDataU8(*boundSheet, biff::kSheetType, biff::kWorksheet);
  const auto bof = image.IsRecordStart(position) ? biff::BofAt(stream, position) : std::nullopt;
  if (!bof) return false;
  // Only the low byte of the substream type is written: a macro sheet becomes a worksheet.
  if (!image.WriteDataU8(*bof, biff::kBofType, static_cast<uint8_t>(biff::kWorksheetSubstream))) return false;
  NeutraliseFormulas(image, *bof);
  ClearBuiltinNames(image);
  return image.failedWrites() == 0;
}

}  // namespace qv
