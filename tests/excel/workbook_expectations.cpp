#include "tests/excel/workbook_expectations.h"

#include <algorithm>
#include <sstream>

namespace qv::test {
namespace {

using test::biff::U16At;

constexpr uint16_t kFormula = 0x0006, kLbl = 0x0018, kObProj = 0x00D3, kCodeName = 0x01BA;
constexpr uint16_t kDate1904 = 0x0022, kWindow2 = 0x023E;

void SetU16(Bytes& s, uint32_t offset, uint16_t v) {
  s[offset] = static_cast<uint8_t>(v);
  s[offset + 1] = static_cast<uint8_t>(v >> 8);
}
void ZeroData(Bytes& s, uint32_t record) {
  const uint16_t length = U16At(s, record + 2);
  std::fill(s.begin() + record + 4, s.begin() + record + 4 + length, 0);
}
std::vector<uint32_t> GlobalsExtras(const BuiltWorkbook& built) {
  std::vector<uint32_t> all = built.beforeSheetsAt;
  all.insert(all.end(), built.afterSheetsAt.begin(), built.afterSheetsAt.end());
  return all;
}
bool IsBuiltinName(const Bytes& s, uint32_t record) {
  return U16At(s, record) == kLbl && (U16At(s, record + 4) & 0x0020) != 0;
}

}  // namespace

Workbook ProjectWorkbook(std::u16string sheet1Name, bool wideNames) {
  using namespace test::biff;
  using namespace writers::biff;
  const Bytes halt = StringToken("=HALT()");
  Workbook book;
  book.beforeSheets = {CodeName("ThisWorkbook"), ObProj()};
  book.sheets = {
      {.name = std::move(sheet1Name), .wideName = wideNames, .dt = kMacroSheet, .records = {Formula(halt), Window2()}},
      {.name = u"Macro1", .wideName = wideNames, .hsState = kHidden, .dt = kMacroSheet,
       .records = {Formula(halt), Number(1, 0, 5.0), Formula(StringToken("=RUN()")), Window2()}},
      {.name = u"Chart1", .hsState = kHidden, .dt = kChart, .records = {Window2()}},
  };
  book.afterSheets = {BuiltinName(0x01), BuiltinName(0x0A), BuiltinName(0x0B), BuiltinName(0x06),
                      BuiltinName(0x02), BuiltinName(0, 0x0101, 0x0202, /*builtin=*/false)};
  return book;
}

Bytes AfterProjectClean(const BuiltWorkbook& built, std::optional<size_t> namedSheet) {
  Bytes s = built.stream;
  for (const uint32_t record : GlobalsExtras(built)) {
    const uint16_t id = U16At(s, record);
    if (id == kObProj || id == kCodeName) SetU16(s, record, kDate1904);
    if (IsBuiltinName(s, record) && (s[record + 4 + 15] == 0x0A || s[record + 4 + 15] == 0x0B)) {
      SetU16(s, record + 4 + 6, 0);
      SetU16(s, record + 4 + 8, 0);
      s[record + 4 + 15] = 0x06;
    }
  }
  if (namedSheet) {
    s[built.boundSheetAt[*namedSheet] + 4 + 5] = 0;
    for (const uint32_t record : built.sheetRecordAt[*namedSheet]) {
      if (U16At(s, record) == kWindow2) ZeroData(s, record);
    }
  }
  return s;
}

Bytes AfterSheetClean(const BuiltWorkbook& built, size_t sheet) {
  Bytes s = built.stream;
  s[built.boundSheetAt[sheet] + 4 + 5] = 0;
  s[built.sheetBofAt[sheet] + 4 + 2] = 0x10;
  int rewritten = 0;
  int othersInARow = 0;
  for (const uint32_t record : built.sheetRecordAt[sheet]) {
    if (rewritten == 512) break;
    if (U16At(s, record) != kFormula) {
      if (++othersInARow == 258) break;
      continue;
    }
    othersInARow = 0;
    ++rewritten;
    SetU16(s, record, kLbl);
    ZeroData(s, record);
  }
  for (const uint32_t record : GlobalsExtras(built)) {
    if (IsBuiltinName(s, record)) ZeroData(s, record);
  }
  return s;
}

::testing::AssertionResult SameRecordLayout(const Bytes& before, const Bytes& after) {
  if (before.size() != after.size()) {
    return ::testing::AssertionFailure() << "size " << before.size() << " became " << after.size();
  }
  const auto a = test::biff::RecordChain(before);
  const auto b = test::biff::RecordChain(after);
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
    if (a[i].offset != b[i].offset || a[i].length != b[i].length) {
      return ::testing::AssertionFailure() << "record at " << a[i].offset << " of length " << a[i].length
                                           << " became one at " << b[i].offset << " of length " << b[i].length;
    }
  }
  if (a.size() != b.size()) return ::testing::AssertionFailure() << a.size() << " records became " << b.size();
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult SameStream(const Bytes& expected, const Bytes& actual) {
  if (expected == actual) return ::testing::AssertionSuccess();
  if (expected.size() != actual.size()) {
    return ::testing::AssertionFailure() << "size " << actual.size() << ", expected " << expected.size();
  }
  std::ostringstream out;
  out << "records that differ from the expected stream, at offsets:";
  for (const uint32_t offset : test::biff::ChangedRecords(expected, actual)) out << ' ' << offset;
  return ::testing::AssertionFailure() << out.str();
}

}  // namespace qv::test
