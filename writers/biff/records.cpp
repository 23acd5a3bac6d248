#include "writers/biff/records.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "writers/common/byte_sink.h"

namespace qv::writers::biff {
namespace {

void Append(Bytes& out, const Bytes& more) { PutBytes(out, more); }

constexpr uint16_t kBofId = 0x0809;
constexpr uint16_t kEofId = 0x000A;

}  // namespace

Bytes Record(uint16_t id, const Bytes& data) {
  if (data.size() > 0xFFFF) throw std::invalid_argument("record data longer than 65,535 bytes");
  Bytes out;
  PutU16(out, id);
  PutU16(out, static_cast<uint16_t>(data.size()));
  Append(out, data);
  return out;
}

Bytes Bof(uint16_t substreamType, uint16_t version) {
  Bytes data;
  PutU16(data, version);        // vers
  PutU16(data, substreamType);  // dt
  PutU16(data, 0x0DBB);         // rupBuild
  PutU16(data, 0x07CC);         // rupYear
  PutU32(data, 0x000080C9);     // file history flags
  PutU32(data, 0x00000206);     // lowest version that saved
  return Record(kBofId, data);
}

Bytes Eof() { return Record(kEofId, {}); }

Bytes BoundSheet8(uint32_t position, uint8_t hsState, uint8_t dt, std::u16string_view name, bool wide) {
  if (name.size() > 255) throw std::invalid_argument("sheet name longer than 255 characters");
  Bytes data;
  PutU32(data, position);  // lbPlyPos
  data.push_back(hsState);
  data.push_back(dt);
  data.push_back(static_cast<uint8_t>(name.size()));  // cch
  data.push_back(wide ? 0x01 : 0x00);                 // fHighByte
  for (char16_t c : name) {
    if (wide) {
      PutU16(data, c);
    } else {
      if (c > 0xFF) throw std::invalid_argument("8-bit sheet name with a wide character");
      data.push_back(static_cast<uint8_t>(c));
    }
  }
  return Record(0x0085, data);
}

Bytes Formula(const Bytes& rgce, std::optional<uint16_t> cce, uint16_t row) {
  Bytes data;
  PutU16(data, row);     // rw
  PutU16(data, 0);       // col
  PutU16(data, 0x000F);  // ixfe
  for (int i = 0; i < 8; ++i) data.push_back(static_cast<uint8_t>(0x40 + i));  // cached value
  PutU16(data, 0x0002);  // flags: fAlwaysCalc
  PutU32(data, 0);       // chn
  PutU16(data, cce.value_or(static_cast<uint16_t>(rgce.size())));
  Append(data, rgce);
  return Record(0x0006, data);
}

Bytes StringToken(std::string_view text) {
  if (text.size() > 255) throw std::invalid_argument("string token longer than 255 characters");
  Bytes rgce = {0x17, static_cast<uint8_t>(text.size()), 0x00};  // ptgStr, cch, fHighByte
  rgce.insert(rgce.end(), text.begin(), text.end());
  return rgce;
}

Bytes BuiltinName(uint8_t code, uint16_t reserved3, uint16_t itab, bool builtin) {
  const Bytes rgce = {0x3A, 0x00, 0x00, 0x04, 0x00, 0x02, 0x00};  // ptgRef3d: ixti, row, column
  const std::string ordinaryName = "Total";
  Bytes data;
  PutU16(data, builtin ? 0x0020 : 0x0000);  // flags: fBuiltin
  data.push_back(0);                        // chKey
  data.push_back(static_cast<uint8_t>(builtin ? 1 : ordinaryName.size()));  // cch
  PutU16(data, static_cast<uint16_t>(rgce.size()));  // cce
  PutU16(data, reserved3);
  PutU16(data, itab);
  PutU32(data, 0);    // reserved4 .. reserved7
  data.push_back(0);  // fHighByte of the name
  if (builtin) {
    data.push_back(code);  // offset 15: the built-in name's code
  } else {
    data.insert(data.end(), ordinaryName.begin(), ordinaryName.end());
  }
  Append(data, rgce);
  return Record(0x0018, data);
}

Bytes ObProj() { return Record(0x00D3, {}); }

void PutString(Bytes& out, std::string_view text) {
  PutU16(out, static_cast<uint16_t>(text.size()));
  PutU8(out, 0);  // 8-bit characters
  PutText(out, text);
}

Bytes CodeName(std::string_view name) {
  Bytes data;
  PutString(data, name);
  return Record(0x01BA, data);
}

Bytes FilePass() {
  Bytes data;
  PutU16(data, 0x0001);  // RC4
  PutU16(data, 0x0001);  // version
  PutU16(data, 0x0001);
  for (int i = 0; i < 48; ++i) data.push_back(static_cast<uint8_t>(0xA0 + i));  // salt and verifier
  return Record(0x002F, data);
}

Bytes Window2() {
  Bytes data;
  PutU16(data, 0x06B6);  // flags: gridlines, headers, zeros, outline symbols, selected, paged
  PutU16(data, 0x0003);  // rwTop
  PutU16(data, 0x0001);  // colLeft
  PutU32(data, 0x00000040);  // icvHdr
  PutU16(data, 0x0064);  // wScaleSLV
  PutU16(data, 0x0064);  // wScaleNormal
  PutU32(data, 0x00000001);  // reserved
  return Record(0x023E, data);
}

Bytes Number(uint16_t row, uint16_t column, double value) {
  Bytes data;
  PutU16(data, row);
  PutU16(data, column);
  PutU16(data, 0x000F);
  uint8_t bits[8];
  std::memcpy(bits, &value, sizeof bits);
  data.insert(data.end(), bits, bits + 8);
  return Record(0x0203, data);
}

uint16_t SubstreamTypeOf(uint8_t dt) {
  switch (dt) {
    case kMacroSheet: return 0x0040;
    case kChart: return 0x0020;
    case kVbaModule: return 0x0006;
    default: return 0x0010;
  }
}

BuiltWorkbook BuildWorkbook(const Workbook& workbook) {
  BuiltWorkbook built;
  Bytes& out = built.stream;
  Append(out, Bof(0x0005, workbook.version));
  for (const auto& record : workbook.beforeSheets) {
    built.beforeSheetsAt.push_back(static_cast<uint32_t>(out.size()));
    Append(out, record);
  }
  // The list is written with placeholder positions first; its size does not depend on them.
  for (const auto& sheet : workbook.sheets) {
    built.boundSheetAt.push_back(static_cast<uint32_t>(out.size()));
    Append(out, BoundSheet8(0, sheet.hsState, sheet.dt, sheet.name, sheet.wideName));
  }
  for (const auto& record : workbook.afterSheets) {
    built.afterSheetsAt.push_back(static_cast<uint32_t>(out.size()));
    Append(out, record);
  }
  Append(out, Eof());
  for (size_t i = 0; i < workbook.sheets.size(); ++i) {
    const Sheet& sheet = workbook.sheets[i];
    const auto bofAt = static_cast<uint32_t>(out.size());
    built.sheetBofAt.push_back(bofAt);
    const uint32_t position = sheet.position.value_or(bofAt);
    for (int b = 0; b < 4; ++b) out[built.boundSheetAt[i] + 4 + b] = static_cast<uint8_t>(position >> (8 * b));
    Append(out, Bof(sheet.substreamType.value_or(SubstreamTypeOf(sheet.dt)), workbook.version));
    built.sheetRecordAt.emplace_back();
    for (const auto& record : sheet.records) {
      built.sheetRecordAt.back().push_back(static_cast<uint32_t>(out.size()));
      Append(out, record);
    }
    built.sheetEofAt.push_back(static_cast<uint32_t>(out.size()));
    Append(out, Eof());
  }
  return built;
}

}  // namespace qv::writers::biff
