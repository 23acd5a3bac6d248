// Streaming runs (the command line's): every file goes to the engine as the walk reaches it,
// in the walk's order, with no search phase. (That they scan and count what the two-phase run
// does, for every kind of target: scan_run_test.cpp.)
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <thread>

#include "tests/driver/driver_fixture.h"
#include "tests/driver/recording_observer.h"
#include "tests/support/system/system.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace qv::frontend {
namespace {

namespace fs = std::filesystem;
using qv::test::TempDir;
using test::DriverRig;
using test::DropPaths;
using test::FakeEngine;
using test::Files;
using test::Latch;
using test::RecordingObserver;
using test::U16;
using test::Utf8;

// A driver in streaming mode, observed through its typed events.
struct StreamRig {
  RecordingObserver observer;
  FakeEngine engine;
  std::list<std::u16string> drives;
  std::unique_ptr<ScanRunDriver> driver = MakeDriver();

  std::unique_ptr<ScanRunDriver> MakeDriver() {
    auto made = std::make_unique<ScanRunDriver>(observer, engine.call(), [this] { return drives; });
    made->SetStreamingWalk(true);
    return made;
  }
  void Wait() { ASSERT_TRUE(driver->WaitForWorker(std::chrono::seconds(60))) << "the run did not end"; }
  std::vector<std::string> Scanned(const TempDir& t) const { return test::RelativeTo(t, engine.calls()); }
};

std::string Summary(int n, int d, int r) {
  return "summary " + std::to_string(n) + " " + std::to_string(d) + " " + std::to_string(r) + " " +
         Utf8(FormatSummary(n, d, r));
}

// Names that sort around the separator ("b" < "b-c" < "b.doc" as names, but "b-c/…" and
// "b.doc" before "b/…" as paths), capitals before small letters, and folders three deep.
TEST(StreamingWalk, EachFolderInNameOrderWithASubfolderWhereItsNameFalls) {
  TempDir t;
  Files(t, {"c.doc", "b.doc", "b-c/y.doc", "b/z.doc", "b/deep/q.doc", "b/deep/er/e.doc", "a.doc", "Z.doc"});
  StreamRig rig;
  const std::string q = (t / "b" / "deep" / "q.doc").string();
  rig.engine.reports[q] = "Macro.Test.Signature";
  ASSERT_TRUE(rig.driver->OnScanDirectory(U16(t.path())));
  rig.Wait();

  // in the platform's own form
  const auto path = [&](const char* relative) { return (t / relative).string(); };
  const std::vector<std::string> expected = {
      "start",
      "file 1/0 " + path("Z.doc"),
      "file 2/0 " + path("a.doc"),
      "file 3/0 " + path("b/deep/er/e.doc"),
      "file 4/0 " + q,
      "finding " + q + "|0.01K|Macro.Test.Signature|修复",
      "file 5/0 " + path("b/z.doc"),
      "file 6/0 " + path("b-c/y.doc"),
      "file 7/0 " + path("b.doc"),
      "file 8/0 " + path("c.doc"),
      "finish",
      Summary(8, 1, 1)};
  EXPECT_EQ(rig.observer.lines(), expected);
  EXPECT_EQ(rig.driver->m_nFiles.load(), 8);
  EXPECT_TRUE(rig.driver->m_setFiles.empty()) << "no list of files is kept";

  // The two-phase run scans the same files, in the order of their whole paths.
  DriverRig twoPhase;
  ASSERT_TRUE(twoPhase.driver->OnScanDirectory(U16(t.path())));
  twoPhase.Wait();
  std::vector<std::string> streamed = rig.engine.calls();
  const std::vector<std::string> pathOrder = twoPhase.engine.calls();
  EXPECT_NE(streamed, pathOrder) << "the tree has names that sort around the separator";
  std::sort(streamed.begin(), streamed.end());
  EXPECT_EQ(streamed, pathOrder);

  // Another run prints the same.
  StreamRig again;
  again.engine.reports = rig.engine.reports;
  ASSERT_TRUE(again.driver->OnScanDirectory(U16(t.path())));
  again.Wait();
  EXPECT_EQ(again.observer.lines(), expected);
}

// The stop ends the walk at once; the document in hand is finished first.
TEST(StreamingWalk, StopDuringTheWalkLetsTheCallInHandFinishAndEndsTheWalk) {
  TempDir t;
  Files(t, {"a/1.doc", "a/b/2.doc", "a/b/c/3.doc", "a/b/c/4.doc", "d/5.doc"});
  StreamRig rig;
  Latch inSecond;
  std::atomic<bool> secondReturned{false};
  rig.engine.during = [&](const std::string& path) {
    if (path != (t / "a" / "b" / "2.doc").string()) return;
    inSecond.Open();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    secondReturned.store(true);
  };
  ASSERT_TRUE(rig.driver->OnScanDirectory(U16(t.path())));
  ASSERT_TRUE(inSecond.Wait());
  rig.driver->RequestStop();
  rig.Wait();
  EXPECT_TRUE(secondReturned.load());
  EXPECT_EQ(rig.Scanned(t), (std::vector<std::string>{"a/1.doc", "a/b/2.doc"}));
  const auto lines = rig.observer.lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "file 2/0 " + (t / "a" / "b" / "2.doc").string()) << "nothing after the stop";
}

