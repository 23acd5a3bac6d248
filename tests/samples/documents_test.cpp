// The Word and Excel documents of the sample maker, read back field by field: every FIB
// pointer lands inside its stream, the piece table gives back the text, every BoundSheet8
// leads to a substream of its kind, and the macro sheet's formula holds the test string.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/samples/compound_reading.h"
#include "tests/support/engine/program_folder.h"
#include "tools/samples/sample_documents.h"
#include "writers/word/word97_writer.h"
#include "writers/biff/workbook_writer.h"

namespace qv::test {
namespace {

using writers::Bytes;

uint16_t U16At(const Bytes& b, size_t at) { return static_cast<uint16_t>(b.at(at) | b.at(at + 1) << 8); }
uint32_t U32At(const Bytes& b, size_t at) { return U16At(b, at) | static_cast<uint32_t>(U16At(b, at + 2)) << 16; }

CompoundContent Reread(const Bytes& file) {
  TempDir dir;
  WriteFile(dir / "doc", file);
  auto content = ReadCompound(dir / "doc");
  EXPECT_TRUE(content.has_value());
  EXPECT_EQ(content.value_or(CompoundContent{}).faults, std::vector<std::string>{});
  EXPECT_EQ(content.value_or(CompoundContent{}).colourFaults, std::vector<std::string>{});
  return content.value_or(CompoundContent{});
}

TEST(WordSample, FibPointsIntoItsStreamsAndThePieceTableGivesTheText) {
  namespace fib = writers::fib;
  const std::vector<std::string> paragraphs = {"First paragraph", "", "Third, after an empty one"};
  auto content = Reread(writers::BuildWordDocument({paragraphs, {writers::ovba::CodeModule("Module1", "Sub A()\r\nEnd Sub\r\n")}}));
  const Bytes& word = content.streams["WordDocument"];
  const Bytes& table = content.streams["1Table"];
  ASSERT_GE(word.size(), fib::kFibBytes);
  EXPECT_EQ(U16At(word, 0), 0xA5EC);
  EXPECT_EQ(U16At(word, 2), 0x00C1);
  EXPECT_NE(U16At(word, fib::kFlags) & 0x0200, 0) << "fWhichTblStm: the table stream is 1Table";
  EXPECT_EQ(U16At(word, 0x98), fib::kPairCount);

  std::string text;
  for (const auto& p : paragraphs) text += p + "\r";
  const uint32_t ccp = U32At(word, fib::kCcpText), fcMin = U32At(word, fib::kFcMin);
  EXPECT_EQ(ccp, text.size());
  EXPECT_EQ(U32At(word, fib::kFcMac), fcMin + 2 * ccp);
  EXPECT_LE(U32At(word, fib::kCbMac), word.size());

  auto pair = [&](size_t index) { return std::make_pair(U32At(word, fib::kFcLcbBase + 8 * index), U32At(word, fib::kFcLcbBase + 8 * index + 4)); };
  for (size_t i = 0; i < fib::kPairCount; ++i) {
    const auto [fc, lcb] = pair(i);
    if (lcb != 0) {
      EXPECT_LE(uint64_t{fc} + lcb, table.size()) << "pair " << i;
    }
  }
  for (size_t i : {fib::kStshf, fib::kPlcfSed, fib::kPlcfBteChpx, fib::kPlcfBtePapx, fib::kSttbfFfn, fib::kDop, fib::kClx, fib::kCmds}) {
    EXPECT_NE(pair(i).second, 0u) << "pair " << i;
  }
  // Command table: empty (version byte, end mark), where a repair writes the same bytes.
  EXPECT_EQ(pair(fib::kCmds).second, 2u);
  EXPECT_EQ(U16At(table, pair(fib::kCmds).first), 0x40FF);

  // Piece table: one piece over all CPs, 16-bit characters at fcMin.
  const size_t clx = pair(fib::kClx).first;
  ASSERT_EQ(table[clx], 0x02);
  EXPECT_EQ(U32At(table, clx + 1), 16u);
  EXPECT_EQ(U32At(table, clx + 5), 0u);
  EXPECT_EQ(U32At(table, clx + 9), ccp);
  const uint32_t fc = U32At(table, clx + 15);
  EXPECT_EQ(fc & 0x40000000, 0u) << "fCompressed";
  std::string pieceText;
  for (uint32_t i = 0; i < ccp; ++i) pieceText += static_cast<char>(U16At(word, fc + 2 * i));
  EXPECT_EQ(pieceText, text);

  // Both bin tables name a 512-byte page of the main stream that covers the text.
  for (size_t i : {fib::kPlcfBteChpx, fib::kPlcfBtePapx}) {
    const size_t plc = pair(i).first;
    EXPECT_EQ(U32At(table, plc), fcMin);
    EXPECT_EQ(U32At(table, plc + 4), fcMin + 2 * ccp);
    const size_t page = size_t{U32At(table, plc + 8)} * 512;
    ASSERT_LE(page + 512, word.size());
    const uint8_t runs = word[page + 511];
    EXPECT_EQ(runs, i == fib::kPlcfBteChpx ? 1 : paragraphs.size());
    EXPECT_EQ(U32At(word, page), fcMin);
    EXPECT_EQ(U32At(word, page + 4 * runs), fcMin + 2 * ccp);
  }
  for (const char* stream : {"Macros/PROJECT", "Macros/PROJECTwm", "Macros/VBA/dir", "Macros/VBA/_VBA_PROJECT", "Macros/VBA/Module1"}) {
    EXPECT_EQ(content.streams.count(stream), 1u) << stream;
  }
}

struct BiffRecord {
  uint16_t id;
  size_t at;  // of the data
  uint16_t length;
};

std::vector<BiffRecord> Substream(const Bytes& stream, size_t from) {
  std::vector<BiffRecord> records;
  for (size_t at = from; at + 4 <= stream.size();) {
    const BiffRecord r{U16At(stream, at), at + 4, U16At(stream, at + 2)};
    EXPECT_LE(r.at + r.length, stream.size());
    records.push_back(r);
    at = r.at + r.length;
    if (r.id == 0x000A) break;
  }
  return records;
}

TEST(WorkbookSample, EverySheetIsReachedAndTheHiddenMacroSheetHoldsTheString) {
  writers::WorkbookDocument book;
  book.sheets.push_back({"Sheet1", false, false, {{0, 0, "a"}, {1, 0, "b"}, {2, 1, "a"}}, {}, "Sheet1"});
  book.sheets.push_back({"Macro1", true, true, {}, {{0, 0, writers::StringFormula(samples::kTestString), samples::kTestString}, {1, 0, writers::ReturnFormula(), ""}}, ""});
  book.modules = {writers::ovba::DocumentModule("ThisWorkbook", "0{00020819-0000-0000-C000-000000000046}"),
                  writers::ovba::CodeModule("Module1", "")};
  book.workbookCodeName = "ThisWorkbook";
  auto content = Reread(writers::BuildWorkbookDocument(book));
  const Bytes& stream = content.streams["Workbook"];
  EXPECT_GE(stream.size(), 4096u);

  const auto globals = Substream(stream, 0);
  ASSERT_FALSE(globals.empty());
  EXPECT_EQ(globals.front().id, 0x0809);
  EXPECT_EQ(U16At(stream, globals.front().at + 2), 0x0005);
  EXPECT_EQ(globals.back().id, 0x000A);
  std::vector<uint16_t> ids;
  for (const auto& r : globals) ids.push_back(r.id);
  for (uint16_t id : {0x00D3, 0x01BA, 0x0042, 0x003D, 0x0031, 0x00E0, 0x0293, 0x00FC, 0x00FF}) {
    EXPECT_NE(std::find(ids.begin(), ids.end(), id), ids.end()) << std::hex << id;
  }
  size_t sheet = 0;
  for (const auto& r : globals) {
    if (r.id == 0x00FC) {
      EXPECT_EQ(U32At(stream, r.at), 3u) << "cstTotal: three string cells";
    }
    if (r.id != 0x0085) continue;
    ASSERT_LT(sheet, book.sheets.size());
    const auto& expected = book.sheets[sheet++];
    EXPECT_EQ(stream[r.at + 4], expected.hidden ? 1 : 0);
    EXPECT_EQ(stream[r.at + 5], expected.macroSheet ? 1 : 0);
    EXPECT_EQ(std::string(stream.begin() + r.at + 8, stream.begin() + r.at + 8 + stream[r.at + 6]), expected.name);
    const auto records = Substream(stream, U32At(stream, r.at));
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.front().id, 0x0809);
    EXPECT_EQ(U16At(stream, records.front().at + 2), expected.macroSheet ? 0x0040 : 0x0010);
    EXPECT_EQ(records.back().id, 0x000A);
    if (!expected.macroSheet) continue;
    const BiffRecord& formula = records[2];  // after BOF and Dimensions
    ASSERT_EQ(formula.id, 0x0006);
    const uint16_t cce = U16At(stream, formula.at + 20);
    EXPECT_EQ(Bytes(stream.begin() + formula.at + 22, stream.begin() + formula.at + 22 + cce), writers::StringFormula(samples::kTestString));
    EXPECT_EQ(records[3].id, 0x0207) << "the cached string follows its formula";
  }
  EXPECT_EQ(sheet, book.sheets.size());
  EXPECT_EQ(content.streams.count("_VBA_PROJECT_CUR/VBA/ThisWorkbook"), 1u);
}

}  // namespace
}  // namespace qv::test
