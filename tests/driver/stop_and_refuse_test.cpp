// One scan run at a time, and a stop that lets the engine call in progress finish.
#include <filesystem>
#include <thread>

#include "tests/driver/driver_fixture.h"

namespace qv::frontend {
namespace {

namespace fs = std::filesystem;
using qv::test::ReadFile;
using qv::test::TempDir;
using qv::test::WriteFile;
using test::DriverRig;
using test::Latch;
using test::U16;

void MakeFiles(const TempDir& t, int count) {
  for (int i = 1; i <= count; ++i) WriteFile(t / ("f" + std::to_string(i) + ".doc"), "infected");
}

TEST(OneRunAtATime, SecondStartWhileRunningIsRefusedAndChangesNothing) {
  TempDir t;
  MakeFiles(t, 2);
  DriverRig rig;
  Latch engineEntered, release;
  rig.engine.during = [&](const std::string&) {
    engineEntered.Open();
    release.Wait();
  };
  ASSERT_TRUE(rig.driver->OnScanDirectory(U16(t.path())));
  ASSERT_TRUE(engineEntered.Wait());

  rig.drives = {U16(t.path())};
  rig.driver->m_setDropped = {u"/elsewhere/x.doc"};
  EXPECT_FALSE(rig.driver->OnScanDirectory(U16(t / "other")));
  EXPECT_FALSE(rig.driver->OnScanAllDisk());
  EXPECT_FALSE(rig.driver->ScanDroppedPaths(&rig.driver->m_setDropped));
  EXPECT_TRUE(rig.driver->IsRunning());
  EXPECT_EQ(rig.driver->m_lstTargets, (std::list<ScanTarget>{{U16(t.path()), false}}));

  release.Open();
  rig.Wait();
  EXPECT_FALSE(rig.driver->IsRunning());
  EXPECT_EQ(rig.engine.calls().size(), 2u);
  EXPECT_EQ(rig.receiver.linesOf("START").size(), 1u);

  // once the run has ended, the next one starts
  rig.engine.during = nullptr;
  ASSERT_TRUE(rig.driver->ScanDroppedPaths(&rig.driver->m_setDropped));
  rig.Wait();
  EXPECT_EQ(rig.engine.calls().back(), "/elsewhere/x.doc");
}

TEST(StopRequest, EngineCallFinishesAndNothingIsSentAfterShutdownBegan) {
  TempDir t;
  MakeFiles(t, 5);
  DriverRig rig;
  rig.engine.reports[(t / "f2.doc").string()] = "Macro.Test.Signature";
  Latch inSecondCall, release;
  // A fake repair in two writes with the owner's shutdown in between: the driver must let
  // the second write happen.
  rig.engine.during = [&](const std::string& path) {
    if (path != (t / "f2.doc").string()) return;
    WriteFile(path, "half");
    inSecondCall.Open();
    release.Wait();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    WriteFile(path, "repaired");
  };
  std::atomic<bool> shutdownBegan{false};
  std::atomic<int> sentAfterShutdown{0};
  rig.receiver.onLine = [&](const std::string&) {
    if (shutdownBegan.load()) ++sentAfterShutdown;
  };
  ASSERT_TRUE(rig.driver->OnScanDirectory(U16(t.path())));
  ASSERT_TRUE(inSecondCall.Wait());

  rig.driver->RequestStop();
  shutdownBegan.store(true);
  release.Open();
  rig.driver->Stop();  // returns only once the worker has ended

  EXPECT_FALSE(rig.driver->IsRunning());
  EXPECT_EQ(sentAfterShutdown.load(), 0);
  EXPECT_EQ(rig.engine.calls(), (std::vector<std::string>{(t / "f1.doc").string(), (t / "f2.doc").string()}));
  const auto bytes = ReadFile(t / "f2.doc");
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "repaired");
  // the report of the call that finished after the stop is not delivered nor counted
  EXPECT_TRUE(rig.receiver.linesOf("RESULT").empty());
  EXPECT_EQ(rig.driver->m_nDetected.load(), 0);
  EXPECT_TRUE(rig.receiver.linesOf("FINISH").empty());
  // a stop is final
  EXPECT_FALSE(rig.driver->OnScanDirectory(U16(t.path())));
}

TEST(StopRequest, StopsTheSearchPhaseOfADeepTree) {
  TempDir t;
  test::DeepTree(t, 50);
  DriverRig rig;
  rig.receiver.onLine = [&](const std::string& line) {
    if (line.rfind("SETTIMER", 0) == 0) rig.driver->RequestStop();  // from the worker itself
  };
  ASSERT_TRUE(rig.driver->OnScanDirectory(U16(t.path())));
  rig.Wait();
  EXPECT_TRUE(rig.engine.calls().empty());
  EXPECT_EQ(rig.receiver.lines().back(), "SETTIMER 1027 80");
}

TEST(StopRequest, DestroyingTheDriverMidRunWaitsForTheWorker) {
  TempDir t;
  MakeFiles(t, 3);
  auto rig = std::make_unique<DriverRig>();
  Latch entered;
  std::atomic<bool> callReturned{false};
  rig->engine.during = [&](const std::string&) {
    entered.Open();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    callReturned.store(true);
  };
  ASSERT_TRUE(rig->driver->OnScanDirectory(U16(t.path())));
  ASSERT_TRUE(entered.Wait());
  rig->driver.reset();
  EXPECT_TRUE(callReturned.load());
  EXPECT_EQ(rig->engine.calls().size(), 1u);
}

}  // namespace
}  // namespace qv::frontend
