#include "tests/signature_set/formula_tokens.h"

#include <cstring>
#include <stdexcept>

#include "engine/common/capacities.h"

namespace qv::test::sigset {
namespace {

void PutU16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

}  // namespace

Rgce& Rgce::Str(std::string_view text, bool wide) {
  if (text.size() > 255) throw std::invalid_argument("ptgStr holds at most 255 characters");
  bytes_.push_back(0x17);                              // ptgStr
  bytes_.push_back(static_cast<uint8_t>(text.size()));  // cch
  bytes_.push_back(wide ? 0x01 : 0x00);                // fHighByte
  for (char c : text) {
    bytes_.push_back(static_cast<uint8_t>(c));
    if (wide) bytes_.push_back(0);
  }
  return *this;
}

Rgce& Rgce::Int(uint16_t value) {
  bytes_.push_back(0x1E);  // ptgInt
  PutU16(bytes_, value);
  return *this;
}

Rgce& Rgce::Num(double value) {
  bytes_.push_back(0x1F);  // ptgNum: IEEE double, little-endian
  uint8_t raw[8];
  std::memcpy(raw, &value, sizeof raw);
  bytes_.insert(bytes_.end(), raw, raw + 8);
  return *this;
}

Rgce& Rgce::Ref(uint16_t row, uint16_t column) {
  bytes_.push_back(0x44);                            // ptgRef, value class
  PutU16(bytes_, row);                               // rw
  PutU16(bytes_, static_cast<uint16_t>(column | 0xC000));  // col, row and column relative
  return *this;
}

Rgce& Rgce::Area(uint16_t firstRow, uint16_t lastRow, uint16_t firstColumn, uint16_t lastColumn) {
  bytes_.push_back(0x25);  // ptgArea, reference class
  PutU16(bytes_, firstRow);
  PutU16(bytes_, lastRow);
  PutU16(bytes_, static_cast<uint16_t>(firstColumn | 0xC000));
  PutU16(bytes_, static_cast<uint16_t>(lastColumn | 0xC000));
  return *this;
}

Rgce& Rgce::Missing() {
  bytes_.push_back(0x16);  // ptgMissArg
  return *this;
}

Rgce& Rgce::Add() {
  bytes_.push_back(0x03);  // ptgAdd
  return *this;
}

Rgce& Rgce::Concat() {
  bytes_.push_back(0x08);  // ptgConcat
  return *this;
}

Rgce& Rgce::Func(uint16_t function, TokenClass cls) {
  bytes_.push_back(static_cast<uint8_t>(0x01 | static_cast<uint8_t>(cls)));  // ptgFunc
  PutU16(bytes_, function);                                                  // iftab
  return *this;
}

Rgce& Rgce::FuncVar(uint16_t function, uint8_t arguments, TokenClass cls) {
  bytes_.push_back(static_cast<uint8_t>(0x02 | static_cast<uint8_t>(cls)));  // ptgFuncVar
  bytes_.push_back(arguments);                                               // cparams
  PutU16(bytes_, function);                                                  // tab, fCeFunc clear
  return *this;
}

std::vector<uint8_t> SheetBuffer(const std::vector<Rgce>& formulas) {
  std::vector<uint8_t> buffer;
  for (const Rgce& f : formulas) buffer.insert(buffer.end(), f.bytes().begin(), f.bytes().end());
  if (buffer.size() >= cap::kFormulaBufferBytes) throw std::invalid_argument("formulas exceed the formula buffer");
  buffer.resize(cap::kFormulaBufferBytes, 0);
  return buffer;
}

}  // namespace qv::test::sigset
