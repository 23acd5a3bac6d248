// Engine sessions: what they keep between calls (the built signature library, the work
// area's memory) never changes what a call finds, sessions on different threads share
// nothing, and a library that changes or goes away is noticed on the very next call.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "engine/include/scan_engine.h"
#include "tests/support/engine/program_folder.h"
#include "tests/support/vlb/vlb_builder.h"
#include "tests/support/zip/package_builder.h"
#include "tests/support/zip/project_part.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;

// The same test signature text under another rule name: tells which library a call used.
std::vector<uint8_t> RenamedLibrary(const char* ruleName) {
  return test::BuildLibrary(std::string("pattern 0x1 \"") + test::kTestSignatureText + "\"\nrule 0x1 \"" + ruleName +
                            "\" = p(0x1)\n");
}

void PlaceLibrary(const ProgramFolder& program, const std::vector<uint8_t>& image) {
  ASSERT_TRUE(test::WriteLibraryBeside(program.bin().string(), image));
}

// Every file below `root`, sorted, as the paths the engine reports.
std::vector<std::u16string> FilesBelow(const fs::path& root) {
  std::vector<std::u16string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) files.push_back(U16(entry.path()));
  }
  std::sort(files.begin(), files.end());
  return files;
}

// A corpus of compound project files and packages, clean and infected, in two folders.
void WriteMixedCorpus(const fs::path& root) {
  const ProjectPart kinds[] = {ProjectPart::Clean, ProjectPart::Infected, ProjectPart::InfectedRepairable};
  const OfficeKind offices[] = {OfficeKind::Word, OfficeKind::Excel, OfficeKind::PowerPoint};
  for (int i = 0; i < 24; ++i) {
    const ProjectPart kind = kinds[i % 3];
    const fs::path folder = root / (i % 2 == 0 ? "even" : "odd");
    if (i % 4 < 2) {
      WriteFile(folder / ("part" + std::to_string(i) + ".bin"), VbaProjectPart(kind));
    } else {
      WritePackage(folder / ("package" + std::to_string(i) + ".docm"),
                   MacroEnabledPackage(offices[i % 3], VbaProjectPart(kind)));
    }
  }
}

using Findings = std::vector<std::string>;  // "path|rule|action", in call order

Findings ScanEach(api::Session& session, const std::vector<std::u16string>& files, const fs::path& quarantine) {
  Findings out;
  api::ScanOptions options;
  options.quarantineFolder = U16(quarantine);
  for (const auto& file : files) {
    const api::ScanOutcome outcome = session.Scan(file, options);
    EXPECT_EQ(outcome.status, api::Status::Ran);
    for (const auto& f : outcome.findings) {
      out.push_back(std::string(f.path.begin(), f.path.end()) + "|" + f.ruleName + "|" + api::ActionName(f.action));
    }
    for (const auto& s : outcome.skipped) out.push_back(std::string(s.path.begin(), s.path.end()) + "|skipped");
  }
  return out;
}

class MixedCorpusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteMixedCorpus(docs.path());
    files = FilesBelow(docs.path());
  }
  ProgramFolder program;
  TempDir docs;
  std::vector<std::u16string> files;
};

TEST_F(MixedCorpusTest, SessionsOnTwoThreadsFindWhatOneFindsAlone) {
  api::Session alone;
  const Findings expected = ScanEach(alone, files, docs / "q-alone");
  // Every infected file is found (8 parts and packages of each infected kind).
  ASSERT_EQ(expected.size(), 16u);
  EXPECT_EQ(alone.LibraryBuilds(), 1u);  // built once for the whole series

  Findings first, second;
  std::thread a([&] {
    api::Session session;
    first = ScanEach(session, files, docs / "q-first");
  });
  std::thread b([&] {
    api::Session session;
    second = ScanEach(session, files, docs / "q-second");
  });
  a.join();
  b.join();
  EXPECT_EQ(first, expected);
  EXPECT_EQ(second, expected);
}

