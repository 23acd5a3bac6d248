// The quarantine index: its lines round-trip every name (tabs, line ends, backslashes, bytes
// that are not UTF-8), damaged lines are skipped, and a record counts only while its copy is
// still exactly the one it describes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/common/quarantine.h"
#include "engine/common/quarantine_index.h"
#include "engine/platform/platform.h"
#include "tests/support/engine/program_folder.h"

namespace qv::test {
namespace {

// A document path in this platform's form ("/a/x.doc" on POSIX, "\\a\\x.doc" on Windows).
std::u16string Native(std::u16string path) {
  for (auto& c : path) {
    if (c == u'/') c = platform::kSep;
  }
  return path;
}

namespace fs = std::filesystem;

QuarantineRecord Record(std::u16string copy, std::u16string path, std::string rule = "Macro.Test.Signature") {
  QuarantineRecord record;
  record.copyName = std::move(copy);
  record.bytes = 3;
  record.crc32 = 0x01abcdefu;
  record.time = "2016-01-05 09:07:03";
  record.rule = std::move(rule);
  record.originalPath = std::move(path);
  return record;
}

TEST(QuarantineIndexTest, LinesRoundTripEveryName) {
  const QuarantineRecord records[] = {
      Record(u"x(2).doc.vir", u"/home/ann/x.doc"),
      Record(u"tab\tand\nline.doc.vir", u"/d/back\\slash\r\n\ttab.doc"),
      Record(u"报告.doc.vir", u"/文档/报告.doc", ""),
      Record(platform::FromNarrow("\xD6\xD0.doc.vir"), platform::FromNarrow("/gbk/\xD6\xD0.doc")),
  };
  for (const auto& record : records) {
    const std::string line = FormatIndexLine(record);
    ASSERT_EQ(line.back(), '\n');
    EXPECT_EQ(line.find('\n'), line.size() - 1) << "one line per record: " << line;
    const auto back = ParseIndexLine(line);
    ASSERT_TRUE(back) << line;
    EXPECT_EQ(back->copyName, record.copyName);
    EXPECT_EQ(back->originalPath, record.originalPath);
    EXPECT_EQ(back->bytes, record.bytes);
    EXPECT_EQ(back->crc32, record.crc32);
    EXPECT_EQ(back->time, record.time);
    EXPECT_EQ(back->rule, record.rule);
    EXPECT_TRUE(ParseIndexLine(line.substr(0, line.size() - 1) + "\r\n")) << "a CRLF line end (Windows text mode)";
  }
  EXPECT_EQ(FormatIndexLine(records[0]),
            "v1\tx(2).doc.vir\t3\t01abcdef\t2016-01-05 09:07:03\tMacro.Test.Signature\t/home/ann/x.doc\n");
}

TEST(QuarantineIndexTest, DamagedLinesAreRefused) {
  const char* lines[] = {
      "",
      "garbage",
      "v2\tx.doc.vir\t3\t01abcdef\tt\tr\t/x.doc",            // an unknown version
      "v1\tx.doc.vir\t3\t01abcdef\tt\tr",                    // a field short
      "v1\tx.doc.vir\t3\t01abcdef\tt\tr\t/x.doc\textra",     // a field too many
      "v1\tx.doc.vir\tthree\t01abcdef\tt\tr\t/x.doc",        // size not a number
      "v1\tx.doc.vir\t3\t1abcdef\tt\tr\t/x.doc",             // checksum not eight digits
      "v1\tx.doc.vir\t3\t01ABCDEX\tt\tr\t/x.doc",            // checksum not hex
      "v1\tx.doc.vir\t99999999999999999999999\t01abcdef\tt\tr\t/x.doc",  // size past 20 digits
      "v1\t\t3\t01abcdef\tt\tr\t/x.doc",                     // no copy name
      "v1\tx.doc.vir\t3\t01abcdef\tt\tr\t",                  // no path
      "v1\tx.doc.vir\t3\t01abcdef\tt\tr\t/x\\q.doc",         // an unknown escape
      "v1\tx.doc.vir\t3\t01abcdef\tt\tr\t/x.doc\\",          // a cut escape
      "v1\tsub/x.doc.vir\t3\t01abcdef\tt\tr\t/x.doc",        // a path where a name belongs
  };
  for (const char* line : lines) EXPECT_FALSE(ParseIndexLine(line).has_value()) << line;
}

// Copies written through the store get their index lines; a damaged index, a line whose copy
// was replaced, and a line for a copy that is gone are all passed over.
TEST(QuarantineIndexTest, RecordsCountOnlyWhileTheirCopyIsUnchanged) {
  TempDir folder;
  const std::u16string dir = U16(folder.path()) + platform::kSep;
  const auto first = StoreQuarantineCopy(dir, {Native(u"/a/x.doc"), "Rule.A"}, {1, 2, 3});
  const auto second = StoreQuarantineCopy(dir, {Native(u"/b/x.doc"), "Rule.B"}, {4, 5, 6, 7});
  const auto third = StoreQuarantineCopy(dir, {Native(u"/c/y.doc"), ""}, {8});
  ASSERT_TRUE(first && second && third);
  EXPECT_EQ(platform::FileNamePart(*second), u"x(2).doc.vir");
  EXPECT_EQ(StoreQuarantineCopy(dir, {Native(u"/a/x.doc"), "Rule.A"}, {1, 2, 3}), first) << "same content: the same copy";

  {
    platform::AppendLog index;  // damage: a cut line, garbage, a line for a copy that never was
    ASSERT_TRUE(index.Open(dir + u"index.txt"));
    index.Write("v1\tx.doc.vir\t3\n\x01\x02 garbage\n");
    index.Write(FormatIndexLine(Record(u"ghost.doc.vir", u"/g/ghost.doc")));
  }
  WriteFile(folder / "y.doc.vir", std::vector<uint8_t>{0x00, 0x00});  // y's copy is another file now

  const auto records = ReadQuarantineIndex(dir);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records.at(u"x.doc.vir").originalPath, Native(u"/a/x.doc"));
  EXPECT_EQ(records.at(u"x.doc.vir").rule, "Rule.A");
  EXPECT_EQ(records.at(u"x(2).doc.vir").originalPath, Native(u"/b/x.doc"));
  EXPECT_EQ(records.at(u"x(2).doc.vir").bytes, 4u);
  EXPECT_EQ(records.count(u"y.doc.vir"), 0u);
  EXPECT_EQ(records.count(u"ghost.doc.vir"), 0u);

  fs::remove(folder / "index.txt");
  EXPECT_TRUE(ReadQuarantineIndex(dir).empty()) << "no index: no origins, and no failure";
}

}  // namespace
}  // namespace qv::test