TEST(StreamingWalk, StopFromTheFirstFileEventCallsNoEngine) {
  TempDir t;
  const fs::path deep = test::DeepTree(t, 50);
  StreamRig rig;
  rig.observer.onLine = [&](const std::string& line) {
    if (line.rfind("file ", 0) == 0) rig.driver->RequestStop();  // from the worker itself
  };
  ASSERT_TRUE(rig.driver->OnScanDirectory(U16(t.path())));
  rig.Wait();
  EXPECT_TRUE(rig.engine.calls().empty());
  // depth first: "d1" sorts before "x.doc", so the deepest file comes first
  EXPECT_EQ(rig.observer.lines(), (std::vector<std::string>{"start", "file 1/0 " + (deep / "x.doc").string()}));
}

// Links back into the tree end at folders already entered: each real folder once, under the
// name the walk reaches it by first ("a-link" sorts before "in").
TEST(StreamingWalk, ALinkLoopIsWalkedOnce) {
  if (!qv::test::kSymlinksInTests) GTEST_SKIP() << "the tests cannot make links on this platform";
  TempDir t;
  Files(t, {"loop/f.doc", "loop/in/g.doc"});
  fs::create_directory_symlink(t / "loop" / "in", t / "loop" / "a-link");
  fs::create_directory_symlink(t / "loop", t / "loop" / "in" / "up");
  fs::create_directory_symlink(t / "loop", t / "loop" / "in" / "zz-again");
  StreamRig rig;
  ASSERT_TRUE(rig.driver->OnScanDirectory(U16(t / "loop")));
  rig.Wait();
  EXPECT_EQ(rig.Scanned(t), (std::vector<std::string>{"loop/a-link/g.doc", "loop/f.doc"}));
  EXPECT_EQ(rig.observer.lines().back(), Summary(2, 0, 0));
  EXPECT_TRUE(rig.observer.searchErrors().empty());
}

#ifndef _WIN32
// Makes this process act as another user while it lives (root reads every folder).
class ActingAsNobody {
 public:
  ActingAsNobody() : was_(::geteuid()) {
    if (was_ == 0 && ::seteuid(65534) != 0) was_ = 1;  // stays root: the caller skips
  }
  ~ActingAsNobody() {
    if (was_ == 0) (void)::seteuid(0);
  }
  bool Unprivileged() const { return ::geteuid() != 0; }

 private:
  uid_t was_;
};

// A folder that cannot be opened and an entry that cannot be looked at are reported; the
// walk goes on with the rest.
TEST(StreamingWalk, AnUnreadableFolderIsReportedAndTheWalkGoesOn) {
  TempDir t;
  Files(t, {"a/1.doc", "b-locked/2.doc", "c/3.doc"});
  fs::create_directory_symlink(t / "a" / "self", t / "a" / "self");  // a link to itself
  for (const fs::path& p : {t.path(), t / "a", t / "c"}) fs::permissions(p, fs::perms::all);
  for (const char* f : {"a/1.doc", "c/3.doc"}) fs::permissions(t / f, fs::perms::all);
  fs::permissions(t / "b-locked", fs::perms::none);
  StreamRig rig;
  {
    ActingAsNobody nobody;
    if (!nobody.Unprivileged()) GTEST_SKIP() << "cannot act as an unprivileged user";
    if (platform::FolderReadError(U16(t.path()))) GTEST_SKIP() << "the temporary folder lies in a private folder";
    ASSERT_TRUE(rig.driver->OnScanDirectory(U16(t.path())));
    rig.Wait();
  }
  fs::permissions(t / "b-locked", fs::perms::owner_all);
  EXPECT_EQ(rig.Scanned(t), (std::vector<std::string>{"a/1.doc", "c/3.doc"}));
  EXPECT_EQ(rig.observer.lines().back(), Summary(2, 0, 0));
  const auto errors = rig.observer.searchErrors();
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0].first, (t / "a").string());
  EXPECT_EQ(errors[0].second.rfind("self: ", 0), 0u) << errors[0].second;
  EXPECT_EQ(errors[1].first, (t / "b-locked").string());
  EXPECT_EQ(errors[1].second, std::strerror(EACCES));
}
#endif

}  // namespace
}  // namespace qv::frontend
