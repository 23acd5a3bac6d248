// BIFF8 workbook streams ([MS-XLS]), written record by record from the format alone: the
// globals substream (BOF, chosen records, the BoundSheet8 list, more chosen records, EOF)
// followed by one substream per sheet. The built stream tells where every record went, so
// that tests can name the records a repair may change and compare everything else.
//
//   Workbook book;
//   book.sheets.push_back({.name = u"Macro1", .hsState = kHidden, .dt = kMacroSheet,
//                          .records = {Formula(StringToken("=HALT()"))}});
//   BuiltWorkbook built = BuildWorkbook(book);
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::writers::biff {

using Bytes = std::vector<uint8_t>;

inline constexpr uint8_t kVisible = 0, kHidden = 1, kVeryHidden = 2;               // hsState
inline constexpr uint8_t kWorksheet = 0, kMacroSheet = 1, kChart = 2, kVbaModule = 6;  // dt

// ---- single records (4-byte header and data) ----
Bytes Record(uint16_t id, const Bytes& data);
// BOF: version, substream type, then build fields.
inline constexpr uint16_t kMaxRecordData = 8224;  // a longer record continues in Continue records
// A record of any length up to 65,535 data bytes (longer than kMaxRecordData only for
// malformed input).

Bytes Bof(uint16_t substreamType, uint16_t version = 0x0600);
Bytes Eof();
// BoundSheet8 with the name as 8-bit (each unit must fit a byte) or 16-bit characters.
Bytes BoundSheet8(uint32_t position, uint8_t hsState, uint8_t dt, std::u16string_view name, bool wide);
// Formula of a cell: row, column, cached value, flags, then cce and the parsed formula.
// `cce` overrides the stored length (a malformed record when it disagrees with `rgce`).
Bytes Formula(const Bytes& rgce, std::optional<uint16_t> cce = std::nullopt, uint16_t row = 0);
// A parsed formula holding one string constant (ptgStr, 8-bit characters, at most 255).
Bytes StringToken(std::string_view text);
// A built-in defined name: flags (fBuiltin), reserved3 and itab as given, the name code,
// and a one-token formula. `builtin` false gives an ordinary name "Total".
Bytes BuiltinName(uint8_t code, uint16_t reserved3 = 0x0101, uint16_t itab = 0x0202, bool builtin = true);
Bytes ObProj();
// CodeName: the name of the sheet's or the workbook's document module.
Bytes CodeName(std::string_view name);
// XLUnicodeString with 8-bit characters: cch (16 bits), fHighByte 0, the characters.
void PutString(Bytes& out, std::string_view text);
Bytes FilePass();
// Window2 of a sheet with every field nonzero.
Bytes Window2();
// A number cell, a record that is neither a formula nor an EOF.
Bytes Number(uint16_t row, uint16_t column, double value);

// BOF substream type of a sheet of type dt.
uint16_t SubstreamTypeOf(uint8_t dt);

struct Sheet {
  std::u16string name;
  bool wideName = false;                   // 16-bit characters in the BoundSheet8
  uint8_t hsState = kVisible;
  uint8_t dt = kWorksheet;
  std::vector<Bytes> records;              // between the sheet's BOF and EOF
  std::optional<uint16_t> substreamType;   // default SubstreamTypeOf(dt)
  std::optional<uint32_t> position;        // lbPlyPos written instead of the BOF's offset
};

struct Workbook {
  uint16_t version = 0x0600;
  std::vector<Bytes> beforeSheets;  // globals records between the BOF and the BoundSheet8 list
  std::vector<Sheet> sheets;
  std::vector<Bytes> afterSheets;   // globals records between the list and the EOF
};

struct BuiltWorkbook {
  Bytes stream;
  std::vector<uint32_t> beforeSheetsAt;            // offset of each record of beforeSheets
  std::vector<uint32_t> boundSheetAt;              // offset of each sheet's BoundSheet8
  std::vector<uint32_t> afterSheetsAt;             // offset of each record of afterSheets
  std::vector<uint32_t> sheetBofAt;                // offset of each sheet's BOF
  std::vector<std::vector<uint32_t>> sheetRecordAt;  // offset of each record of each sheet
  std::vector<uint32_t> sheetEofAt;
};

BuiltWorkbook BuildWorkbook(const Workbook& workbook);

}  // namespace qv::writers::biff
