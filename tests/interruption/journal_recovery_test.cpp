// The repair journal read back at a run's start: a document an interrupted repair left at any
// point goes back to exactly what it was, and one changed since is left alone (and never
// examined) with its journal kept.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/common/repair_journal.h"
#include "engine/common/work_area.h"
#include "engine/include/scan_engine.h"
#include "tests/support/engine/program_folder.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Original() {
  std::vector<uint8_t> bytes(4096);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 31 + 7);
  return bytes;
}

// Bytes [offset, offset + length) of `bytes`, and the same range with every byte replaced.
JournalRange Change(const std::vector<uint8_t>& bytes, uint64_t offset, size_t length, uint8_t to) {
  JournalRange range;
  range.offset = offset;
  range.before.assign(bytes.begin() + offset, bytes.begin() + offset + length);
  range.after.assign(length, to);
  return range;
}

void Apply(std::vector<uint8_t>& bytes, const JournalRange& range, size_t upTo = SIZE_MAX) {
  for (size_t i = 0; i < range.after.size() && i < upTo; ++i) bytes[range.offset + i] = range.after[i];
}

struct RecoveryCase {
  const char* name;
  // What the dead run left: the journal's blocks (ranges of the original), how far its writes
  // got, and what happened to the document afterwards.
  int blocksWritten;        // 0, 1 or 2 repairs journalled
  int rangesApplied;        // of the last journalled repair: 0 none … 3 all, -1 the second cut half-way
  bool tornThirdBlock;      // a block being written when the run died
  enum { Kept, ChangedByUser, Resized, Deleted } document;
  bool expectOriginal;      // the document is exactly the original afterwards
  bool expectJournalGone;
};

class JournalRollBack : public ::testing::TestWithParam<RecoveryCase> {};

