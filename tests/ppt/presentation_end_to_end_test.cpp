// Presentations with an infected VBA project through whole engine calls: found and named
// by the presentation, repaired inside the project's own record (nothing moves), clean on a
// second scan, restored from quarantine; a record that cannot take the cleaned project back
// makes the presentation unrepairable.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>

#include "engine/common/capacities.h"
#include "engine/include/scan_engine.h"
#include "engine/include/scanvirus.h"
#include "engine/ppt/project_inflate.h"
#include "engine/storage/compound_file.h"
#include "tests/support/doc/doc_harness.h"
#include "tests/support/engine/program_folder.h"
#include "writers/cfb/compound_writer.h"
#include "writers/zip/package_writer.h"
#include "writers/ppt/presentation_writer.h"
#include "writers/ovba/vba_project.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;
using writers::Bytes;
constexpr char kRule[] = "Macro.Test.Signature";
constexpr char kMark[] = "QUORVANE-MACRO-TEST-SIGNATURE";

Bytes InfectedProject() {
  return writers::BuildProjectPart(
      {writers::ovba::CodeModule("Module1", std::string("Sub AutoOpen()\r\n    ' ") + kMark + "\r\nEnd Sub\r\n")}, "VBAProject");
}

// The presentation as a compound file; `padded`: the document stream in ordinary sectors,
// else (short) in the mini stream.
Bytes Build(const writers::Presentation& p, bool padded) {
  if (padded) return writers::BuildPresentation(p);
  const auto streams = writers::BuildPresentationStreams(p);
  writers::CfbBuilder writer;
  writer.AddStream("Current User", streams.currentUser);
  writer.AddStream("PowerPoint Document", streams.document);
  return writer.Build();
}

std::vector<uint8_t> DocumentStream(const fs::path& file) {
  const auto bytes = ReadFile(file);
  test::DocHarness harness(bytes, test::ReadMode::Memory);
  EXPECT_EQ(harness.Open(), 1);
  const int32_t id = FindEntry(harness.doc(), 0, u"PowerPoint Document");
  EXPECT_GT(id, 0);
  return harness.ReadWhole(static_cast<uint32_t>(id)).value_or(std::vector<uint8_t>{});
}

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t{b[at + 3]} << 24);
}

