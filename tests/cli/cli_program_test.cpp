// quorvane-scan as a whole program: exit codes, messages, clean scans, restore and the
// quarantine list. (Detections: cli_detection_test.cpp.)
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string_view>

#include "tests/cli/cli_harness.h"
#include "tests/cli/sample_documents.h"

namespace qv::cli::test {
namespace {

namespace fs = std::filesystem;
using qv::test::ReadFile;
using qv::test::WriteFile;

TEST(CliProgram, BadArgumentsExitTwoWithUsage) {
  RelocatedProgram program;
  for (const auto& args : std::vector<std::vector<std::string>>{{}, {"scan"}, {"scan", "--frob", "x"}, {"erase"}}) {
    const ProgramRun run = program.Run(args);
    EXPECT_EQ(run.exitCode, 2) << ::testing::PrintToString(args);
    EXPECT_TRUE(Has(run.err, "usage: quorvane-scan")) << run.err;
    EXPECT_EQ(run.out, "");
  }
  const ProgramRun help = program.Run({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(Has(help.out, "usage: quorvane-scan"));
  EXPECT_TRUE(Has(help.out, "--quarantine DIR"));
  const ProgramRun version = program.Run({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_TRUE(std::regex_match(version.out, std::regex("quorvane-scan [0-9]+(\\.[0-9]+){1,3}\n"))) << version.out;
}

TEST(CliProgram, CleanFolderExitsZeroWithOnlyTheSummary) {
  RelocatedProgram program;
  if (!program.hasSignatures()) GTEST_SKIP() << "the build made no qzmacro.vlb (signature compiler vlbc)";
  WriteFile(program.work() / "clean.doc", WordDocumentWithMacro(false));
  WriteFile(program.work() / "notes.txt", "plain text");
  fs::create_directories(program.work() / "sub");
  WriteFile(program.work() / "sub" / "other.doc", WordDocumentWithMacro(false));
  const auto before = ReadFile(program.work() / "clean.doc");

  const ProgramRun text = program.Run({"scan", program.work().string()});
  EXPECT_EQ(text.exitCode, 0) << text.err;
  EXPECT_EQ(text.outLines(), (std::vector<std::string>{"共扫描 3 个文件   检测到 0 个异常   修复 0 个异常"}));
  EXPECT_EQ(text.err, "");  // not a terminal: no progress line
  EXPECT_EQ(ReadFile(program.work() / "clean.doc"), before);

  const ProgramRun json = program.Run({"scan", "--json", program.work().string()});
  EXPECT_EQ(json.exitCode, 0);
  if (!kHaveJsonParser) GTEST_SKIP() << kNoJsonParser;
  EXPECT_EQ(CanonicalJsonLines(json.out),
            (std::vector<std::string>{"{\"detected\": 0, \"files\": 3, \"repaired\": 0, \"summary\": "
                                      "\"共扫描 3 个文件   检测到 0 个异常   修复 0 个异常\"}"}));
}

TEST(CliProgram, MissingPathIsAnErrorButTheRestIsScanned) {
  RelocatedProgram program;
  if (!program.hasSignatures()) GTEST_SKIP() << "the build made no qzmacro.vlb (signature compiler vlbc)";
  WriteFile(program.work() / "a.doc", WordDocumentWithMacro(false));
  const std::string missing = (program.work() / "gone").string();
  const ProgramRun run = program.Run({"scan", missing, (program.work() / "a.doc").string()});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(Has(run.err, "no such file or folder: " + missing)) << run.err;
  EXPECT_EQ(run.outLines(), (std::vector<std::string>{"共扫描 1 个文件   检测到 0 个异常   修复 0 个异常"}));

  const ProgramRun only = program.Run({"scan", missing});
  EXPECT_EQ(only.exitCode, 2);
  EXPECT_EQ(only.out, "");
}

TEST(CliProgram, UnusableEngineSetupsExitTwoWithAClearMessage) {
  struct Case {
    const char* name;
    std::function<void(const RelocatedProgram&)> damage;
    const char* message;
  };
  const Case cases[] = {
      {"no signature library", [](const RelocatedProgram& p) { fs::remove(p.bin() / "qzmacro.vlb"); },
       "the signature library is missing: "},
      {"damaged signature library",
       [](const RelocatedProgram& p) { WriteFile(p.bin() / "qzmacro.vlb", std::string(300, 'x')); },
       "the signature library is damaged or unusable: "},
      {"quarantine cannot be made",
       [](const RelocatedProgram& p) { WriteFile(p.quarantine(), "a file where the folder belongs"); },
       "the quarantine folder cannot be written"},
      {"no engine library", [](const RelocatedProgram& p) { fs::remove(p.bin() / "libSCanVirus.so"); },
       "the engine library is missing: "},
      {"damaged engine library",
       [](const RelocatedProgram& p) { WriteFile(p.bin() / "libSCanVirus.so", std::string(100, '\0')); },
       "the engine cannot be loaded"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
#ifdef _WIN32
    // The last cases, last in the table: only the POSIX launcher loads the engine at run time.
    if (std::string_view(c.name).ends_with("engine library")) {
      GTEST_SKIP() << "the Windows program has the engine linked in: no library to lose";
    }
#endif
    RelocatedProgram program;
    WriteFile(program.work() / "a.doc", WordDocumentWithMacro(true));
    c.damage(program);
    const auto before = ReadFile(program.work() / "a.doc");
    const ProgramRun run = program.Run({"scan", "--repair", program.work().string()});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(Has(run.err, c.message)) << run.err;
    EXPECT_FALSE(Has(run.err, "terminate")) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(ReadFile(program.work() / "a.doc"), before);
  }
}

TEST(CliProgram, RestoreBringsBackEveryByteValue) {
  RelocatedProgram program;
  std::vector<uint8_t> original;
  for (int i = 0; i < 512; ++i) original.push_back(static_cast<uint8_t>(i * 37));  // 0D 0A 1A included
  fs::create_directories(program.quarantine());
  const fs::path copy = program.quarantine() / "Report.doc.vir";
  WriteFile(copy, Scrambled(original));

  // into a named file, replacing what is there (asked for with --force)
  WriteFile(program.work() / "named.doc", "old content");
  const ProgramRun named = program.Run({"restore", "--force", copy.string(), (program.work() / "named.doc").string()});
  EXPECT_EQ(named.exitCode, 0) << named.err;
  EXPECT_EQ(ReadFile(program.work() / "named.doc"), original);
  // into a folder, under the name the copy restores to
  const ProgramRun folder = program.Run({"restore", "--json", copy.string(), program.work().string()});
  EXPECT_EQ(folder.exitCode, 0) << folder.err;
  EXPECT_EQ(ReadFile(program.work() / "Report.doc"), original);
  EXPECT_TRUE(fs::exists(copy));  // the copy stays
  if (!kHaveJsonParser) GTEST_SKIP() << kNoJsonParser;
  EXPECT_EQ(CanonicalJsonLines(folder.out),
            (std::vector<std::string>{"{\"restored\": \"" + copy.string() + "\", \"to\": \"" +
                                      (program.work() / "Report.doc").string() + "\"}"}));
}

TEST(CliProgram, RestoreFailuresExitTwo) {
  RelocatedProgram program;
  fs::create_directories(program.quarantine());
  WriteFile(program.quarantine() / "empty.doc.vir", std::string());
  WriteFile(program.quarantine() / "good.doc.vir", Scrambled({1, 2, 3}));
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"restore", (program.quarantine() / "none.doc.vir").string(), program.work().string()}, "no such quarantine copy"},
      {{"restore", (program.quarantine() / "empty.doc.vir").string(), (program.work() / "e.doc").string()},
       "cannot restore"},
      {{"restore", (program.quarantine() / "good.doc.vir").string(), (program.work() / "no/such/dir/g.doc").string()},
       "cannot restore"},
  };
  for (const auto& [args, message] : cases) {
    const ProgramRun run = program.Run(args);
    EXPECT_EQ(run.exitCode, 2) << ::testing::PrintToString(args);
    EXPECT_TRUE(Has(run.err, message)) << run.err;
  }
  EXPECT_FALSE(fs::exists(program.work() / "e.doc"));
}

TEST(CliProgram, QuarantineListNamesEachCopyAndItsOriginal) {
  RelocatedProgram program;
  const ProgramRun none = program.Run({"quarantine", "list"});
  EXPECT_EQ(none.exitCode, 0);
  EXPECT_EQ(none.out, "");

  fs::create_directories(program.quarantine());
  WriteFile(program.quarantine() / "b.xls.vir", Scrambled({1, 2, 3, 4}));
  WriteFile(program.quarantine() / "a.doc.vir", Scrambled({1, 2}));
  WriteFile(program.quarantine() / "log.txt", "not a copy");
  const std::string q = program.quarantine().string();
  const ProgramRun text = program.Run({"quarantine", "list"});
  EXPECT_EQ(text.exitCode, 0);
  EXPECT_EQ(text.outLines(), (std::vector<std::string>{(program.quarantine() / "a.doc.vir").string() + "\ta.doc\t2",
                                                       (program.quarantine() / "b.xls.vir").string() + "\tb.xls\t4"}));
  const ProgramRun json = program.Run({"quarantine", "list", "--json"});
  if (!kHaveJsonParser) GTEST_SKIP() << kNoJsonParser;
  EXPECT_EQ(CanonicalJsonLines(json.out),
            (std::vector<std::string>{"{\"bytes\": 2, \"copy\": \"" + q + "/a.doc.vir\", \"restoresTo\": \"a.doc\"}",
                                      "{\"bytes\": 4, \"copy\": \"" + q + "/b.xls.vir\", \"restoresTo\": \"b.xls\"}"}));
}

}  // namespace
}  // namespace qv::cli::test
