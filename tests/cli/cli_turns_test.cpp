// Two runs over one quarantine folder take turns: the second waits for the first, says so
// once, and then does its work. The run after one that died mid-repair puts the document back
// and says so.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "engine/common/repair_journal.h"
#include "engine/platform/platform.h"
#include "tests/cli/cli_harness.h"
#include "tests/cli/sample_documents.h"

namespace qv::cli::test {
namespace {

namespace fs = std::filesystem;
using qv::test::ReadFile;
using qv::test::WriteFile;

TEST(CliTurns, ARunWaitsForAnotherUsingTheQuarantineAndSaysSo) {
  RelocatedProgram program;
  if (!program.hasSignatures()) GTEST_SKIP() << "the build made no qzmacro.vlb (signature compiler vlbc)";
  const fs::path doc = program.work() / "infected.doc";
  WriteFile(doc, WordDocumentWithMacro(true));
  const auto before = ReadFile(doc);

  fs::create_directories(program.quarantine() / "in-progress");
  platform::FileLock other;  // what another run holds
  ASSERT_EQ(other.TryAcquire(qv::test::U16(program.quarantine() / "in-progress" / "run.lock")),
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

TEST(CliTurns, TheNextRunUndoesARepairThatWasKilledHalfWayAndSaysSo) {
  RelocatedProgram program;
  if (!program.hasSignatures()) GTEST_SKIP() << "the build made no qzmacro.vlb (signature compiler vlbc)";
  const fs::path doc = program.work() / "infected.doc";
  const std::vector<uint8_t> original = WordDocumentWithMacro(true);
  // A killed run had journalled two ranges and written the first of them.
  std::vector<uint8_t> half = original;
  JournalBlock block{qv::test::U16(doc), original.size(), {}};
  for (uint64_t offset : {uint64_t{1536}, uint64_t{2560}}) {
    JournalRange range{offset, std::vector<uint8_t>(original.begin() + offset, original.begin() + offset + 512),
                       std::vector<uint8_t>(512, 0)};
    block.ranges.push_back(range);
  }
  std::fill(half.begin() + 1536, half.begin() + 2048, 0);
  ASSERT_NE(half, original);
  WriteFile(doc, half);
  WriteFile(program.quarantine() / "in-progress" / "repair.journal", SerializeJournalBlock(block));

  const ProgramRun run = program.Run({"scan", doc.string()});
  EXPECT_EQ(ReadFile(doc), original);
  EXPECT_EQ(run.exitCode, 1) << "detected again, never called clean: " << run.err;
  EXPECT_NE(run.err.find("an interrupted repair was undone, the document is as it was before: " + doc.string()),
            std::string::npos)
      << run.err;
  EXPECT_FALSE(fs::exists(program.quarantine() / "in-progress" / "repair.journal"));
}

}  // namespace
}  // namespace qv::cli::test
