#include "engine/office/excel_biff.h"

#include "engine/common/ascii_case.h"

namespace qv::biff {

std::optional<Record> RecordAt(ByteReader stream, uint64_t offset) {
  const auto id = stream.U16(offset);
  const auto length = stream.U16(offset + 2);
  if (!id || !length || !stream.Has(offset + kHeaderBytes, *length)) return std::nullopt;
  return Record{static_cast<uint32_t>(offset), *id, *length};
}

std::optional<Record> BofAt(ByteReader stream, uint64_t offset) {
  auto record = RecordAt(stream, offset);
  if (!record || record->id != kBof || record->length < kBofType + 2) return std::nullopt;
  return record;
}

char16_t SheetName::At(uint32_t i) const {
  if (wide_) return static_cast<char16_t>(chars_.U16(2ull * i).value_or(0));
  return static_cast<char16_t>(chars_.U8(i).value_or(0));
}

void SheetName::CopyTo(char16_t* out, uint32_t units) const {
  if (units == 0) return;
  uint32_t i = 0;
  for (; i < length_ && i + 1 < units; ++i) out[i] = At(i);
  out[i] = 0;
}

bool SheetName::Equals(std::u16string_view other) const {
  if (other.size() != length_) return false;
  for (uint32_t i = 0; i < length_; ++i) {
    if (At(i) != other[i]) return false;
  }
  return true;
}

bool SheetName::EqualsFoldingAscii(std::u16string_view other) const {
  return other.size() == length_ &&
         UnitsEqualFoldingAscii(length_, [&](size_t i) { return At(static_cast<uint32_t>(i)); },
                                [&](size_t i) { return other[i]; });
}

std::optional<BoundSheet> ReadBoundSheet(ByteReader stream, const Record& record) {
  if (record.id != kBoundSheet8) return std::nullopt;
  const ByteReader data = RecordData(stream, record);
  const auto position = data.U32(kSheetPosition);
  const auto state = data.U8(kSheetState);
  const auto type = data.U8(kSheetType);
  const auto length = data.U8(kSheetNameLength);
  const auto flags = data.U8(kSheetNameFlags);
  if (!position || !state || !type || !length || !flags) return std::nullopt;
  const bool wide = (*flags & 0x01) != 0;
  const uint32_t nameBytes = wide ? 2u * *length : *length;
  if (!data.Has(kSheetName, nameBytes)) return std::nullopt;
  return BoundSheet{*position, *state, *type, SheetName(data.Slice(kSheetName, nameBytes), wide, *length)};
}

bool IsHiddenFormulaSheet(const BoundSheet& sheet) {
  const uint8_t visibility = sheet.state & 0x03;
  return (visibility == kHidden || visibility == kVeryHidden) &&
         (sheet.type == kWorksheet || sheet.type == kMacroSheet);
}

std::optional<ByteReader> FormulaTokens(ByteReader stream, const Record& record) {
  if (record.id != kFormula) return std::nullopt;
  const ByteReader data = RecordData(stream, record);
  const auto length = data.U16(kFormulaLength);
  if (!length || !data.Has(kFormulaTokens, *length)) return std::nullopt;
  return data.Slice(kFormulaTokens, *length);
}

}  // namespace qv::biff