bool Contains(const std::vector<uint8_t>& bytes, const std::string& text) {
  return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

class PresentationTest : public ::testing::TestWithParam<bool> {
 protected:
  fs::path Place(const Bytes& bytes) {
    const fs::path path = docs_ / "Deck.ppt";
    WriteFile(path, bytes);
    return path;
  }
  std::string LogLine(const fs::path& path, const std::string& ending) {
    return "2016-01-05 09:07:03  " + path.string() + "  " + kRule + ending + "\n";
  }
  ProgramFolder program_;
  TempDir docs_;
};

TEST_P(PresentationTest, ReportOnlyNamesThePresentationAndLeavesIt) {
  const Bytes original = Build({InfectedProject()}, GetParam());
  const fs::path doc = Place(original);
  const ExportCall call = CallScanFileVirus(U16(doc), 0);
  EXPECT_EQ(call.text, U16(std::string(kRule)));
  EXPECT_EQ(program_.ReadLog(), LogLine(doc, ""));
  EXPECT_EQ(ReadFile(doc), original);
}

TEST_P(PresentationTest, RepairRewritesTheRecordInPlaceAndClearsTheFlag) {
  const writers::Presentation p{InfectedProject()};
  const auto streams = writers::BuildPresentationStreams(p);
  if (!GetParam()) ASSERT_LT(streams.document.size(), 4096u) << "meant to be a short stream";
  const Bytes original = Build(p, GetParam());
  const fs::path doc = Place(original);
  const auto before = DocumentStream(doc);

  EXPECT_EQ(CallScanFileVirus(U16(doc), 1).text, U16(std::string(kRule)));
  EXPECT_EQ(program_.ReadLog(), LogLine(doc, " , killed"));
  const auto repaired = ReadFile(doc);
  ASSERT_EQ(repaired.size(), original.size()) << "nothing is shortened or extended";

  const auto after = DocumentStream(doc);
  ASSERT_EQ(after.size(), before.size());
  const uint32_t record = streams.projectRecord;
  const uint32_t recordEnd = record + 8 + U32At(before, record + 4);
  for (size_t i = 0; i < after.size(); ++i) {
    const bool data = i >= record + 12 && i < recordEnd;  // after the header and the size field
    const bool flag = i >= streams.hasMacrosAt && i < streams.hasMacrosAt + 4;
    if (!data && !flag) ASSERT_EQ(after[i], before[i]) << "stream byte " << i << " outside the record changed";
  }
  EXPECT_EQ(U32At(after, streams.hasMacrosAt), 0u) << "fHasMacros cleared";
  EXPECT_EQ(U32At(after, record + 8), U32At(before, record + 8)) << "the size field stays";

  const auto data = qv::ByteReader(after.data() + record + 12, recordEnd - record - 12);
  const auto project = ppt::InflateProject(data, U32At(after, record + 8));
  ASSERT_TRUE(project.has_value());
  EXPECT_TRUE(project->complete);
  EXPECT_FALSE(Contains(project->bytes, "Sub AutoOpen")) << "the module source is gone";

  EXPECT_EQ(CallScanFileVirus(U16(doc), 1).text, u"") << "a second scan finds nothing";
  const fs::path restored = docs_ / "restored.ppt";
  ASSERT_EQ(ReVirFile(Sv(U16(program_.quarantine() / "Deck.ppt.vir")), Sv(U16(restored))), 1);
  EXPECT_EQ(ReadFile(restored), original);
}

TEST_P(PresentationTest, ADamagedDirectoryIsWalkedAndStillRepaired) {
  writers::Presentation p{InfectedProject()};
  p.damagedDirectory = true;
  const auto streams = writers::BuildPresentationStreams(p);
  const fs::path doc = Place(Build(p, GetParam()));
  EXPECT_EQ(CallScanFileVirus(U16(doc), 1).text, U16(std::string(kRule)));
  EXPECT_EQ(program_.ReadLog(), LogLine(doc, " , killed"));
  EXPECT_EQ(U32At(DocumentStream(doc), streams.hasMacrosAt), 0u);
  EXPECT_EQ(CallScanFileVirus(U16(doc), 1).text, u"");
}

TEST_P(PresentationTest, ARecordThatCannotBeWrittenBackMakesItUnrepairable) {
  // The record claims more bytes than its zlib stream holds: scanned, but a rewrite with the
  // size field unchanged is impossible, so the presentation is deleted after its copy.
  writers::Presentation p{InfectedProject()};
  p.declaredSize = static_cast<uint32_t>(p.project.size() + 512);
  const Bytes original = Build(p, GetParam());
  const fs::path doc = Place(original);
  EXPECT_EQ(CallScanFileVirus(U16(doc), 1).text, U16(std::string(kRule)));
  EXPECT_EQ(program_.ReadLog(), LogLine(doc, " , kill failed , deleted"));
  EXPECT_FALSE(Exists(doc));
  const fs::path restored = docs_ / "restored.ppt";
  ASSERT_EQ(ReVirFile(Sv(U16(program_.quarantine() / "Deck.ppt.vir")), Sv(U16(restored))), 1);
  EXPECT_EQ(ReadFile(restored), original);
}

TEST_P(PresentationTest, CleanProjectsAndDeflateBombsAreLeftAlone) {
  const Bytes clean = Build({writers::BuildProjectPart({writers::ovba::CodeModule("Module1", "Sub A()\r\nEnd Sub\r\n")}, "VBAProject")},
                            GetParam());
  const fs::path doc = Place(clean);
  EXPECT_EQ(CallScanFileVirus(U16(doc), 1).text, u"");
  EXPECT_EQ(ReadFile(doc), clean);

  // An infected project swollen by 6 MiB of zeros deflates far past 1:200: it is not inflated.
  writers::CfbBuilder swollen;
  for (auto& stream : writers::ovba::BuildVbaProject(
           {writers::ovba::CodeModule("Module1", std::string("Sub AutoOpen()\r\n    ' ") + kMark + "\r\nEnd Sub\r\n")}, "VBAProject").streams) {
    swollen.AddStream(stream.path, stream.bytes);
  }
  swollen.AddStream("Filler", Bytes(6u << 20, 0));
  const Bytes bombed = Build({swollen.Build()}, GetParam());
  WriteFile(doc, bombed);
  EXPECT_EQ(CallScanFileVirus(U16(doc), 1).text, u"");
  EXPECT_EQ(ReadFile(doc), bombed);
  EXPECT_EQ(program_.ReadLog(), "");
}

// What the presentation pass cannot look at whole is reported, never passed off as clean: a
// project record past the inflate bounds, and a "PowerPoint Document" stream past its bound
// (whose first part is still searched: the project at its start is found).
TEST_P(PresentationTest, WhatIsPastItsBoundsIsReportedAsNotExamined) {
  writers::CfbBuilder swollen;
  for (auto& stream : writers::ovba::BuildVbaProject(
           {writers::ovba::CodeModule("Module1", std::string("Sub AutoOpen()\r\n    ' ") + kMark + "\r\nEnd Sub\r\n")}, "VBAProject").streams) {
    swollen.AddStream(stream.path, stream.bytes);
  }
  swollen.AddStream("Filler", Bytes(6u << 20, 0));  // deflates far past 1:200
  auto longStreams = writers::BuildPresentationStreams({InfectedProject()});
  longStreams.document.resize(cap::kPresentationStreamBytes + 1, 0);  // zeros after the records
  writers::CfbBuilder longDocument;
  longDocument.AddStream("Current User", longStreams.currentUser);
  longDocument.AddStream("PowerPoint Document", longStreams.document);

  const std::vector<std::pair<Bytes, size_t>> cases = {{Build({swollen.Build()}, GetParam()), 0},
                                                        {longDocument.Build(), 1}};
  for (const auto& [original, findings] : cases) {
    const fs::path doc = Place(original);
    const api::ScanOutcome outcome = api::ScanPath(U16(doc), api::ScanOptions{});
    EXPECT_EQ(outcome.findings.size(), findings);
    ASSERT_EQ(outcome.skipped.size(), 1u) << "passed off as clean";
    EXPECT_EQ(outcome.skipped[0].path, U16(doc));
    EXPECT_EQ(outcome.skipped[0].reason, "too large");
    EXPECT_EQ(ReadFile(doc), original);
  }
}

INSTANTIATE_TEST_SUITE_P(StreamPlaces, PresentationTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "OrdinarySectors" : "MiniStream");
                         });

}  // namespace
}  // namespace qv::test
