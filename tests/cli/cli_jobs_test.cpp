// quorvane-scan scan --jobs N: however many workers scan, the output is the same text, in
// the walk's order (each folder's entries by name, a subfolder's contents where its name
// falls).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/cli/cli_harness.h"
#include "tests/cli/sample_documents.h"

namespace qv::cli::test {
namespace {

namespace fs = std::filesystem;
using qv::test::WriteFile;

class CliJobs : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!program.hasSignatures()) GTEST_SKIP() << "the build made no qzmacro.vlb (signature compiler vlbc)";
    // Folder names that sort differently as names and as paths ("b" < "b.c", but
    // "b.c/…" < "b/…": the walk gives b/deep/er, b and then b.c), and documents of very
    // different sizes, so that workers finish out of order.
    const char* folders[] = {"a", "b", "b.c", "b/deep/er", "z"};
    int n = 0;
    for (const char* folder : folders) {
      for (int i = 0; i < 8; ++i, ++n) {
        const bool infected = n % 3 == 0;
        const fs::path path = (program.work() / folder / ("doc" + std::to_string(i) + ".doc")).make_preferred();
        WriteFile(path, WordDocumentWithMacro(infected, (n % 5) * 150000));
        if (infected) infectedPaths.insert(path);
      }
    }
  }
  RelocatedProgram program;
  // std::filesystem::path compares component by component, each by its code units: the
  // walk's order.
  std::set<fs::path> infectedPaths;
};

TEST_F(CliJobs, EveryNumberOfWorkersPrintsTheSameTextInWalkOrder) {
  const ProgramRun one = program.Run({"scan", "--jobs", "1", program.work().string()});
  ASSERT_EQ(one.exitCode, 1) << one.err;
  std::vector<std::string> expected;
  for (const auto& path : infectedPaths) expected.push_back(path.string() + ": Macro.Test.Signature reported");
  expected.push_back("共扫描 40 个文件   检测到 14 个异常   修复 0 个异常");
  EXPECT_EQ(one.outLines(), expected);

  for (const char* jobs : {"2", "4", "7"}) {
    const ProgramRun many = program.Run({"scan", "--jobs", jobs, program.work().string()});
    EXPECT_EQ(many.exitCode, 1) << jobs;
    EXPECT_EQ(many.out, one.out) << jobs;
  }
  const ProgramRun byDefault = program.Run({"scan", program.work().string()});
  EXPECT_EQ(byDefault.out, one.out);

  const ProgramRun jsonOne = program.Run({"scan", "--json", "--jobs=1", program.work().string()});
  const ProgramRun jsonMany = program.Run({"scan", "--json", "--jobs=5", program.work().string()});
  EXPECT_EQ(jsonMany.out, jsonOne.out);
  if (!kHaveJsonParser) GTEST_SKIP() << kNoJsonParser;
  EXPECT_EQ(CanonicalJsonLines(jsonOne.out).size(), expected.size());
}

// A document named beside its own folder is scanned once, where the walk meets it (the walk
// keeps no list of the documents it handed over, only of the ones named).
TEST_F(CliJobs, ADocumentNamedWithItsFolderIsScannedOnce) {
  const ProgramRun folder = program.Run({"scan", "--jobs", "1", program.work().string()});
  ASSERT_EQ(folder.exitCode, 1) << folder.err;
  const fs::path infected = (program.work() / "b" / "doc1.doc").make_preferred();
  ASSERT_EQ(infectedPaths.count(infected), 1u);
  for (const char* jobs : {"1", "2"}) {
    const ProgramRun both = program.Run({"scan", "--jobs", jobs, infected.string(), program.work().string()});
    EXPECT_EQ(both.exitCode, 1) << both.err;
    EXPECT_EQ(both.out, folder.out) << jobs;
  }
}

TEST_F(CliJobs, RepairWithManyWorkersRepairsEveryInfectedDocumentOnce) {
  const ProgramRun repair = program.Run({"scan", "--repair", "--jobs", "4", program.work().string()});
  ASSERT_EQ(repair.exitCode, 1) << repair.err;
  std::vector<std::string> expected;
  for (const auto& path : infectedPaths) expected.push_back(path.string() + ": Macro.Test.Signature repaired");
  expected.push_back("共扫描 40 个文件   检测到 14 个异常   修复 14 个异常");
  EXPECT_EQ(repair.outLines(), expected);
  // One quarantine copy per document, whichever worker made it.
  size_t copies = 0;
  for (const auto& entry : fs::directory_iterator(program.quarantine())) copies += entry.path().extension() == ".vir";
  EXPECT_EQ(copies, infectedPaths.size());
  const ProgramRun rescan = program.Run({"scan", "--jobs", "4", program.work().string()});
  EXPECT_EQ(rescan.exitCode, 0) << rescan.out;
}

}  // namespace
}  // namespace qv::test
