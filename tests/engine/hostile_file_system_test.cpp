// Whole engine calls on a hostile file system: a FIFO where a document was, read-only
// documents, documents reached through links, names that are not UTF-8, and a link swapped in
// at the rebuilt package's name while the engine works (through the race-window hook).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "engine/include/scan_engine.h"
#include "engine/platform/fault_injection.h"
#include "engine/platform/platform.h"
#include "tests/support/engine/program_folder.h"
#include "tests/support/zip/package_builder.h"
#include "tests/support/zip/project_part.h"
#include "tools/samples/sample_documents.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;

constexpr char kRule[] = "Macro.Test.Signature";

// The Word 97 sample (a VBA module with the test string), written under `name`.
fs::path WriteWordSample(const fs::path& folder, const std::string& name) {
  for (const auto& sample : samples::Samples()) {
    if (sample.kind != samples::SampleKind::Word97) continue;
    std::string error;
    EXPECT_TRUE(samples::WriteSample(sample, folder, &error)) << error;
    fs::rename(folder / sample.fileName, folder / name);
    return folder / name;
  }
  ADD_FAILURE() << "no Word 97 sample";
  return {};
}

mode_t ModeOf(const fs::path& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

api::ScanOutcome Scan(const fs::path& path, bool repair) { return api::ScanPath(U16(path), {repair, false}); }

// Acts at the engine's race window of that name, as another process could.
void AtRaceWindow(std::u16string name, std::function<void()> act) {
  platform::testing::SetFaultHook([name = std::move(name), act = std::move(act)](platform::testing::FaultSite site,
                                                                                const std::u16string& path) {
    if (site == platform::testing::FaultSite::RaceWindow && path == name) act();
    return platform::testing::FaultVerdict::Proceed;
  });
}

class HostileFileSystem : public ::testing::Test {
 protected:
  void TearDown() override { platform::testing::SetFaultHook({}); }
  ProgramFolder program_;
  TempDir docs_;
};

// A FIFO swapped in for a document used to block the scan forever.
TEST_F(HostileFileSystem, AFifoWhereADocumentWasIsPassedAtOnce) {
  const fs::path fifo = docs_ / "swapped.doc";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
  WriteWordSample(docs_.path(), "infected.doc");
  const auto started = std::chrono::steady_clock::now();
  for (const fs::path& target : {fifo, docs_.path()}) {
    const api::ScanOutcome outcome = Scan(target, true);
    ASSERT_EQ(outcome.status, api::Status::Ran);
    for (const auto& finding : outcome.findings) EXPECT_NE(finding.path, U16(fifo));
  }
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
}

// A read-only document is scanned (never passed off as clean). A repair clears the
// read-only state for its writes and sets it again afterwards.
TEST_F(HostileFileSystem, ReadOnlyDocumentsAreScannedAndRepairedKeepingTheirMode) {
  for (const mode_t mode : {mode_t{0444}, mode_t{0400}}) {
    SCOPED_TRACE(mode);
    const fs::path doc = WriteWordSample(docs_.path(), "readonly-" + std::to_string(mode) + ".doc");
    ASSERT_EQ(::chmod(doc.c_str(), mode), 0);
    const std::vector<uint8_t> before = ReadFile(doc);

    const api::ScanOutcome report = Scan(doc, false);
    ASSERT_EQ(report.findings.size(), 1u);
    EXPECT_EQ(report.findings[0].action, api::Action::Reported);
    EXPECT_EQ(ReadFile(doc), before);
    EXPECT_EQ(ModeOf(doc), mode);

    const api::ScanOutcome repair = Scan(doc, true);
    ASSERT_EQ(repair.findings.size(), 1u);
    EXPECT_EQ(repair.findings[0].action, api::Action::Repaired);
    EXPECT_EQ(ModeOf(doc), mode) << "read-only again after the repair";
    EXPECT_NE(ReadFile(doc), before);
    EXPECT_TRUE(Scan(doc, false).findings.empty()) << "really repaired";
    EXPECT_TRUE(Exists(program_.quarantine() / (doc.filename().string() + ".vir")));
  }
}

// A read-only document this user may not make writable (here: made read-only again by the
// hook just before it is reopened for writing, as for a file of another owner) is neither
// changed nor deleted: "repair failed", and its quarantine copy stays.
TEST_F(HostileFileSystem, AReadOnlyDocumentThatCannotBeMadeWritableIsKeptAsItWas) {
  const fs::path doc = WriteWordSample(docs_.path(), "locked.doc");
  ASSERT_EQ(::chmod(doc.c_str(), 0444), 0);
  const std::vector<uint8_t> before = ReadFile(doc);
  AtRaceWindow(u"read-only-before-reopen", [&] { ::chmod(doc.c_str(), 0444); });
  const api::ScanOutcome outcome = Scan(doc, true);
  platform::testing::SetFaultHook({});
  ASSERT_EQ(outcome.findings.size(), 1u);
  EXPECT_EQ(outcome.findings[0].action, api::Action::RepairFailed);
  ASSERT_TRUE(Exists(doc)) << "not deleted";
  EXPECT_EQ(ReadFile(doc), before);
  EXPECT_EQ(ModeOf(doc), 0444u);
  EXPECT_TRUE(Exists(program_.quarantine() / "locked.doc.vir"));
  EXPECT_NE(program_.ReadLog().find(" , kill failed (read-only)"), std::string::npos) << program_.ReadLog();
}

// Through a link, the real file is what is examined, repaired and named; the link stays a
// link. For a package the rebuilt package replaces the real file, beside it.
TEST_F(HostileFileSystem, ADocumentReachedThroughALinkIsRepairedAsTheRealFile) {
  TempDir outside;
  const fs::path realDoc = WriteWordSample(outside.path(), "real.doc");
  const fs::path realPackage = outside / "real.docm";
  WritePackage(realPackage, MacroEnabledPackage(OfficeKind::Word, VbaProjectPart(ProjectPart::InfectedRepairable)));
  for (const fs::path& real : {realDoc, realPackage}) {
    SCOPED_TRACE(real.filename());
    const fs::path link = docs_ / ("link-to-" + real.filename().string());
    fs::create_symlink(real, link);
    const api::ScanOutcome outcome = Scan(link, true);
    ASSERT_EQ(outcome.findings.size(), 1u);
    EXPECT_EQ(outcome.findings[0].path, U16(fs::canonical(real))) << "the output names what was changed";
    EXPECT_EQ(outcome.findings[0].action, api::Action::Repaired);
    EXPECT_TRUE(fs::is_symlink(link)) << "the link is not replaced";
    EXPECT_TRUE(Scan(real, false).findings.empty()) << "the real file is clean now";
    EXPECT_FALSE(Exists(docs_ / (link.filename().string() + ".bin")));
  }
}

// A name that is not UTF-8 (GBK "中文") is scanned, reported and quarantined under its real
// bytes.
TEST_F(HostileFileSystem, NamesThatAreNotUtf8AreScannedAndQuarantinedUnderTheirRealName) {
  const std::string gbk = "\xD6\xD0\xCE\xC4.doc";
  const fs::path doc = WriteWordSample(docs_.path(), gbk);
  ASSERT_TRUE(fs::exists(doc));
  const api::ScanOutcome folder = Scan(docs_.path(), true);
  ASSERT_EQ(folder.findings.size(), 1u);
  EXPECT_EQ(platform::ToNarrow(folder.findings[0].path), doc.string());
  EXPECT_EQ(folder.findings[0].action, api::Action::Repaired);
  EXPECT_TRUE(fs::exists(program_.quarantine() / (gbk + ".vir")));
  EXPECT_NE(program_.ReadLog().find(doc.string()), std::string::npos) << "the log names the real bytes";
}

// Root repairing a package in a folder someone else owns: when that someone puts a link to a
// root-only file at the rebuilt package's name before it is moved into place, the link's
// target keeps its mode and content, and the package is not called repaired.
TEST_F(HostileFileSystem, ALinkSwappedInForTheRebuiltPackageChangesNothingItPointsTo) {
  const fs::path package = docs_ / "victim.docm";
  WritePackage(package, MacroEnabledPackage(OfficeKind::Word, VbaProjectPart(ProjectPart::InfectedRepairable)));
  ::chmod(package.c_str(), 0644);
  TempDir elsewhere;
  const fs::path secret = elsewhere / "root-only";
  WriteFile(secret, std::string("private"));
  ::chmod(secret.c_str(), 0600);
  int swaps = 0;
  AtRaceWindow(u"package-before-replace", [&] {
    const fs::path rebuilt = docs_ / "victim.docm.bin";
    fs::rename(rebuilt, elsewhere / "stolen.bin");
    fs::create_symlink(secret, rebuilt);
    ++swaps;
  });
  const api::ScanOutcome outcome = Scan(package, true);
  platform::testing::SetFaultHook({});
  ASSERT_EQ(swaps, 1);
  ASSERT_EQ(outcome.findings.size(), 1u);
  EXPECT_NE(outcome.findings[0].action, api::Action::Repaired);
  EXPECT_EQ(ModeOf(secret), 0600u);
  EXPECT_EQ(ReadFile(secret), std::vector<uint8_t>({'p', 'r', 'i', 'v', 'a', 't', 'e'}));
}

// A rebuilt package keeps the document's mode, and its owner and group when the process may
// set them (root); before, it became root's.
TEST_F(HostileFileSystem, ARebuiltPackageKeepsOwnerGroupAndMode) {
  const fs::path package = docs_ / "owned.docm";
  WritePackage(package, MacroEnabledPackage(OfficeKind::Word, VbaProjectPart(ProjectPart::InfectedRepairable)));
  ASSERT_EQ(::chmod(package.c_str(), 0640), 0);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(package.c_str(), 65534, 65534), 0);
  }
  const api::ScanOutcome outcome = Scan(package, true);
  ASSERT_EQ(outcome.findings.size(), 1u);
  ASSERT_EQ(outcome.findings[0].action, api::Action::Repaired);
  struct stat st {};
  ASSERT_EQ(::stat(package.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(st.st_uid, root ? 65534u : ::geteuid());
  if (root) {
    EXPECT_EQ(st.st_gid, 65534u);
  }
}

}  // namespace
}  // namespace qv::test
