// What repairs under interruption rest on: the fault hook, no-replace renames, the lock that
// one run holds on a quarantine folder, and the removal of temporary folders whose maker died.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "engine/platform/fault_injection.h"
#include "engine/platform/platform.h"

namespace qv::platform {
namespace {

using testing::FaultSite;
using testing::FaultVerdict;

class Durability : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = CreatePrivateTempFolder();
    ASSERT_FALSE(root_.empty());
  }
  void TearDown() override {
    testing::SetFaultHook({});
    for (const auto& entry : ListFolder(root_, u"*")) DeletePath(Child(entry.name));
    RemoveEmptyFolder(root_);
  }
  std::u16string Child(const std::u16string& name) const { return root_ + kSep + name; }
  static std::string Content(const std::u16string& path) {
    auto file = File::OpenRead(path);
    if (!file) return "<missing>";
    std::string bytes(file->Size(), '\0');
    file->ReadAt(0, bytes.data(), bytes.size());
    return bytes;
  }
  static bool Write(const std::u16string& path, const std::string& bytes) {
    auto file = File::CreateExclusive(path);
    return file && file->WriteAt(0, bytes.data(), bytes.size()) == bytes.size();
  }
  std::u16string root_;
};

TEST_F(Durability, TheFaultHookSeesEveryChangingOperationAndCanFailIt) {
  std::vector<std::pair<FaultSite, std::u16string>> seen;
  FaultSite failing = FaultSite::Lock;
  testing::SetFaultHook([&](FaultSite site, const std::u16string& path) {
    seen.emplace_back(site, path);
    return site == failing ? FaultVerdict::Fail : FaultVerdict::Proceed;
  });
  const std::u16string a = Child(u"a"), b = Child(u"b");
  {
    auto file = File::CreateExclusive(a);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->WriteAt(0, "abc", 3), 3u);
    EXPECT_TRUE(file->Flush());
  }
  EXPECT_TRUE(RenameReplace(a, b));
  EXPECT_TRUE(DeletePath(b));
  const std::vector<std::pair<FaultSite, std::u16string>> expected = {
      {FaultSite::Create, a}, {FaultSite::Write, u""}, {FaultSite::Flush, u""}, {FaultSite::Rename, a},
      {FaultSite::Delete, b}};
  EXPECT_EQ(seen, expected);

  // Each site fails alone when the hook says so, and the operation then changes nothing.
  ASSERT_TRUE(Write(a, "abc"));
  failing = FaultSite::Write;
  {
    auto file = File::OpenReadWrite(a);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->WriteAt(0, "xyz", 3), 0u);
  }
  EXPECT_EQ(Content(a), "abc");
  failing = FaultSite::Rename;
  EXPECT_FALSE(RenameReplace(a, b));
  EXPECT_FALSE(RenameNoReplace(a, b));
  failing = FaultSite::Delete;
  EXPECT_FALSE(DeletePath(a));
  failing = FaultSite::Create;
  EXPECT_FALSE(File::CreateExclusive(b));
  failing = FaultSite::Flush;
  EXPECT_FALSE(FlushFolder(root_));
  EXPECT_EQ(Content(a), "abc");

  testing::SetFaultHook({});
  EXPECT_TRUE(FlushFolder(root_));
}

TEST_F(Durability, RenameNoReplaceNeverReplaces) {
  const std::u16string from = Child(u"from"), to = Child(u"to");
  ASSERT_TRUE(Write(from, "new"));
  ASSERT_TRUE(Write(to, "old"));
  EXPECT_FALSE(RenameNoReplace(from, to));
  EXPECT_EQ(Content(to), "old");
  EXPECT_EQ(Content(from), "new");
  ASSERT_TRUE(DeletePath(to));
  EXPECT_TRUE(RenameNoReplace(from, to));
  EXPECT_EQ(Content(to), "new");
  EXPECT_EQ(GetPathKind(from), PathKind::Missing);
}

TEST_F(Durability, OneHolderOfALockAtATime) {
  const std::u16string path = Child(u"lock");
  FileLock first, second;
  ASSERT_EQ(first.TryAcquire(path), FileLock::Result::Acquired);
  EXPECT_TRUE(first.Held());
  EXPECT_EQ(second.TryAcquire(path), FileLock::Result::Busy);
  EXPECT_FALSE(second.Held());
  first.Release();
  EXPECT_EQ(second.TryAcquire(path), FileLock::Result::Acquired);
  FileLock moved = std::move(second);
  EXPECT_TRUE(moved.Held());
  EXPECT_EQ(first.TryAcquire(path), FileLock::Result::Busy);
  EXPECT_EQ(FileLock().TryAcquire(Child(u"missing") + kSep + u"lock"), FileLock::Result::Failed);
}

#ifndef _WIN32
// A lock dies with its holder, whatever kills it.
TEST_F(Durability, AKilledHolderLeavesTheLockFree) {
  const std::u16string path = Child(u"lock");
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    FileLock held;
    const char answer = held.TryAcquire(path) == FileLock::Result::Acquired ? 'y' : 'n';
    (void)!::write(ready[1], &answer, 1);
    ::pause();
    ::_exit(0);
  }
  char answer = 0;
  ASSERT_EQ(::read(ready[0], &answer, 1), 1);
  ASSERT_EQ(answer, 'y');
  FileLock mine;
  EXPECT_EQ(mine.TryAcquire(path), FileLock::Result::Busy);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  EXPECT_EQ(mine.TryAcquire(path), FileLock::Result::Acquired);
  ::close(ready[0]);
  ::close(ready[1]);
}

// Temporary folders of ended processes go, with their files and folders; a living maker's
// folder and folders of other names stay.
TEST_F(Durability, StaleTemporaryFoldersOfEndedMakersAreRemoved) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  const std::u16string temp = TempFolder();
  const std::u16string dead = temp + u"quorvane-" + FromNarrow(std::to_string(child)) + u"-Ab3dEf";
  const std::u16string alive = temp + u"quorvane-" + FromNarrow(std::to_string(::getppid())) + u"-Ab3dEf";
  const std::u16string other = temp + u"quorvane-notours-" + FromNarrow(std::to_string(child));
  for (const auto& folder : {dead, alive, other}) {
    ASSERT_TRUE(CreateFolder(folder));
    ASSERT_TRUE(Write(folder + kSep + u"Report.docm.bin", "part"));
  }
  // A private quarantine inside it, with its in-progress folder.
  ASSERT_TRUE(CreateFolder(dead + kSep + u"in-progress"));
  ASSERT_TRUE(Write(dead + kSep + u"in-progress" + kSep + u"copy.part", "half"));
  EXPECT_GE(RemoveStaleTempFolders(), 1);
  EXPECT_EQ(GetPathKind(dead), PathKind::Missing);
  for (const auto& folder : {alive, other}) {
    EXPECT_EQ(GetPathKind(folder), PathKind::Folder);
    DeletePath(folder + kSep + u"Report.docm.bin");
    RemoveEmptyFolder(folder);
  }
  EXPECT_EQ(GetPathKind(root_), PathKind::Folder) << "this process's own folder stays";
}
#endif

}  // namespace
}  // namespace qv::platform
