// The typed events of a run, as the command line observes them, against the window messages
// the same run gives a window through the adapter.
#include <filesystem>
#include <mutex>

#include "tests/driver/driver_fixture.h"
#include "tests/driver/recording_observer.h"

namespace qv::frontend {
namespace {

namespace fs = std::filesystem;
using qv::test::TempDir;
using qv::test::WriteFile;
using test::FakeEngine;
using test::RecordingObserver;
using test::U16;
using test::Utf8;

struct Tree {
  TempDir t;
  std::string a, b;
  Tree() {
    WriteFile(t / "a.doc", std::string(2048, 'a'));
    fs::create_directory(t / "sub");
    WriteFile(t / "sub" / "b.xls", "b");
    a = (t / "a.doc").string();
    b = (t / "sub" / "b.xls").string();
  }
};

TEST(ScanObserver, FolderRunGivesTypedEventsInOrder) {
  Tree tree;
  RecordingObserver observer;
  FakeEngine engine;
  engine.reports[tree.a] = "Macro.Test.Signature";
  ScanRunDriver driver(observer, engine.call(), [] { return std::list<std::u16string>(); });
  ASSERT_TRUE(driver.OnScanDirectory(U16(tree.t.path())));
  ASSERT_TRUE(driver.WaitForWorker(std::chrono::seconds(60)));
  const std::vector<std::string> expected = {
      "start",        "searching", "timer on", "progress 100", "timer off",
      "progress 50",  "file 1/2 " + tree.a,
      "finding " + tree.a + "|2.00K|Macro.Test.Signature|修复",
      "progress 100", "file 2/2 " + tree.b,
      "finish",       "summary 2 1 1 " + Utf8(FormatSummary(2, 1, 1))};
  EXPECT_EQ(observer.lines(), expected);
}

TEST(ScanObserver, DroppedFilesAreNotSearchedAndTheAdapterGivesTheWindowMessages) {
  Tree tree;
  // the same run observed twice: typed, and as a window's messages
  RecordingObserver observer;
  test::RecordingReceiver window;
  FakeEngine engine;
  engine.reports[tree.b] = "Macro.Other";
  std::set<std::u16string> dropped = {U16(tree.t / "sub" / "b.xls"), U16(tree.t / "a.doc")};
  for (const bool typed : {true, false}) {
    std::unique_ptr<ScanRunDriver> driver =
        typed ? std::make_unique<ScanRunDriver>(observer, engine.call(), [] { return std::list<std::u16string>(); })
              : std::make_unique<ScanRunDriver>(window, engine.call(), [] { return std::list<std::u16string>(); });
    ASSERT_TRUE(driver->ScanDroppedPaths(&dropped));
    ASSERT_TRUE(driver->WaitForWorker(std::chrono::seconds(60)));
  }
  EXPECT_EQ(observer.lines(), (std::vector<std::string>{
                                  "start", "progress 50", "file 1/2 " + tree.a, "progress 100",
                                  "file 2/2 " + tree.b, "finding " + tree.b + "|0.00K|Macro.Other|修复", "finish",
                                  "summary 2 1 1 " + Utf8(FormatSummary(2, 1, 1))}));
  EXPECT_EQ(window.lines(), (std::vector<std::string>{
                                "START", "PROGRESS 50", "TEXT " + tree.a, "PROGRESS 100", "TEXT " + tree.b,
                                "RESULT " + tree.b + "|0.00K|Macro.Other|修复", "FINISH",
                                "TEXT " + Utf8(FormatSummary(2, 1, 1))}));
}

}  // namespace
}  // namespace qv::frontend
