// quorvane-scan on documents that carry the harmless test signature: report, repair,
// quarantine and restore, end to end through the real engine and signature library.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/cli/cli_harness.h"
#include "tests/cli/sample_documents.h"

namespace qv::cli::test {
namespace {

namespace fs = std::filesystem;
using qv::test::ReadFile;
using qv::test::WriteFile;

class CliDetection : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!program.hasSignatures()) GTEST_SKIP() << "the build made no qzmacro.vlb (signature compiler vlbc)";
    WriteFile(infected, WordDocumentWithMacro(true));
    WriteFile(clean, WordDocumentWithMacro(false));
    original = ReadFile(infected);
  }
  RelocatedProgram program;
  const fs::path infected = program.work() / "infected.doc";
  const fs::path clean = program.work() / "clean.doc";
  std::vector<uint8_t> original;
};

TEST_F(CliDetection, ReportOnlyNamesTheFindingAndChangesNothing) {
  const ProgramRun run = program.Run({"scan", program.work().string()});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(run.outLines(), (std::vector<std::string>{infected.string() + ": Macro.Test.Signature reported",
                                                      "共扫描 2 个文件   检测到 1 个异常   修复 0 个异常"}));
  EXPECT_EQ(ReadFile(infected), original);

  const ProgramRun json = program.Run({"scan", "--json", infected.string(), clean.string()});
  EXPECT_EQ(json.exitCode, 1);
  if (!kHaveJsonParser) GTEST_SKIP() << kNoJsonParser;
  EXPECT_EQ(CanonicalJsonLines(json.out),
            (std::vector<std::string>{
                "{\"action\": \"reported\", \"path\": \"" + infected.string() + "\", \"rule\": \"Macro.Test.Signature\"}",
                "{\"detected\": 1, \"files\": 2, \"repaired\": 0, \"summary\": "
                "\"共扫描 2 个文件   检测到 1 个异常   修复 0 个异常\"}"}));
}

TEST_F(CliDetection, RepairThenRestoreGivesBackTheOriginalByteForByte) {
  const ProgramRun repair = program.Run({"scan", "--repair", program.work().string()});
  EXPECT_EQ(repair.exitCode, 1) << repair.err;
  EXPECT_EQ(repair.outLines(), (std::vector<std::string>{infected.string() + ": Macro.Test.Signature repaired",
                                                         "共扫描 2 个文件   检测到 1 个异常   修复 1 个异常"}));
  ASSERT_TRUE(fs::exists(infected));
  EXPECT_NE(ReadFile(infected), original);
  EXPECT_EQ(ReadFile(infected).size(), original.size());  // repairs never move data

  const ProgramRun rescan = program.Run({"scan", program.work().string()});
  EXPECT_EQ(rescan.exitCode, 0) << rescan.out;

  // copy, name it restores to, size, then from the quarantine index: where, when and why
  const ProgramRun list = program.Run({"quarantine", "list"});
  const std::string copy = (program.quarantine() / "infected.doc.vir").string();
  const std::string known = copy + "\tinfected.doc\t" + std::to_string(original.size()) + "\t" + infected.string() + "\t";
  ASSERT_EQ(list.outLines().size(), 1u) << list.out;
  EXPECT_EQ(list.outLines()[0].substr(0, known.size()), known);
  EXPECT_TRUE(list.outLines()[0].ends_with("\tMacro.Test.Signature")) << list.out;

  const ProgramRun restore = program.Run({"restore", "--force", copy, infected.string()});
  EXPECT_EQ(restore.exitCode, 0) << restore.err;
  EXPECT_EQ(ReadFile(infected), original);
  EXPECT_EQ(program.Run({"scan", infected.string()}).exitCode, 1);
}

// An installed program folder (marked by the install step) keeps every user's copies in
// their own data folder; --quarantine names any other folder for scripts and servers.
TEST_F(CliDetection, QuarantineFolderFollowsTheInstallAndTheOption) {
#ifndef _WIN32  // Windows keeps the quarantine beside the program, installed or not
  WriteFile(program.bin() / "installed-layout", std::string("system-wide install\n"));
  qv::test::TempDir data;
  qv::test::ScopedEnv xdg("XDG_DATA_HOME", data.path().string().c_str());
  const fs::path own = data / "quorvane" / "RepairBrack";

  const ProgramRun repair = program.Run({"scan", "--repair", infected.string()});
  EXPECT_EQ(repair.exitCode, 1) << repair.err;
  ASSERT_TRUE(fs::exists(own / "infected.doc.vir"));
  EXPECT_TRUE(fs::exists(own / "log.txt"));
  EXPECT_FALSE(fs::exists(program.quarantine()));
  const ProgramRun ownList = program.Run({"quarantine", "list"});
  const std::string ownLine = (own / "infected.doc.vir").string() + "\tinfected.doc\t" + std::to_string(original.size()) + "\t";
  ASSERT_EQ(ownList.outLines().size(), 1u) << ownList.out;
  EXPECT_EQ(ownList.outLines()[0].substr(0, ownLine.size()), ownLine);

  // the name quarantine list shows is enough to restore (over the repaired document: --force)
  const ProgramRun restore = program.Run({"restore", "--force", "infected.doc.vir", program.work().string()});
  EXPECT_EQ(restore.exitCode, 0) << restore.err;
  EXPECT_EQ(ReadFile(infected), original);
#endif

  const fs::path named = program.work() / "server" / "RepairBrack";
  const ProgramRun server = program.Run({"scan", "--repair", "--quarantine", named.string(), infected.string()});
  EXPECT_EQ(server.exitCode, 1) << server.err;
  EXPECT_TRUE(fs::exists(named / "infected.doc.vir"));
  const ProgramRun listed = program.Run({"quarantine", "list", "--quarantine=" + named.string()});
  EXPECT_EQ(listed.outLines().size(), 1u);
  EXPECT_EQ(program.Run({"restore", "--force", "--quarantine", named.string(), "infected.doc.vir", infected.string()}).exitCode, 0);
  EXPECT_EQ(ReadFile(infected), original);

  // a folder that cannot be made is an error before any document is touched
  const ProgramRun refused =
      program.Run({"scan", "--repair", "--quarantine", (program.work() / "clean.doc" / "q").string(), infected.string()});
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_NE(refused.err.find("the quarantine folder cannot be written"), std::string::npos) << refused.err;
  EXPECT_EQ(ReadFile(infected), original);
}

}  // namespace
}  // namespace qv::cli::test
