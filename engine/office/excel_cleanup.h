// The two workbook clean-ups over a copy of the "Workbook" stream, apart from where the copy
// comes from: every change is made in the copy and written through to a sink (the stream
// on disk in the engine). Changes are only ever made inside one record of the stream's
// record chain (the records that follow one another from offset 0) — its id or its data —
// so no record changes its length and the stream keeps its size.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/common/byte_reader.h"
#include "engine/office/excel_biff.h"

namespace qv {

class WorkbookSink;

// The stream bytes being cleaned. The copy always shows what the sink holds: a change the
// sink refuses is not made in the copy either.
class WorkbookImage {
 public:
  // `sink` may be null (the copy alone is changed).
  WorkbookImage(uint8_t* bytes, uint32_t size, WorkbookSink* sink);

  ByteReader reader() const { return ByteReader(bytes_, size_); }
  uint32_t size() const { return size_; }
  // True when a record of the chain from offset 0 starts at `offset`. A substream that a
  // BoundSheet8 points to is only changed when its BOF lies on the chain, so a lbPlyPos
  // into the middle of other records can never make a change straddle them.
  bool IsRecordStart(uint64_t offset) const;

  // Overwrites the record's id.
  bool SetId(const biff::Record& record, uint16_t id);
  // Overwrites data bytes [offset, offset + length) of the record.
  bool WriteData(const biff::Record& record, uint32_t offset, const uint8_t* bytes, uint32_t length);
  bool WriteDataU8(const biff::Record& record, uint32_t offset, uint8_t value);
  bool WriteDataU16(const biff::Record& record, uint32_t offset, uint16_t value);
  // Overwrites the whole data of the record with zeros.
  bool ZeroData(const biff::Record& record);

  // Changes that did not reach the sink.
  uint32_t failedWrites() const { return failedWrites_; }
  // Changes asked for outside a record of the chain (a fault of the caller).
  uint32_t refusedWrites() const { return refusedWrites_; }

 private:
  bool Put(uint64_t offset, const uint8_t* bytes, uint32_t length);
  bool InsideRecord(const biff::Record& record, uint64_t offset, uint64_t length) const;

  uint8_t* bytes_;
  uint32_t size_;
  WorkbookSink* sink_;
  std::vector<uint8_t> recordStarts_;  // one bit per stream offset
  uint32_t failedWrites_ = 0;
  uint32_t refusedWrites_ = 0;
};

// The globals part of CleanWorkbookProject: walks the globals substream up to its EOF;
// ObProj and CodeName records take the Date1904 id, the built-in names Auto_Activate and
// Auto_Deactivate become Print_Area with their reserved3 and itab fields zeroed, and every
// BoundSheet8 whose name equals `moduleName` (letters A-Z without regard to case) gets dt 0
// and zeroed Window2 records in its substream.
void CleanProjectRecords(WorkbookImage& image, std::u16string_view moduleName);

// CleanHiddenSheet over the stream: finds the hidden sheet named exactly `sheetName` in the
// sheet list (none when an EOF or FilePass comes first), sets its dt to 0 and its BOF type to
// worksheet, rewrites up to 512 of its Formula records as zero-filled Lbl records, then
// clears the data of every built-in name of the globals. True when the sheet was found and
// its BOF rewritten.
bool CleanSheetRecords(WorkbookImage& image, std::u16string_view sheetName);

}  // namespace qv
