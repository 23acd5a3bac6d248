// The BIFF8 record model shared by the workbook scan and the workbook repairs: record ids,
// field offsets, and checked views of records inside a copy of the "Workbook" stream.
//
// A record is a 16-bit id, a 16-bit data length and that many data bytes. Field offsets
// below count from the start of the data, after the 4-byte header. A record is only ever
// looked at when its header and its whole data lie inside the stream, and a field only when
// it lies inside its record's data.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "engine/common/byte_reader.h"

namespace qv::biff {

inline constexpr uint32_t kHeaderBytes = 4;

// ---- record ids ----
inline constexpr uint16_t kBof = 0x0809;
inline constexpr uint16_t kEof = 0x000A;
inline constexpr uint16_t kBoundSheet8 = 0x0085;
inline constexpr uint16_t kFormula = 0x0006;
inline constexpr uint16_t kLbl = 0x0018;
inline constexpr uint16_t kObProj = 0x00D3;
inline constexpr uint16_t kCodeName = 0x01BA;
inline constexpr uint16_t kDate1904 = 0x0022;
inline constexpr uint16_t kWindow2 = 0x023E;
inline constexpr uint16_t kFilePass = 0x002F;

// ---- BOF ----
inline constexpr uint32_t kBofVersion = 0;  // u16
inline constexpr uint32_t kBofType = 2;     // u16: substream type
inline constexpr uint16_t kGlobalsSubstream = 0x0005;
inline constexpr uint16_t kWorksheetSubstream = 0x0010;
inline constexpr uint16_t kChartSubstream = 0x0020;
inline constexpr uint16_t kMacroSheetSubstream = 0x0040;

// ---- BoundSheet8 ----
inline constexpr uint32_t kSheetPosition = 0;   // u32 lbPlyPos: stream offset of the sheet's BOF
inline constexpr uint32_t kSheetState = 4;      // u8 hsState: visibility in the low 2 bits
inline constexpr uint32_t kSheetType = 5;       // u8 dt
inline constexpr uint32_t kSheetNameLength = 6; // u8 cch, in characters
inline constexpr uint32_t kSheetNameFlags = 7;  // u8 fHighByte: bit 0 set for 16-bit characters
inline constexpr uint32_t kSheetName = 8;
inline constexpr uint8_t kVisible = 0;
inline constexpr uint8_t kHidden = 1;
inline constexpr uint8_t kVeryHidden = 2;
inline constexpr uint8_t kWorksheet = 0;
inline constexpr uint8_t kMacroSheet = 1;
inline constexpr uint8_t kChartSheet = 2;
inline constexpr uint8_t kVbaModuleSheet = 6;

// ---- Formula ----
inline constexpr uint32_t kFormulaLength = 20;  // u16 cce
inline constexpr uint32_t kFormulaTokens = 22;  // rgce, cce bytes

// ---- Lbl (defined name) ----
inline constexpr uint32_t kNameFlags = 0;       // u16
inline constexpr uint16_t kNameBuiltin = 0x0020;
inline constexpr uint32_t kNameReserved3 = 6;   // u16
inline constexpr uint32_t kNameSheetIndex = 8;  // u16 itab
inline constexpr uint32_t kNameFirstChar = 15;  // u8: the code of a built-in name
inline constexpr uint8_t kAutoOpen = 0x01;
inline constexpr uint8_t kAutoClose = 0x02;
inline constexpr uint8_t kPrintArea = 0x06;
inline constexpr uint8_t kAutoActivate = 0x0A;
inline constexpr uint8_t kAutoDeactivate = 0x0B;

// One record whose header and data lie inside the stream it was read from.
struct Record {
  uint32_t offset = 0;  // of the header
  uint16_t id = 0;
  uint16_t length = 0;  // of the data
  uint32_t DataStart() const { return offset + kHeaderBytes; }
  uint32_t End() const { return DataStart() + length; }
};

// The record at `offset`, or nullopt when its header or data would run past the stream.
std::optional<Record> RecordAt(ByteReader stream, uint64_t offset);
// The record after `record` (see RecordAt).
inline std::optional<Record> NextRecord(ByteReader stream, const Record& record) {
  return RecordAt(stream, record.End());
}
// The record's data as a view of its own bytes.
inline ByteReader RecordData(ByteReader stream, const Record& record) {
  return stream.Slice(record.DataStart(), record.length);
}
// The record at `offset` when it is a BOF with room for its substream type, else nullopt.
std::optional<Record> BofAt(ByteReader stream, uint64_t offset);

// A sheet name inside a BoundSheet8: cch characters of 8 or 16 bits.
class SheetName {
 public:
  SheetName() = default;
  SheetName(ByteReader chars, bool wide, uint32_t length) : chars_(chars), wide_(wide), length_(length) {}
  uint32_t length() const { return length_; }
  bool wide() const { return wide_; }
  // Character i (< length); an 8-bit character becomes the code unit of the same value.
  char16_t At(uint32_t i) const;
  // Copies the characters into `out` (capacity `units`, at least length + 1) and ends them
  // with a zero unit; the rest of `out` is left as it is.
  void CopyTo(char16_t* out, uint32_t units) const;
  bool Equals(std::u16string_view other) const;
  // Equal ignoring case for the letters A-Z only.
  bool EqualsFoldingAscii(std::u16string_view other) const;

 private:
  ByteReader chars_;
  bool wide_ = false;
  uint32_t length_ = 0;
};

// The fields of a BoundSheet8 record.
struct BoundSheet {
  uint32_t position = 0;  // lbPlyPos
  uint8_t state = 0;      // hsState byte as stored
  uint8_t type = 0;       // dt
  SheetName name;
};

// The BoundSheet8 fields of `record`, or nullopt when it is not a BoundSheet8 or is too short
// for its fields and its name.
std::optional<BoundSheet> ReadBoundSheet(ByteReader stream, const Record& record);

// A hidden or very hidden worksheet or Excel 4 macro sheet: the sheets whose formulas the
// scan judges and the clean-up neutralises. Hidden charts and VBA module sheets are not.
bool IsHiddenFormulaSheet(const BoundSheet& sheet);

// The parsed-formula bytes of a Formula record, or nullopt when the record is no Formula or
// its rgce does not fit inside its data.
std::optional<ByteReader> FormulaTokens(ByteReader stream, const Record& record);

// A cap on the records that several walks over the same stream may visit together.
class RecordBudget {
 public:
  explicit RecordBudget(uint64_t records) : left_(records) {}
  // False once the budget is spent.
  bool Take() {
    if (left_ == 0) return false;
    --left_;
    return true;
  }

 private:
  uint64_t left_;
};

// The most records a stream of `size` bytes can hold (each takes at least its header).
inline uint64_t MaxRecords(uint64_t size) { return size / kHeaderBytes + 1; }

}  // namespace qv::biff
