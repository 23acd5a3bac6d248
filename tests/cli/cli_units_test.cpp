// The scanner's argument parsing and output formats.
#include <gtest/gtest.h>

#include "cli/core/arguments.h"
#include "cli/core/output.h"
#include "engine/platform/platform.h"
#include "tests/cli/cli_harness.h"

namespace qv::cli {
namespace {

TEST(ParseArguments, AcceptsEveryCommandForm) {
  struct Case {
    std::vector<std::string> args;
    Command command;
    bool repair, json, allDrives;
    std::vector<std::string> operands;
  };
  const Case cases[] = {
      {{"scan", "a", "b"}, Command::Scan, false, false, false, {"a", "b"}},
      {{"scan", "--repair", "a", "--json"}, Command::Scan, true, true, false, {"a"}},
      {{"--json", "scan", "--all-drives"}, Command::Scan, false, true, true, {}},
      {{"scan", "--", "--repair"}, Command::Scan, false, false, false, {"--repair"}},
      {{"scan", "-"}, Command::Scan, false, false, false, {"-"}},
      {{"restore", "x.doc.vir", "dest"}, Command::Restore, false, false, false, {"x.doc.vir", "dest"}},
      {{"restore", "x.doc.vir"}, Command::Restore, false, false, false, {"x.doc.vir"}},
      {{"quarantine", "list", "--json"}, Command::QuarantineList, false, true, false, {}},
      {{"scan", "a", "--help"}, Command::Help, false, false, false, {}},
      {{"--version"}, Command::Version, false, false, false, {}},
      {{"scan", "--quarantine", "/q", "a"}, Command::Scan, false, false, false, {"a"}},
      {{"quarantine", "list", "--quarantine=/q"}, Command::QuarantineList, false, false, false, {}},
  };
  for (const auto& c : cases) {
    const ParseResult r = ParseArguments(c.args);
    ASSERT_TRUE(r.ok) << ::testing::PrintToString(c.args) << ": " << r.error;
    EXPECT_EQ(r.arguments.command, c.command) << ::testing::PrintToString(c.args);
    if (c.command == Command::Help || c.command == Command::Version) continue;
    EXPECT_EQ(r.arguments.repair, c.repair);
    EXPECT_EQ(r.arguments.json, c.json);
    EXPECT_EQ(r.arguments.allDrives, c.allDrives);
    EXPECT_EQ(r.arguments.operands, c.operands);
  }
}

TEST(ParseArguments, ForceAndFollowLinksBelongToTheirCommands) {
  const ParseResult restore = ParseArguments({"restore", "--force", "a.vir", "b"});
  ASSERT_TRUE(restore.ok) << restore.error;
  EXPECT_TRUE(restore.arguments.force);
  EXPECT_FALSE(ParseArguments({"restore", "a.vir", "b"}).arguments.force);
  const ParseResult scan = ParseArguments({"scan", "--follow-links", "a"});
  ASSERT_TRUE(scan.ok) << scan.error;
  EXPECT_TRUE(scan.arguments.followLinks);
  EXPECT_FALSE(ParseArguments({"scan", "a"}).arguments.followLinks);
}

TEST(ParseArguments, QuarantineFolderIsTakenFromEitherForm) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"scan", "a"}, ""},
      {{"scan", "--quarantine", "/var/lib/quorvane/RepairBrack", "a"}, "/var/lib/quorvane/RepairBrack"},
      {{"--quarantine=q dir", "quarantine", "list"}, "q dir"},
      {{"restore", "x.vir", "d", "--quarantine", "--json"}, "--json"},  // the value is the next word, whatever it is
  };
  for (const auto& [args, folder] : cases) {
    const ParseResult r = ParseArguments(args);
    ASSERT_TRUE(r.ok) << ::testing::PrintToString(args) << ": " << r.error;
    EXPECT_EQ(r.arguments.quarantine, folder);
    EXPECT_FALSE(r.arguments.json);
  }
}

TEST(ParseArguments, JobsIsTakenFromEitherForm) {
  const std::pair<std::vector<std::string>, unsigned> cases[] = {
      {{"scan", "a"}, 0u},  // 0: one worker per processor
      {{"scan", "--jobs", "1", "a"}, 1u},
      {{"scan", "a", "--jobs=16"}, 16u},
      {{"scan", "--jobs", "256", "a"}, 256u},
  };
  for (const auto& [args, jobs] : cases) {
    const ParseResult r = ParseArguments(args);
    ASSERT_TRUE(r.ok) << ::testing::PrintToString(args) << ": " << r.error;
    EXPECT_EQ(r.arguments.jobs, jobs) << ::testing::PrintToString(args);
    EXPECT_EQ(r.arguments.operands, std::vector<std::string>{"a"});
  }
}

