// A repair's writes reach the document together or not at all: a write that fails anywhere
// (the quarantine copy, the journal, the document itself) leaves the document as it was and
// reports no repair; and the quarantine copy and the journal are on disk before the
// document's first byte changes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/include/scan_engine.h"
#include "engine/platform/fault_injection.h"
#include "tests/support/engine/program_folder.h"
#include "tools/samples/sample_documents.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;
using platform::testing::FaultSite;
using platform::testing::FaultVerdict;

const samples::SampleInfo& Sample(const std::string& key) {
  for (const auto& s : samples::Samples()) {
    if (key == s.key) return s;
  }
  throw std::runtime_error("no sample " + key);
}

class FaultHookScope {
 public:
  explicit FaultHookScope(platform::testing::FaultHook hook) { platform::testing::SetFaultHook(std::move(hook)); }
  ~FaultHookScope() { platform::testing::SetFaultHook({}); }
};

api::ScanOutcome Repair(const fs::path& doc) {
  api::ScanOptions options;
  options.repair = true;
  return api::ScanPath(U16(doc), options);
}

std::vector<fs::path> QuarantineCopies(const fs::path& quarantine) {
  std::vector<fs::path> out;
  if (!fs::exists(quarantine)) return out;
  for (const auto& entry : fs::directory_iterator(quarantine)) {
    if (entry.path().extension() == ".vir") out.push_back(entry.path());
  }
  return out;
}

bool InProgressHoldsOnlyTheLock(const fs::path& quarantine) {
  if (!fs::exists(quarantine / "in-progress")) return true;
  for (const auto& entry : fs::directory_iterator(quarantine / "in-progress")) {
    if (entry.path().filename() != "run.lock") return false;
  }
  return true;
}

// The compound-document samples, whose repairs write in place.
class FailingWrite : public ::testing::TestWithParam<const char*> {};

TEST_P(FailingWrite, EveryFailingWriteLeavesTheDocumentAsItWasOrFullyRepaired) {
  const samples::SampleInfo& sample = Sample(GetParam());
  TempDir originals;
  std::string error;
  ASSERT_TRUE(samples::WriteSample(sample, originals.path(), &error)) << error;
  const fs::path originalPath = originals / sample.fileName;
  const std::vector<uint8_t> original = ReadFile(originalPath);

  // The uninterrupted repair: what a complete repair writes, and how many writes it takes.
  std::vector<uint8_t> repaired;
  int writes = 0;
  {
    ProgramFolder program;
    TempDir docs;
    fs::copy_file(originalPath, docs / sample.fileName);
    FaultHookScope hook([&](FaultSite site, const std::u16string&) {
      writes += site == FaultSite::Write;
      return FaultVerdict::Proceed;
    });
    const api::ScanOutcome outcome = Repair(docs / sample.fileName);
    ASSERT_FALSE(outcome.findings.empty());
    ASSERT_EQ(outcome.findings.back().action, api::Action::Repaired);
    repaired = ReadFile(docs / sample.fileName);
    ASSERT_NE(repaired, original);
  }
  ASSERT_GE(writes, 3) << "the copy, the journal and the document";

  for (int failing = 1; failing <= writes; ++failing) {
    SCOPED_TRACE("write " + std::to_string(failing) + " of " + std::to_string(writes) + " fails");
    ProgramFolder program;
    TempDir docs;
    const fs::path doc = docs / sample.fileName;
    fs::copy_file(originalPath, doc);
    int seen = 0;
    api::ScanOutcome outcome;
    {
      FaultHookScope hook([&](FaultSite site, const std::u16string&) {
        return site == FaultSite::Write && ++seen == failing ? FaultVerdict::Fail : FaultVerdict::Proceed;
      });
      outcome = Repair(doc);
    }
    ASSERT_FALSE(outcome.findings.empty());
    const std::vector<uint8_t> now = ReadFile(doc);
    bool reportedRepaired = false;
    for (const auto& finding : outcome.findings) reportedRepaired = reportedRepaired || finding.action == api::Action::Repaired;
    if (now == original) {
      EXPECT_FALSE(reportedRepaired) << "an unchanged document is never reported repaired";
    } else {
      EXPECT_EQ(now, repaired) << "neither the original nor the repaired document";
      EXPECT_TRUE(reportedRepaired);
      // A repaired document has a copy that gives the original back.
      bool restorable = false;
      for (const auto& vir : QuarantineCopies(program.quarantine())) {
        restorable = restorable || (api::RestoreQuarantineCopy(U16(vir), U16(docs / "back")) &&
                                    ReadFile(docs / "back") == original);
      }
      EXPECT_TRUE(restorable);
    }
    for (const auto& vir : QuarantineCopies(program.quarantine())) EXPECT_GT(fs::file_size(vir), 0u) << vir;
    EXPECT_TRUE(InProgressHoldsOnlyTheLock(program.quarantine())) << "no journal or half-made copy stays";
    // Detected exactly while it still holds the macro.
    EXPECT_EQ(api::ScanPath(U16(doc), {}).findings.empty(), now != original);
  }
}

