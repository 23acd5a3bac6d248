// Runs that share a quarantine folder take turns, and the run that takes it after one that
// died removes what that run left: its half-made copy, its rebuilt package beside a
// document, its temporary folder; and nothing that is not its own.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "engine/common/leftover_records.h"
#include "engine/include/scan_engine.h"
#include "engine/platform/platform.h"
#include "tests/support/engine/program_folder.h"
#include "tools/samples/sample_documents.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;

fs::path WriteWordSample(const fs::path& folder) {
  for (const auto& s : samples::Samples()) {
    std::string error;
    if (std::string(s.key) == "doc" && samples::WriteSample(s, folder, &error)) return folder / s.fileName;
  }
  return {};
}

// The lock another run would hold.
class OtherRun {
 public:
  explicit OtherRun(const fs::path& quarantine) {
    fs::create_directories(quarantine / "in-progress");
    acquired_ = lock_.TryAcquire(U16(quarantine / "in-progress" / "run.lock")) == platform::FileLock::Result::Acquired;
  }
  bool holds() const { return acquired_ && lock_.Held(); }
  void Ends() { lock_.Release(); }

 private:
  platform::FileLock lock_;
  bool acquired_ = false;
};

bool WaitFor(const std::atomic<bool>& flag) {
  for (int i = 0; i < 500 && !flag.load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return flag.load();
}

TEST(QuarantineTurns, ARunWaitsWhileAnotherHoldsTheQuarantineAndSaysSo) {
  ProgramFolder program;
  TempDir docs;
  const fs::path doc = WriteWordSample(docs.path());
  const std::vector<uint8_t> original = ReadFile(doc);
  OtherRun other(program.quarantine());
  ASSERT_TRUE(other.holds());

  std::atomic<bool> told{false}, done{false};
  int toldTimes = 0;
  api::ScanOutcome outcome;
  std::thread run([&] {
    api::ScanOptions options;
    options.repair = true;
    options.quarantineBusy = [&] {
      ++toldTimes;
      told.store(true);
    };
    outcome = api::ScanPath(U16(doc), options);
    done.store(true);
  });
  ASSERT_TRUE(WaitFor(told));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(done.load()) << "the run waits for its turn";
  EXPECT_EQ(ReadFile(doc), original) << "and touches nothing meanwhile";
  other.Ends();
  run.join();
  EXPECT_EQ(toldTimes, 1);
  ASSERT_EQ(outcome.status, api::Status::Ran);
  ASSERT_FALSE(outcome.findings.empty());
  EXPECT_EQ(outcome.findings.back().action, api::Action::Repaired);
}

TEST(QuarantineTurns, AStopRequestEndsTheWaitWithNothingTouched) {
  ProgramFolder program;
  TempDir docs;
  const fs::path doc = WriteWordSample(docs.path());
  const std::vector<uint8_t> original = ReadFile(doc);
  OtherRun other(program.quarantine());
  ASSERT_TRUE(other.holds());
  std::atomic<bool> stop{false}, told{false};
  api::ScanOutcome outcome;
  std::thread run([&] {
    api::ScanOptions options;
    options.repair = true;
    options.stop = &stop;
    options.quarantineBusy = [&] { told.store(true); };
    outcome = api::ScanPath(U16(doc), options);
  });
  ASSERT_TRUE(WaitFor(told));
  stop.store(true);
  run.join();
  EXPECT_EQ(outcome.status, api::Status::Stopped);
  EXPECT_TRUE(outcome.findings.empty());
  EXPECT_EQ(ReadFile(doc), original);
}

// What a dead run left, and what merely looks like it: only the first goes.
TEST(QuarantineTurns, TheNextRunRemovesWhatADeadRunLeftAndNothingElse) {
  ProgramFolder program;
  TempDir docs, temp;
  ScopedEnv tmpdir("TMPDIR", temp.path().c_str());
  const fs::path inProgress = program.quarantine() / "in-progress";
  fs::create_directories(inProgress);

  // A half-made quarantine copy, and the mark of a run that never ended.
  WriteFile(inProgress / "copy.part", std::string("half a cop"));
  WriteFile(inProgress / "run.active", std::string());
  // Rebuilt packages beside documents: recorded with their identity, recorded before they
  // were made (an empty one), and files that only share such a name.
  struct Leftover {
    const char* name;
    std::string content;
    bool recorded, withIdentity, wrongIdentity, expectRemoved;
  };
  const std::vector<Leftover> leftovers = {
      {"Rebuilt.docm.bin", "PK half a package", true, true, false, true},
      {"JustMade.docm.bin", "", true, false, false, true},
      {"UserData.docm.bin", "the user's own bytes", true, false, false, false},
      {"Replaced.docm.bin", "PK a file made later under the name", true, true, true, false},
      {"Unrecorded.docm.bin", "PK nobody recorded this", false, false, false, false},
  };
  int n = 0;
  for (const auto& l : leftovers) {
    WriteFile(docs / l.name, l.content);
    if (!l.recorded) continue;
    LeftoverRecordContent record{U16(docs / l.name), std::nullopt};
    if (l.withIdentity) {
      auto identity = platform::FileIdentity(record.path);
      ASSERT_TRUE(identity);
      if (l.wrongIdentity) identity->second += 1;
      record.identity = identity;
    }
    WriteFile(inProgress / ("rebuild-" + std::to_string(++n) + ".leftover"), SerializeLeftoverRecord(record));
  }
  WriteFile(inProgress / "rebuild-99.leftover", std::string("not a record"));
  // The temporary folder of a process that ended, and one of a process still running.
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  const fs::path dead = temp / ("quorvane-" + std::to_string(child) + "-aB3dEf");
  const fs::path alive = temp / ("quorvane-" + std::to_string(::getppid()) + "-aB3dEf");
  WriteFile(dead / "Report.docm.bin", std::string("extracted project"));
  WriteFile(alive / "Report.docm.bin", std::string("extracted project"));

  ASSERT_EQ(api::ScanPath(U16(docs.path()), {}).status, api::Status::Ran);

  for (const auto& l : leftovers) EXPECT_EQ(Exists(docs / l.name), !l.expectRemoved) << l.name;
  EXPECT_FALSE(Exists(dead));
  EXPECT_TRUE(Exists(alive / "Report.docm.bin"));
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(inProgress)) left.push_back(entry.path().filename());
  EXPECT_EQ(left, std::vector<std::string>{"run.lock"}) << "records, marks and half-made copies all go";
}

// Whatever the in-progress folder holds besides the lock is put right, with or without the mark
// of a run: a call that left a half-made copy behind is followed by one that removes it.
TEST(QuarantineTurns, AHalfMadeCopyIsRemovedByTheNextCallWithoutAnyMark) {
  ProgramFolder program;
  TempDir docs;
  const fs::path inProgress = program.quarantine() / "in-progress";
  ASSERT_EQ(api::ScanPath(U16(docs.path()), {}).status, api::Status::Ran);  // a clean call first
  WriteFile(inProgress / "copy(2).part", std::string("half a cop"));
  ASSERT_EQ(api::ScanPath(U16(docs.path()), {}).status, api::Status::Ran);
  EXPECT_FALSE(Exists(inProgress / "copy(2).part"));
  EXPECT_TRUE(Exists(inProgress / "run.lock"));
}

}  // namespace
}  // namespace qv::test