TEST(EngineSessionTest, AReplacedLibraryIsUsedFromTheNextCallOn) {
  ProgramFolder program;
  TempDir docs;
  const fs::path part = docs / "project.bin";
  WriteFile(part, VbaProjectPart(ProjectPart::Infected));
  api::Session session;
  const auto ruleOf = [&] {
    const api::ScanOutcome outcome = session.Scan(U16(part), {});
    EXPECT_EQ(outcome.status, api::Status::Ran);
    return std::string(outcome.resultText.begin(), outcome.resultText.end());
  };

  EXPECT_EQ(ruleOf(), test::kTestSignatureName);
  EXPECT_EQ(ruleOf(), test::kTestSignatureName);
  EXPECT_EQ(session.LibraryBuilds(), 1u);

  // Same length, same modification time: only the content tells the two apart.
  const fs::path library = program.bin() / "qzmacro.vlb";
  const auto stamp = fs::last_write_time(library);
  const std::vector<uint8_t> first = RenamedLibrary("Macro.Renamed.One");
  const std::vector<uint8_t> second = RenamedLibrary("Macro.Renamed.Two");
  ASSERT_EQ(first.size(), second.size());
  PlaceLibrary(program, first);
  fs::last_write_time(library, stamp);
  EXPECT_EQ(ruleOf(), "Macro.Renamed.One");
  PlaceLibrary(program, second);
  fs::last_write_time(library, stamp);
  EXPECT_EQ(ruleOf(), "Macro.Renamed.Two");
  EXPECT_EQ(session.LibraryBuilds(), 3u);

  // A damaged library fails the call and is not kept; the good one comes back.
  PlaceLibrary(program, std::vector<uint8_t>(300, 0x5A));
  EXPECT_EQ(session.Scan(U16(part), {}).status, api::Status::LibraryUnusable);
  PlaceLibrary(program, second);
  EXPECT_EQ(ruleOf(), "Macro.Renamed.Two");
}

TEST(EngineSessionTest, ARemovedLibraryFailsTheNextCall) {
  ProgramFolder program;
  TempDir docs;
  const fs::path part = docs / "project.bin";
  WriteFile(part, VbaProjectPart(ProjectPart::Infected));
  const std::vector<uint8_t> shipped = ReadFile(program.bin() / "qzmacro.vlb");

  api::Session session;
  EXPECT_EQ(session.Scan(U16(part), {}).resultText, u"Macro.Test.Signature");
  fs::remove(program.bin() / "qzmacro.vlb");
  const api::ScanOutcome gone = session.Scan(U16(part), {});
  EXPECT_EQ(gone.status, api::Status::LibraryMissing);
  EXPECT_TRUE(gone.findings.empty());
  PlaceLibrary(program, shipped);
  EXPECT_EQ(session.Scan(U16(part), {}).resultText, u"Macro.Test.Signature");
}

// The C export keeps its sessions between calls; callers see nothing of it.
TEST(EngineSessionTest, TheExportNoticesAChangedOrRemovedLibraryOnTheNextCall) {
  ProgramFolder program;
  TempDir docs;
  const fs::path part = docs / "project.bin";
  WriteFile(part, VbaProjectPart(ProjectPart::Infected));

  ExportCall call = CallScanFileVirus(U16(part), 0);
  EXPECT_EQ(call.text, u"Macro.Test.Signature");
  PlaceLibrary(program, RenamedLibrary("Macro.Renamed"));
  call = CallScanFileVirus(U16(part), 0);
  EXPECT_EQ(call.result, 1);
  EXPECT_EQ(call.text, u"Macro.Renamed");

  fs::remove(program.bin() / "qzmacro.vlb");
  call = CallScanFileVirus(U16(part), 0);
  EXPECT_EQ(call.result, 1);
  EXPECT_EQ(call.text, u"");
  EXPECT_EQ(call.console, "Load qzmacro.vlb failed\n");
}

// Reusing the work area's memory: a call after calls that used its tables and its document
// object finds exactly what a call in a fresh session finds.
TEST_F(MixedCorpusTest, CallsAfterOtherDocumentsFindWhatAFreshCallFinds) {
  api::Session kept;
  for (const auto& file : files) {
    const api::ScanOutcome fresh = api::ScanPath(file, {});
    const api::ScanOutcome reused = kept.Scan(file, {});
    EXPECT_EQ(reused.resultText, fresh.resultText) << std::string(file.begin(), file.end());
    EXPECT_EQ(reused.findings.size(), fresh.findings.size());
  }
}

}  // namespace
}  // namespace qv::test