INSTANTIATE_TEST_SUITE_P(Samples, FailingWrite, ::testing::Values("doc", "xls", "xls4", "doc6", "ppt"));

// Before the document's first byte changes, its quarantine copy is complete, flushed and
// named (its folder flushed), and so is the journal of the bytes about to change.
TEST(RepairOrder, TheCopyAndTheJournalAreOnDiskBeforeTheDocumentChanges) {
  ProgramFolder program;
  TempDir docs;
  std::string error;
  ASSERT_TRUE(samples::WriteSample(Sample("doc"), docs.path(), &error)) << error;
  const fs::path doc = docs / Sample("doc").fileName;
  const std::vector<uint8_t> original = ReadFile(doc);
  const std::u16string quarantine = U16(program.quarantine().string() + "/");
  const std::u16string inProgress = quarantine + u"in-progress/";

  struct Event {
    FaultSite site;
    std::u16string path;
  };
  std::vector<Event> before;  // everything that happened before the document first changed
  bool changed = false, copyComplete = false;
  {
    FaultHookScope hook([&](FaultSite site, const std::u16string& path) {
      if (!changed && ReadFile(doc) != original) {
        changed = true;
        for (const auto& vir : QuarantineCopies(program.quarantine())) {
          copyComplete = copyComplete || (api::RestoreQuarantineCopy(U16(vir), U16(docs / "back")) &&
                                          ReadFile(docs / "back") == original);
        }
      }
      if (!changed) before.push_back({site, path});
      return FaultVerdict::Proceed;
    });
    ASSERT_EQ(Repair(doc).findings.back().action, api::Action::Repaired);
  }
  ASSERT_TRUE(changed);
  EXPECT_TRUE(copyComplete);
  auto index = [&](auto match) {
    for (size_t i = 0; i < before.size(); ++i) {
      if (match(before[i])) return static_cast<int>(i);
    }
    return -1;
  };
  const int copyNamed = index([&](const Event& e) { return e.site == FaultSite::Rename && e.path == inProgress + u"copy.part"; });
  const int copyFolderFlushed = index([&](const Event& e) { return e.site == FaultSite::Flush && e.path == quarantine; });
  const int journalMade = index([&](const Event& e) { return e.site == FaultSite::Create && e.path == inProgress + u"repair.journal"; });
  const int journalFolderFlushed = index([&](const Event& e) { return e.site == FaultSite::Flush && e.path == inProgress; });
  ASSERT_GE(copyNamed, 0);
  ASSERT_GE(journalMade, 0);
  // The copy's own flush comes before its name; the folder's after it.
  EXPECT_TRUE(before[copyNamed - 1].site == FaultSite::Flush && before[copyNamed - 1].path.empty());
  EXPECT_GT(copyFolderFlushed, copyNamed);
  EXPECT_GT(journalFolderFlushed, journalMade);
  int journalFlushes = 0;
  for (size_t i = journalMade; i < before.size(); ++i) journalFlushes += before[i].site == FaultSite::Flush && before[i].path.empty();
  EXPECT_GE(journalFlushes, 1) << "the journal itself is flushed";
}

}  // namespace
}  // namespace qv::test
