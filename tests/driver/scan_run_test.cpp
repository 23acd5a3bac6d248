// Whole scan runs: targets, search, scan order, notifications and counters.
#include <algorithm>
#include <filesystem>
#include <functional>

#include "tests/driver/driver_fixture.h"
#include "tests/support/system/system.h"

namespace qv::frontend {
namespace {

namespace fs = std::filesystem;
using qv::test::TempDir;
using qv::test::WriteFile;
using test::DriverRig;
using test::DropPaths;
using test::Files;
using test::RecordingReceiver;
using test::U16;

const std::string kNotice = "TEXT 正在搜索文件中,请耐心等待...";

std::string Summary(int n, int d, int r) { return "TEXT " + test::Utf8(FormatSummary(n, d, r)); }

TEST(ScanRun, WholeRunSendsEveryNotificationInOrder) {
  TempDir t;
  WriteFile(t / "a.doc", std::string(1536, 'a'));
  WriteFile(t / "b.doc", "b");
  fs::create_directory(t / "sub");
  WriteFile(t / "sub" / "c.doc", "c");
  DriverRig rig;
  rig.engine.reports[(t / "a.doc").string()] = "Macro.Test.Signature";
  ASSERT_TRUE(rig.driver->OnScanDirectory(U16(t.path())));
  rig.Wait();

  const std::string a = (t / "a.doc").string(), b = (t / "b.doc").string(), c = (t / "sub" / "c.doc").string();
  const std::vector<std::string> expected = {
      "START",         kNotice,     "SETTIMER 1027 80",
      "PROGRESS 100",  "KILLTIMER 1027",
      "PROGRESS 33",   "TEXT " + a, "RESULT " + a + "|1.50K|Macro.Test.Signature|修复",
      "PROGRESS 66",   "TEXT " + b,
      "PROGRESS 100",  "TEXT " + c,
      "FINISH",        Summary(3, 1, 1)};
  EXPECT_EQ(rig.receiver.lines(), expected);
  EXPECT_EQ(rig.engine.modes(), (std::vector<int>{1, 1, 1}));
  EXPECT_EQ(rig.driver->m_setFiles.size(), 3u);
  EXPECT_EQ(rig.driver->m_lstTargets, (std::list<ScanTarget>{{U16(t.path()), false}}));
}

// What a run scans for a given tree and start request.
struct TargetCase {
  const char* name;
  std::function<void(const TempDir&)> build;
  std::function<bool(DriverRig&, const TempDir&)> start;
  std::vector<std::string> scanned;  // engine calls, relative to the temporary folder
  int files;                         // N of the summary
  bool searched;                     // the search notice was shown
};

void PrintTo(const TargetCase& c, std::ostream* os) { *os << c.name; }

void NestedTree(const TempDir& t) {
  Files(t, {"d/a.doc", "d/b-c.doc", "d/b/x.doc", "d/b/y/z.doc", "d/$Recycle.Bin/gone.doc", "d/e/$Recycle.Bin/f.doc",
            "d/e/g.doc", "d/infected.doc", "d/e/infected.xls"});
}

std::vector<TargetCase> TargetCases() {
  const auto folder = [](const char* sub) {
    return [sub](DriverRig& rig, const TempDir& t) { return rig.driver->OnScanDirectory(U16(t / sub)); };
  };
  return {
      {"NoDrives", [](const TempDir&) {}, [](DriverRig& rig, const TempDir&) { return rig.driver->OnScanAllDisk(); },
       {}, 0, false},
      {"EmptyFolder", [](const TempDir& t) { fs::create_directory(t / "empty"); }, folder("empty"), {}, 0, true},
      {"OnlyFilesInAscendingOrder", [](const TempDir& t) { Files(t, {"z.doc", "a.doc", "M.doc"}); },
       [](DriverRig& rig, const TempDir& t) { return DropPaths(rig, {U16(t / "z.doc"), U16(t / "a.doc"), U16(t / "M.doc")}); },
       {"M.doc", "a.doc", "z.doc"}, 3, false},
      {"MissingDroppedPathGoesToTheEngine", [](const TempDir&) {},
       [](DriverRig& rig, const TempDir& t) { return DropPaths(rig, {U16(t / "gone.doc")}); }, {"gone.doc"}, 1, false},
      {"FileDroppedWithItsFolderOnce", [](const TempDir& t) { Files(t, {"d/x.doc"}); },
       [](DriverRig& rig, const TempDir& t) { return DropPaths(rig, {U16(t / "d"), U16(t / "d/x.doc")}); },
       {"d/x.doc"}, 1, true},
      {"OtherLetterCaseTwice", [](const TempDir& t) { Files(t, {"d/x.doc"}); },
       [](DriverRig& rig, const TempDir& t) { return DropPaths(rig, {U16(t / "d/X.DOC"), U16(t / "d/x.doc")}); },
       {"d/X.DOC", "d/x.doc"}, 2, false},
      {"RecycleBinSkippedAtEveryDepthOtherCaseWalked",
       [](const TempDir& t) {
         if (!qv::test::kCaseSensitiveNames) GTEST_SKIP() << "$Recycle.Bin and $RECYCLE.BIN are one folder here";
         Files(t, {"r/$Recycle.Bin/a.doc", "r/sub/$Recycle.Bin/b.doc", "r/$RECYCLE.BIN/c.doc", "r/sub/d.doc"});
       },
       folder("r"), {"r/$RECYCLE.BIN/c.doc", "r/sub/d.doc"}, 2, true},
      // A link inside the target ends at the folder it leads to (each real folder once); one
      // that leads outside every target is followed only when the owner asks for it.
      {"LinksLoopsEndOutsideNotFollowed",
       [](const TempDir& t) {
         if (!qv::test::kSymlinksInTests) GTEST_SKIP() << "the tests cannot make links on this platform";
         Files(t, {"loop/f.doc", "other/g.doc"});
         fs::create_directory_symlink(t / "loop", t / "loop/back");  // leads to its own parent
         fs::create_directory_symlink(t / "other", t / "loop/out");
       },
       folder("loop"), {"loop/f.doc"}, 1, true},
      {"LinksOutsideFollowedWhenAsked",
       [](const TempDir& t) {
         if (!qv::test::kSymlinksInTests) GTEST_SKIP() << "the tests cannot make links on this platform";
         Files(t, {"loop/f.doc", "other/g.doc"});
         fs::create_directory_symlink(t / "loop", t / "loop/back");
         fs::create_directory_symlink(t / "other", t / "loop/out");
         fs::create_directory_symlink("/proc", t / "loop/proc");  // never, asked or not
       },
       [](DriverRig& rig, const TempDir& t) {
         rig.driver->SetFollowFolderLinks(true);
         return rig.driver->OnScanDirectory(U16(t / "loop"));
       },
       {"loop/f.doc", "loop/out/g.doc"}, 2, true},
      {"DevicePathCountedNotScanned", [](const TempDir& t) { Files(t, {"a.doc"}); },
       [](DriverRig& rig, const TempDir& t) { return DropPaths(rig, {u"\\\\.\\PhysicalDrive0", U16(t / "a.doc")}); },
       {"a.doc"}, 2, false},
      {"PipesAndSocketsAreNoDocuments",
       [](const TempDir& t) {
         Files(t, {"p/a.doc"});
#ifdef _WIN32
         GTEST_SKIP() << "Windows has no named pipes in the file system";
#endif
         ASSERT_TRUE(qv::test::MakeFifo(t / "p/pipe"));
       },
       folder("p"), {"p/a.doc"}, 1, true},
      {"AllDrivesInListedOrder", [](const TempDir& t) { Files(t, {"d2/b.doc", "d1/a.doc"}); },
       [](DriverRig& rig, const TempDir& t) {
         rig.drives = {U16(t / "d2"), U16(t / "d1")};
         return rig.driver->OnScanAllDisk();
       },
       {"d1/a.doc", "d2/b.doc"}, 2, true},
      // Names around the separator, $Recycle.Bin at two depths, documents the fake engine
      // reports (kReported); dropped with files inside the folder and beside it.
      {"NestedFolderWithFindings", NestedTree, folder("d"),
       {"d/a.doc", "d/b-c.doc", "d/b/x.doc", "d/b/y/z.doc", "d/e/g.doc", "d/e/infected.xls", "d/infected.doc"}, 7, true},
      {"FilesDroppedInsideAndBesideTheirFolder",
       [](const TempDir& t) {
         NestedTree(t);
         Files(t, {"loose/one.doc", "loose/two.doc"});
       },
       [](DriverRig& rig, const TempDir& t) {
         return DropPaths(rig, {U16(t / "d"), U16(t / "d/e/g.doc"), U16(t / "d/b/x.doc"), U16(t / "loose/two.doc"),
                                U16(t / "loose/one.doc"), U16(t / "gone.doc"), u"\\\\.\\PhysicalDrive0"});
       },
       {"d/a.doc", "d/b-c.doc", "d/b/x.doc", "d/b/y/z.doc", "d/e/g.doc", "d/e/infected.xls", "d/infected.doc",
        "gone.doc", "loose/one.doc", "loose/two.doc"},
       11, true},
      // "!" sorts before ".": the file target comes before the folder "d/." that holds it
      {"FileTargetBeforeItsOwnFolder", [](const TempDir& t) { Files(t, {"d/!.doc", "d/x.doc"}); },
       [](DriverRig& rig, const TempDir& t) { return DropPaths(rig, {U16(t / "d/!.doc"), U16(t / "d/.")}); },
       {"d/!.doc", "d/x.doc"}, 2, true},
  };
}

class ScanRunTargets : public ::testing::TestWithParam<TargetCase> {};

TEST_P(ScanRunTargets, ScansWhatTheTargetsHold) {
  const TargetCase& c = GetParam();
  TempDir t;
  c.build(t);
  if (IsSkipped()) return;
  DriverRig rig;
  ASSERT_TRUE(c.start(rig, t));
  rig.Wait();
  EXPECT_EQ(test::RelativeTo(t, rig.engine.calls()), c.scanned);
  const auto lines = rig.receiver.lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "START");
  EXPECT_EQ(lines.back(), Summary(c.files, 0, 0));
  EXPECT_EQ(rig.receiver.linesOf("TEXT ").size(), static_cast<size_t>(c.files) + (c.searched ? 1 : 0) + 1);
  EXPECT_EQ(lines.size() >= 2 && lines[1] == kNotice, c.searched);
  EXPECT_EQ(rig.receiver.linesOf("SETTIMER").size(), c.searched ? 1u : 0u);
}

// The command line's streaming run scans the same files (each as often) as the window's
// two-phase run, finds and counts the same, without a search phase or progress.
TEST_P(ScanRunTargets, StreamingScansAndCountsTheSame) {
  const TargetCase& c = GetParam();
  TempDir t;
  c.build(t);
  if (IsSkipped()) return;
  DriverRig twoPhase, streaming;
  streaming.driver->SetStreamingWalk(true);
  for (DriverRig* rig : {&twoPhase, &streaming}) {
    for (const char* reported : {"d/infected.doc", "d/e/infected.xls"}) {
      rig->engine.reports[(t / reported).string()] = "Macro.Test.Signature";
    }
    ASSERT_TRUE(c.start(*rig, t));
    rig->Wait();
  }
  std::vector<std::string> streamed = streaming.engine.calls();
  std::sort(streamed.begin(), streamed.end());
  EXPECT_EQ(streamed, twoPhase.engine.calls());
  std::vector<std::string> findings = streaming.receiver.linesOf("RESULT ");
  std::sort(findings.begin(), findings.end());
  EXPECT_EQ(findings, twoPhase.receiver.linesOf("RESULT "));
  EXPECT_EQ(streaming.receiver.lines().back(), twoPhase.receiver.lines().back()) << "the summary";
  EXPECT_EQ(streaming.driver->m_nFiles.load(), c.files);
  EXPECT_EQ(twoPhase.driver->m_nFiles.load(), c.files);
  EXPECT_TRUE(streaming.driver->m_setFiles.empty()) << "no list of files is kept";
  EXPECT_TRUE(streaming.receiver.linesOf("PROGRESS").empty());
  EXPECT_TRUE(streaming.receiver.linesOf("SETTIMER").empty());
  EXPECT_TRUE(streaming.receiver.linesOf(kNotice).empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, ScanRunTargets, ::testing::ValuesIn(TargetCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ScanRun, AllDrivesNamesEachRootOnTheDebuggerOutput) {
  TempDir t;
  fs::create_directories(t / "d1");
  DriverRig rig;
  rig.drives = {U16(t / "d1"), U16(t / "none")};
  ASSERT_TRUE(rig.driver->OnScanAllDisk());
  rig.Wait();
  EXPECT_EQ(rig.receiver.debug(), (std::vector<std::string>{(t / "d1").string(), (t / "none").string()}));
  EXPECT_EQ(rig.driver->m_lstTargets,
            (std::list<ScanTarget>{{U16(t / "d1"), false}, {U16(t / "none"), false}}));
}

TEST(ScanRun, ProgressBeforeEachFileMatchesExactArithmetic) {
  for (size_t n : {1, 3, 100, 1000}) {
    DriverRig rig;
    for (size_t k = 0; k < n; ++k) {
      char name[48];
      std::snprintf(name, sizeof name, "/nonexistent-qv/f%04zu", k);
      rig.driver->m_setDropped.insert(platform::FromNarrow(name));
    }
    ASSERT_TRUE(rig.driver->ScanDroppedPaths(&rig.driver->m_setDropped));
    rig.Wait();
    const auto values = rig.receiver.linesOf("PROGRESS ");
    ASSERT_EQ(values.size(), n);
    for (size_t k = 1; k <= n; ++k) {
      ASSERT_EQ(values[k - 1], std::to_string(k * 100 / n)) << k << " of " << n;
    }
  }
}

TEST(ScanRun, CountersMoveTogetherAndAVanishedFileLosesOnlyItsRow) {
  TempDir t;
  Files(t, {"a.doc", "b.doc", "c.doc"});
  DriverRig rig;
  rig.engine.reports[(t / "a.doc").string()] = "Macro.One";
  rig.engine.reports[(t / "c.doc").string()] = "Macro.Two";
  // the engine deletes c.doc (a repair that failed): its size can no longer be read
  rig.engine.during = [&](const std::string& path) {
    if (path == (t / "c.doc").string()) fs::remove(path);
  };
  ASSERT_TRUE(rig.driver->OnScanDirectory(U16(t.path())));
  rig.Wait();
  EXPECT_EQ(rig.driver->m_nDetected.load(), 2);
  EXPECT_EQ(rig.driver->m_nRepaired.load(), 2);
  EXPECT_EQ(rig.receiver.linesOf("RESULT "),
            (std::vector<std::string>{(t / "a.doc").string() + "|0.00K|Macro.One|修复"}));
  EXPECT_EQ(rig.receiver.lines().back(), Summary(3, 2, 2));
}

TEST(ScanRun, NonzeroResultWithEmptyTextIsClean) {
  TempDir t;
  Files(t, {"a.doc"});
  RecordingReceiver receiver;
  int calls = 0;
  ScanRunDriver driver(receiver, [&](const char16_t*, int, char16_t* text) {
    ++calls;
    text[0] = 0;
    return 1;
  });
  ASSERT_TRUE(driver.OnScanDirectory(U16(t.path())));
  ASSERT_TRUE(driver.WaitForWorker(std::chrono::seconds(60)));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(driver.m_nDetected.load(), 0);
  EXPECT_TRUE(receiver.linesOf("RESULT").empty());
}

TEST(ScanRun, LongEngineTextIsCutToTheRowCapacity) {
  TempDir t;
  Files(t, {"a.doc"});
  RecordingReceiver receiver;
  ScanRunDriver driver(receiver, [&](const char16_t*, int, char16_t* text) {
    std::fill(text, text + 259, u'x');
    text[259] = 0;
    return 1;
  });
  ASSERT_TRUE(driver.OnScanDirectory(U16(t.path())));
  ASSERT_TRUE(driver.WaitForWorker(std::chrono::seconds(60)));
  const auto rows = receiver.linesOf("RESULT ");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_NE(rows[0].find("|" + std::string(259, 'x') + "|"), std::string::npos);
}

}  // namespace
}  // namespace qv::frontend

namespace qv::frontend {
namespace {

// Every local drive is its own target of an all-drives run, so that walk never leaves the
// drive it started on (below "/" lie /proc, /sys and /dev); a folder run follows links when
// asked, but never into /dev (here its /dev/shm), /proc or /sys.
TEST(ScanRun, AllDrivesWalkStaysOnEachDriveNoWalkEntersDev) {
  TempDir t;
  if (!qv::test::kSymlinksInTests) GTEST_SKIP() << "the tests cannot make links on this platform";
  const fs::path shm = "/dev/shm";
  if (!qv::test::Exists(shm) || platform::FileIdentity(U16(shm))->first ==
                                       platform::FileIdentity(U16(t.path()))->first) {
    GTEST_SKIP() << "needs /dev/shm on another file system than the temporary folder";
  }
  const fs::path other = shm / ("qv-driver-" + std::to_string(qv::test::ProcessId()));
  fs::create_directories(other);
  WriteFile(other / "far.doc", "far");
  WriteFile(t / "near.doc", "near");
  fs::create_directory_symlink(other, t / "link");

  DriverRig drives;
  drives.drives = {U16(t.path())};
  ASSERT_TRUE(drives.driver->OnScanAllDisk());
  drives.Wait();
  DriverRig folder;
  folder.driver->SetFollowFolderLinks(true);
  ASSERT_TRUE(folder.driver->OnScanDirectory(U16(t.path())));
  folder.Wait();
  DriverRig dev;
  ASSERT_TRUE(dev.driver->OnScanDirectory(U16(other)));
  dev.Wait();
  fs::remove_all(other);

  EXPECT_EQ(drives.engine.calls(), (std::vector<std::string>{(t / "near.doc").string()}));
  EXPECT_EQ(folder.engine.calls(), (std::vector<std::string>{(t / "near.doc").string()}));
  EXPECT_TRUE(dev.engine.calls().empty()) << "not even when named as the target";
}

}  // namespace
}  // namespace qv::frontend
