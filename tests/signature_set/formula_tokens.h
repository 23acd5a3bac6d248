// Parsed Excel formulas (rgce) written token by token, as a hidden sheet hands them to the
// matcher: the rgce of every Formula record of the sheet, one after the other.
//
//   Rgce f;
//   f.Str("urlmon").Str("URLDownloadToFileA").Int(0).FuncVar(kCall, 3);   // =CALL("urlmon",…)
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace qv::test::sigset {

// Function numbers of the built-in function table.
inline constexpr uint16_t kSum = 4, kIf = 1, kHalt = 54, kReturn = 55, kVlookup = 102, kExec = 110,
                          kConcatenate = 336, kRegister = 149, kCall = 150, kFormula = 111, kNow = 74;

// Operand class of a function token: the first byte is 0x22, 0x42 or 0x62.
enum class TokenClass : uint8_t { Reference = 0x20, Value = 0x40, Array = 0x60 };

class Rgce {
 public:
  // ptgStr: 8-bit characters, or with `wide` 16-bit characters (fHighByte set).
  Rgce& Str(std::string_view text, bool wide = false);
  Rgce& Int(uint16_t value);                  // ptgInt
  Rgce& Num(double value);                    // ptgNum
  Rgce& Ref(uint16_t row, uint16_t column);   // ptgRef, relative row and column
  Rgce& Area(uint16_t firstRow, uint16_t lastRow, uint16_t firstColumn, uint16_t lastColumn);  // ptgArea
  Rgce& Missing();                            // ptgMissArg
  Rgce& Add();                                // ptgAdd
  Rgce& Concat();                             // ptgConcat
  Rgce& Func(uint16_t function, TokenClass cls = TokenClass::Value);  // ptgFunc (fixed arguments)
  Rgce& FuncVar(uint16_t function, uint8_t arguments, TokenClass cls = TokenClass::Value);  // ptgFuncVar
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// What the hidden-sheet pass hands the matcher for a sheet with these formulas: their rgce
// one after the other, zero-filled to the formula buffer's 16,384 bytes.
std::vector<uint8_t> SheetBuffer(const std::vector<Rgce>& formulas);

}  // namespace qv::test::sigset