TEST(ParseArguments, RefusesWhatMakesNoSense) {
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{}, "no command given"},
      {{"scan"}, "at least one path"},
      {{"scan", "--all-drives", "a"}, "not both"},
      {{"scan", "--bogus", "a"}, "unknown option --bogus"},
      {{"frobnicate"}, "unknown command frobnicate"},
      {{"restore", "a", "b", "c"}, "restore needs"},
      {{"quarantine"}, "quarantine list"},
      {{"quarantine", "purge"}, "quarantine list"},
      {{"restore", "--repair", "a", "b"}, "belong to the scan command"},
      {{"quarantine", "list", "--all-drives"}, "belong to the scan command"},
      {{"scan", "a", "--quarantine"}, "--quarantine needs a folder"},
      {{"scan", "a", "--quarantine="}, "--quarantine needs a folder"},
      {{"restore", "--follow-links", "a", "b"}, "belong to the scan command"},
      {{"scan", "--force", "a"}, "--force belongs to the restore command"},
      {{"scan", "a", "--jobs"}, "--jobs needs a number"},
      {{"scan", "a", "--jobs", "0"}, "from 1 to 256"},
      {{"scan", "a", "--jobs=257"}, "from 1 to 256"},
      {{"scan", "a", "--jobs=-1"}, "from 1 to 256"},
      {{"scan", "a", "--jobs", "2x"}, "from 1 to 256"},
      {{"scan", "a", "--jobs", "99999999999"}, "from 1 to 256"},
      {{"quarantine", "list", "--jobs", "2"}, "belong to the scan command"},
  };
  for (const auto& [args, message] : cases) {
    const ParseResult r = ParseArguments(args);
    EXPECT_FALSE(r.ok) << ::testing::PrintToString(args);
    EXPECT_NE(r.error.find(message), std::string::npos) << r.error;
  }
}

TEST(Output, JsonStringsSurviveARealParser) {
  if (!test::kHaveJsonParser) GTEST_SKIP() << test::kNoJsonParser;
  const std::string nasty = std::string("q\"b\\s/\n\r\t\x01\x1f\x7f 病毒.doc");
  qv::api::Finding finding{u"/d/" + platform::FromNarrow(nasty), "Macro.Test.Signature", qv::api::Action::RepairFailed};
  const auto lines = test::CanonicalJsonLines(FindingLine(finding, true) + "\n" +
                                                 SummaryLine(3, 1, 0, true) + "\n");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "{\"action\": \"repair failed\", \"path\": \"/d/q\\\"b\\\\s/\\n\\r\\t\\u0001\\u001f\x7f 病毒.doc\", "
                      "\"rule\": \"Macro.Test.Signature\"}");
  EXPECT_EQ(lines[1], "{\"detected\": 1, \"files\": 3, \"repaired\": 0, "
                      "\"summary\": \"共扫描 3 个文件   检测到 1 个异常   修复 0 个异常\"}");
}

// Bytes of a name that is not UTF-8 become escaped lone surrogates: valid JSON, and the same
// bytes again for a reader that maps them back (surrogateescape).
TEST(Output, JsonEscapesBytesThatAreNotUtf8) {
  EXPECT_EQ(JsonString("a\xFF" "b"), "\"a\\udcffb\"");
  EXPECT_EQ(JsonString("\xD6\xD0 \xE4\xB8\xAD"), "\"\\udcd6\\udcd0 \xE4\xB8\xAD\"") << "valid UTF-8 stays as it is";
  const std::string gbkPath = "/d/\xD6\xD0\xCE\xC4.doc";
  const qv::api::Finding finding{platform::FromNarrow(gbkPath), "Macro.X", qv::api::Action::Reported};
  if (!test::kHaveJsonParser) GTEST_SKIP() << test::kNoJsonParser;
  EXPECT_EQ(test::CanonicalJsonLines(FindingLine(finding, true) + "\n"),
            (std::vector<std::string>{"{\"action\": \"reported\", \"path\": \"" + gbkPath + "\", \"rule\": \"Macro.X\"}"}));
}

TEST(Output, TextFindingLineNamesPathRuleAndAction) {
  EXPECT_EQ(FindingLine({u"/d/a.doc", "Macro.X", qv::api::Action::Reported}, false), "/d/a.doc: Macro.X reported");
  EXPECT_EQ(FindingLine({u"/d/a.doc", "Macro.X", qv::api::Action::BackupFailed}, false),
            "/d/a.doc: Macro.X backup failed");
  EXPECT_EQ(FindingLine({u"/d/a.xls", "", qv::api::Action::SweptDeleted}, false),
            "/d/a.xls: - deleted (start-up file)");
}

TEST(Output, ProgressLineCountsWithTheTotalOnlyWhenKnown) {
  EXPECT_EQ(ProgressLine(7, 0, "/d/a.doc"), "[7] /d/a.doc");  // the walk is still going
  EXPECT_EQ(ProgressLine(7, 120, "/d/a.doc"), "[7/120] /d/a.doc");
}

TEST(Output, ProgressKeepsTheEndOfLongPaths) {
  EXPECT_EQ(FitToWidth("/short", 20), "/short");
  EXPECT_EQ(FitToWidth("/a/very/long/path/file.doc", 12), ".../file.doc");
  // wide characters take two columns each
  EXPECT_EQ(FitToWidth("/目录/病毒文件.doc", 15), "...病毒文件.doc");
  EXPECT_EQ(FitToWidth("abcdef", 2), "..");
}

}  // namespace
}  // namespace qv::cli
