// The walk over a target: which files reach the per-file gate, and in what order.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/support/engine/program_folder.h"
#include "tests/support/system/system.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;

class WalkTest : public ::testing::Test {
 protected:
  ProgramFolder program_;
  TempDir docs_;

  std::vector<std::string> Traced(const fs::path& target) {
    const ExportCall call = CallScanFileVirus(U16(target), 1);
    EXPECT_EQ(call.result, 1);
    return TracedPaths(call.console);
  }
  std::string At(const std::string& relative) { return (docs_ / relative).string(); }
};

size_t IndexOf(const std::vector<std::string>& paths, const std::string& path) {
  return static_cast<size_t>(std::find(paths.begin(), paths.end(), path) - paths.begin());
}

TEST_F(WalkTest, FilesOfAFolderComeBeforeItsSubfolders) {
  WriteFile(docs_ / "a.doc", "a");
  WriteFile(docs_ / "sub" / "b.doc", "b");
  WriteFile(docs_ / "sub" / "deeper" / "c.doc", "c");
  WriteFile(docs_ / "z.doc", "z");
  const auto traced = Traced(docs_.path());
  ASSERT_EQ(traced.size(), 4u);
  EXPECT_LT(IndexOf(traced, At("a.doc")), IndexOf(traced, At("sub/b.doc")));
  EXPECT_LT(IndexOf(traced, At("z.doc")), IndexOf(traced, At("sub/b.doc")));
  EXPECT_LT(IndexOf(traced, At("sub/b.doc")), IndexOf(traced, At("sub/deeper/c.doc")));
}

TEST_F(WalkTest, PatternAppliesToFilesInEverySubfolderIgnoringAsciiCase) {
  WriteFile(docs_ / "x.doc", "x");
  WriteFile(docs_ / "notes.txt", "n");
  WriteFile(docs_ / "sub" / "Y.DOC", "y");
  WriteFile(docs_ / "sub" / "y.docx", "y");
  WriteFile(docs_ / "sub.doc" / "inner.txt", "folder names do not need to match");
  auto traced = Traced(docs_ / "*.doc");
  std::sort(traced.begin(), traced.end());
  EXPECT_EQ(traced, (std::vector<std::string>{At("sub/Y.DOC"), At("x.doc")}));
}

TEST_F(WalkTest, DotFoldersAreNotEnteredButDotFilesAreExamined) {
  WriteFile(docs_ / ".cache" / "hidden.doc", "h");
  WriteFile(docs_ / ".profile.doc", "p");
  EXPECT_EQ(Traced(docs_.path()), (std::vector<std::string>{At(".profile.doc")}));
}

TEST_F(WalkTest, NothingInTheQuarantineFolderIsEverExamined) {
  WriteFile(program_.quarantine() / "Report.doc", CompoundSignatureOnly());
  WriteFile(program_.quarantine() / "sub" / "Other.doc", CompoundSignatureOnly());
  WriteFile(program_.bin() / "beside.doc", "b");
  // the folder itself (with and without the trailing separator), a file in it, and a walk
  // of the folder that holds it
  EXPECT_TRUE(Traced(program_.quarantine().string() + "/").empty());
  EXPECT_TRUE(Traced(program_.quarantine()).empty());
  EXPECT_TRUE(Traced(program_.quarantine() / "Report.doc").empty());
  const auto traced = Traced(program_.bin());
  EXPECT_EQ(std::count_if(traced.begin(), traced.end(),
                          [](const std::string& p) { return p.find("RepairBrack") != std::string::npos; }),
            0);
  EXPECT_NE(IndexOf(traced, (program_.bin() / "beside.doc").string()), traced.size());
}

TEST_F(WalkTest, MissingPathsWalkNothing) {
  EXPECT_TRUE(Traced(docs_ / "no-such-file.doc").empty());
  EXPECT_TRUE(Traced(docs_ / "no-such-folder" / "*.doc").empty());
}

TEST_F(WalkTest, LinkLoopsEnd) {
  if (!qv::test::kSymlinksInTests) GTEST_SKIP() << "the tests cannot make links on this platform";
  WriteFile(docs_ / "loop" / "a.doc", "a");
  fs::create_directory_symlink(docs_ / "loop", docs_ / "loop" / "again");
  fs::create_directory_symlink(docs_.path(), docs_ / "loop" / "up");
  const auto traced = Traced(docs_.path());
  EXPECT_EQ(std::count(traced.begin(), traced.end(), At("loop/a.doc")), 1);
}

TEST_F(WalkTest, RelativeAndDottedPathsAreMadeAbsolute) {
  WriteFile(docs_ / "sub" / "a.doc", "a");
  const fs::path saved = fs::current_path();
  fs::current_path(docs_ / "sub");
  const auto traced = Traced("../sub/./a.doc");
  fs::current_path(saved);
  EXPECT_EQ(traced, (std::vector<std::string>{At("sub/a.doc")}));
}

}  // namespace
}  // namespace qv::test
