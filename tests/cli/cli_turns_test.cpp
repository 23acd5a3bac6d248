// Two runs over one quarantine folder take turns: the second waits for the first, says so
// once, and then does its work.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "engine/platform/platform.h"
#include "tests/cli/cli_harness.h"
#include "tests/cli/sample_documents.h"

namespace qv::cli::testing {
namespace {

namespace fs = std::filesystem;
using qv::testing::ReadFile;
using qv::testing::WriteFile;

TEST(CliTurns, ARunWaitsForAnotherUsingTheQuarantineAndSaysSo) {
  RelocatedProgram program;
  if (!program.hasSignatures()) GTEST_SKIP() << "the build made no qzmacro.vlb (signature compiler vlbc)";
  const fs::path doc = program.work() / "infected.doc";
  WriteFile(doc, WordDocumentWithMacro(true));
  const auto before = ReadFile(doc);

  fs::create_directories(program.quarantine() / "in-progress");
  platform::FileLock other;  // what another run holds
  ASSERT_EQ(other.TryAcquire(qv::testing::U16(program.quarantine() / "in-progress" / "run.lock")),
            platform::FileLock::Result::Acquired);
  ProgramRun run;
  std::thread second([&] { run = program.Run({"scan", "--repair", doc.string()}); });
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  EXPECT_EQ(ReadFile(doc), before) << "nothing is touched while the other run holds the quarantine";
  other.Release();
  second.join();

  EXPECT_EQ(run.exitCode, 1) << run.err;
  const std::string waiting = "waiting: another run is using the quarantine folder " + program.quarantine().string();
  EXPECT_EQ(run.err.find(waiting), run.err.rfind(waiting)) << "said once: " << run.err;
  EXPECT_NE(run.err.find(waiting), std::string::npos) << run.err;
  EXPECT_NE(run.out.find("repaired"), std::string::npos) << run.out;
  EXPECT_NE(ReadFile(doc), before);
}

}  // namespace
}  // namespace qv::cli::testing