TEST_P(JournalRollBack, PutsBackTheOriginalOrLeavesAChangedDocumentAlone) {
  const RecoveryCase& c = GetParam();
  ProgramFolder program;
  TempDir docs;
  const fs::path doc = docs / "Report.doc";
  const std::u16string quarantine = U16(program.quarantine().string() + "/");
  fs::create_directories(program.quarantine() / "in-progress");

  const std::vector<uint8_t> original = Original();
  std::vector<uint8_t> now = original;
  std::vector<uint8_t> journal;
  // First repair: three ranges; the second repair rewrites the middle one again.
  JournalBlock first{U16(doc), original.size(), {Change(original, 100, 40, 0), Change(original, 1000, 512, 0),
                                                  Change(original, 4000, 2, 0xFF)}};
  if (c.blocksWritten >= 1) {
    const auto bytes = SerializeJournalBlock(first);
    journal.insert(journal.end(), bytes.begin(), bytes.end());
    const int applied = c.blocksWritten == 1 ? c.rangesApplied : 3;
    for (int r = 0; r < 3; ++r) {
      if (r < applied) Apply(now, first.ranges[r]);
      if (applied == -1 && r == 1) Apply(now, first.ranges[r], 256);  // a write cut short
    }
  }
  if (c.blocksWritten == 2) {
    JournalBlock second{U16(doc), original.size(), {Change(now, 1100, 100, 0x55)}};
    const auto bytes = SerializeJournalBlock(second);
    journal.insert(journal.end(), bytes.begin(), bytes.end());
    if (c.rangesApplied != 0) Apply(now, second.ranges[0], c.rangesApplied == -1 ? 50 : SIZE_MAX);
  }
  if (c.tornThirdBlock) {
    const auto bytes = SerializeJournalBlock({U16(doc), original.size(), {Change(now, 0, 8, 0x77)}});
    journal.insert(journal.end(), bytes.begin(), bytes.end() - 3);
  }
  if (c.document == RecoveryCase::ChangedByUser) now[1010] = original[1010] == 1 ? 2 : 1;  // neither before nor after
  if (c.document == RecoveryCase::Resized) now.push_back(0);
  if (c.document != RecoveryCase::Deleted) WriteFile(doc, now);
  const fs::path journalFile = program.quarantine() / "in-progress" / "repair.journal";
  WriteFile(journalFile, journal);

  const qv::JournalRecovery recovery = RecoverRepairJournal(quarantine);
  if (c.document == RecoveryCase::Deleted) {
    EXPECT_FALSE(Exists(doc));
  } else if (c.expectOriginal) {
    EXPECT_EQ(ReadFile(doc), original);
    if (c.blocksWritten > 0) {
      EXPECT_EQ(recovery.undone, std::vector<std::u16string>{U16(doc)});
    }
  } else {
    EXPECT_EQ(ReadFile(doc), now) << "a document changed since is left as it is";
    EXPECT_EQ(recovery.notUndone, std::vector<std::u16string>{U16(doc)});
  }
  EXPECT_EQ(Exists(journalFile), !c.expectJournalGone);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JournalRollBack,
    ::testing::Values(
        RecoveryCase{"killed_before_the_first_write", 1, 0, false, RecoveryCase::Kept, true, true},
        RecoveryCase{"killed_after_one_write", 1, 1, false, RecoveryCase::Kept, true, true},
        RecoveryCase{"killed_inside_a_write", 1, -1, false, RecoveryCase::Kept, true, true},
        RecoveryCase{"killed_before_the_journal_went", 1, 3, false, RecoveryCase::Kept, true, true},
        RecoveryCase{"two_repairs_undone_latest_first", 2, 3, false, RecoveryCase::Kept, true, true},
        RecoveryCase{"second_repair_cut_short", 2, -1, false, RecoveryCase::Kept, true, true},
        RecoveryCase{"a_block_being_written_is_ignored", 2, 0, true, RecoveryCase::Kept, true, true},
        RecoveryCase{"only_a_torn_block", 0, 0, true, RecoveryCase::Kept, true, true},
        RecoveryCase{"changed_since", 1, 3, false, RecoveryCase::ChangedByUser, false, false},
        RecoveryCase{"other_size_since", 1, 3, false, RecoveryCase::Resized, false, false},
        RecoveryCase{"deleted_since", 1, 3, false, RecoveryCase::Deleted, false, true}),
    [](const ::testing::TestParamInfo<RecoveryCase>& info) { return std::string(info.param.name); });

// A document whose interrupted repair could not be undone is never examined, so never called
// clean; the next call tells why and keeps the journal for a later try.
TEST(JournalRecoveryInACall, ADocumentThatCouldNotBeUndoneIsNotExamined) {
  ProgramFolder program;
  TempDir docs;
  const fs::path doc = docs / "Report.doc";
  std::vector<uint8_t> now = Original();
  const std::vector<uint8_t> signature = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  std::copy(signature.begin(), signature.end(), now.begin());  // passes the compound-file gate
  WriteFile(doc, now);
  // Journalled when the document was one byte longer: it changed since.
  const JournalBlock block{U16(doc), now.size() + 1, {Change(now, 100, 4, 0)}};
  fs::create_directories(program.quarantine() / "in-progress");
  WriteFile(program.quarantine() / "in-progress" / "repair.journal", SerializeJournalBlock(block));

  api::ScanOptions options;
  options.repair = true;
  const api::ScanOutcome outcome = api::ScanPath(U16(doc), options);
  ASSERT_EQ(outcome.status, api::Status::Ran);
  ASSERT_EQ(outcome.skipped.size(), 1u);
  EXPECT_EQ(outcome.skipped[0].path, U16(doc));
  EXPECT_EQ(outcome.skipped[0].reason, "interrupted repair");
  EXPECT_EQ(ReadFile(doc), now);
  EXPECT_TRUE(Exists(program.quarantine() / "in-progress" / "repair.journal"));
}

}  // namespace
}  // namespace qv::test
