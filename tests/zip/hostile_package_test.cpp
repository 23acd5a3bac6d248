// Packages made by an attacker: project parts hidden past the entry cap, behind a clean
// duplicate, in upper case or padded past the size bound, and packages whose entries share
// bytes or whose local headers lie. Each is either found or reported as not examined, never
// passed off as clean, and none of them is rebuilt unless it is what it says it is.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>

#include "engine/common/capacities.h"
#include "engine/include/scan_engine.h"
#include "engine/platform/platform.h"
#include "engine/zip/macro_sheet_package.h"
#include "engine/zip/package_survey.h"
#include "tests/support/vlb/vlb_builder.h"
#include "tests/support/zip/package_damage.h"
#include "tests/support/zip/project_part.h"
#include "tests/zip/package_fixture.h"
#include "writers/zip/macro_sheet_writer.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;
namespace zl = qv::zip::layout;

std::vector<uint8_t> TestLibrary() {
  return test::BuildLibrary(R"(pattern 0x1 "QUORVANE-MACRO-TEST-SIGNATURE" case utf16
rule 0x1 "Macro.Test.Signature" = p(0x1))");
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
}

std::vector<PackagePart> WithProject(std::vector<PackagePart> entries, const std::string& name,
                                      std::vector<uint8_t> project) {
  entries.push_back({name, std::move(project)});
  return entries;
}

// An infected project part followed by `bytes` of zeros inside the compound file's last
// stream's slack: still the same project, only much larger when inflated.
std::vector<uint8_t> PaddedProject(uint64_t bytes) {
  std::vector<uint8_t> part = VbaProjectPart(ProjectPart::Infected);
  part.resize(part.size() + bytes, 0);
  return part;
}

// A workbook package whose hidden macro sheet carries the test string, with `media` small
// entries of equal content after its parts (room for entries that share bytes).
std::vector<PackagePart> MacroSheetWorkbook(int media) {
  writers::MacroSheetBook book;
  book.sheets.push_back({"Sheet1", false, writers::SheetVisibility::Visible, "Figures", {}, {}});
  book.sheets.push_back({"Macro1", true, writers::SheetVisibility::Hidden, "",
                         {std::string("\"") + test::kTestSignatureText + "\"", "RETURN()"}, {}});
  book.autoOpenSheet = 1;
  std::vector<PackagePart> entries;
  for (const auto& part : writers::MacroSheetBookParts(book)) entries.push_back({part.name, part.data});
  for (int i = 0; i < media; ++i) entries.push_back({"xl/media/image" + std::to_string(i) + ".bin", Bytes("x")});
  return entries;
}

// The entry whose name begins with `prefix` stored with a checksum that its bytes do not match:
// it cannot be read back whole.
std::vector<PackagePart> WithDamagedEntry(std::vector<PackagePart> entries, const std::string& prefix) {
  for (auto& entry : entries) {
    if (entry.name.rfind(prefix, 0) != 0) continue;
    entry.raw = true;
    entry.deflate = false;
    entry.declaredSize = entry.data.size();
    entry.declaredCrc = Crc32(entry.data) ^ 1;
  }
  return entries;
}

// Points the central records of every media entry after the first at the first one's local
// header: the entries share bytes (and read back whole, their content being equal).
void ShareMediaBytes(std::vector<uint8_t>& bytes) {
  const uint32_t first = LocalOffsetOf(bytes, RecordNamed(bytes, "xl/media/image0.bin"));
  for (size_t record : CentralRecords(bytes)) {
    const std::string name = CentralName(bytes, record);
    if (name.rfind("xl/media/image", 0) == 0 && name != "xl/media/image0.bin") {
      Put32(bytes, record + zl::kCentralLocalOffset, first);
    }
  }
}

enum class Expect { Found, NotExamined };

struct HostileCase {
  const char* label;
  std::function<std::vector<PackagePart>()> entries;
  std::function<void(std::vector<uint8_t>&)> damage;  // applied to the written bytes; may be null
  Expect scan;
  const char* reason;  // the not-examined reason, when that is expected
  bool rebuilt;        // in repair mode: does the rebuilt package replace the document?
};

std::vector<HostileCase> Cases() {
  const std::string project = ProjectEntryName(OfficeKind::Word);
  const auto office = [] { return MacroEnabledPackage(OfficeKind::Word, VbaProjectPart(ProjectPart::Clean)); };
  return {
      {"ProjectPartAfterTheEntryCap",
       [=] {
         std::vector<PackagePart> entries;
         for (uint64_t i = 0; i < cap::kMaxPackageEntries; ++i) {
           entries.push_back({"f/" + std::to_string(i), {}, false});
         }
         return WithProject(entries, project, VbaProjectPart(ProjectPart::Infected));
       },
       nullptr, Expect::NotExamined, "too many entries", false},
      {"ProjectPartPastASaturatedEntryCount",  // the end record says 0xFFFF; the directory holds more
       [=] {
         std::vector<PackagePart> entries;
         for (int i = 0; i < 0x10000; ++i) entries.push_back({"f/" + std::to_string(i), {}, false});
         return WithProject(entries, project, VbaProjectPart(ProjectPart::Infected));
       },
       [](std::vector<uint8_t>& bytes) { DropZip64EndRecords(bytes); }, Expect::NotExamined, "damaged", false},
      {"CleanDuplicateListedFirst",
       [=] { return WithProject(office(), project, VbaProjectPart(ProjectPart::InfectedRepairable)); }, nullptr,
       Expect::Found, nullptr, false},
      {"UpperCaseProjectName",
       [=] {
         return WithProject({{"[Content_Types].xml", Bytes("<Types/>")}}, "WORD/VBAPROJECT.BIN",
                            VbaProjectPart(ProjectPart::InfectedRepairable));
       },
       nullptr, Expect::Found, nullptr, true},
      {"PaddedPastTheSizeBound",
       [=] { return WithProject({}, project, PaddedProject(cap::kMaxProjectPartBytes + 1)); }, nullptr,
       Expect::NotExamined, "too large", false},
      {"PaddedPastTheRatioBound",
       [=] { return WithProject({}, project, PaddedProject(2 * cap::kRatioFreeBytes)); }, nullptr,
       Expect::NotExamined, "too large", false},
      {"EntriesSharingTheProjectBytes",
       [=] {
         auto entries = WithProject({}, project, VbaProjectPart(ProjectPart::InfectedRepairable));
         for (int i = 0; i < 50; ++i) entries.push_back({"word/media/image" + std::to_string(i) + ".bin", Bytes("x")});
         return entries;
       },
       [=](std::vector<uint8_t>& bytes) { ShareOneLocalHeader(bytes, project); },
       Expect::Found, nullptr, false},
      {"LocalHeaderNameDisagrees",
       [=] { return WithProject({{"word/document.xml", Bytes("<w:document/>")}}, project,
                                VbaProjectPart(ProjectPart::InfectedRepairable)); },
       [=](std::vector<uint8_t>& bytes) { FlipLocalName(bytes, "word/document.xml"); },
       Expect::Found, nullptr, false},
      // The macro-sheet rebuild refuses what the project-part rebuild refuses.
      {"MacroSheetPackageWithEntriesSharingBytes", [] { return MacroSheetWorkbook(50); }, ShareMediaBytes,
       Expect::Found, nullptr, false},
      {"MacroSheetPackageWithALyingLocalHeader", [] { return MacroSheetWorkbook(1); },
       [](std::vector<uint8_t>& bytes) { FlipLocalName(bytes, "xl/media/image0.bin"); }, Expect::Found, nullptr, false},
      {"MacroSheetPackageDeclaringPastTheRebuildBound", [] { return MacroSheetWorkbook(1); },
       [](std::vector<uint8_t>& bytes) {  // one entry claims 4 GiB: copying it would cost past the bound
         Put32(bytes, RecordNamed(bytes, "xl/media/image0.bin") + zl::kCentralSize, 0xFFFFFFFF);
       },
       Expect::Found, nullptr, false},
      {"SoundMacroSheetPackage", [] { return MacroSheetWorkbook(1); }, nullptr, Expect::Found, nullptr, true},
      // A part the macro-sheet pass needs but cannot read could be the macro sheet.
      {"MacroSheetPartThatDoesNotReadBack", [] { return WithDamagedEntry(MacroSheetWorkbook(0), "xl/macrosheets/"); },
       nullptr, Expect::NotExamined, "damaged", false},
      {"WorkbookPartThatDoesNotReadBack", [] { return WithDamagedEntry(MacroSheetWorkbook(0), "xl/workbook.xml"); },
       nullptr, Expect::NotExamined, "damaged", false},
  };
}

class HostilePackageTest : public PackageTest {
 protected:
  ProgramFolder program_{TestLibrary()};
};

TEST_F(HostilePackageTest, EveryCaseIsFoundOrReportedAsNotExaminedAndOnlyASoundPackageIsRebuilt) {
  for (const HostileCase& c : Cases()) {
    SCOPED_TRACE(c.label);
    const fs::path document = Doc();
    WritePackage(document, c.entries());
    std::vector<uint8_t> bytes = ReadFile(document);
    if (c.damage) {
      c.damage(bytes);
      WriteFile(document, bytes);
    }
    for (bool repair : {false, true}) {
      SCOPED_TRACE(repair ? "repair" : "report only");
      fs::remove_all(program_.quarantine());
      const api::ScanOutcome outcome = api::ScanPath(U16(document), {repair, std::getenv("QV_TRACE") != nullptr});
      ASSERT_EQ(outcome.status, api::Status::Ran);
      EXPECT_FALSE(outcome.findings.empty() && outcome.skipped.empty()) << "passed off as clean";
      if (c.scan == Expect::Found) {
        ASSERT_EQ(outcome.findings.size(), 1u);
        EXPECT_EQ(outcome.findings[0].ruleName, "Macro.Test.Signature");
        EXPECT_EQ(outcome.findings[0].path, U16(document));
        if (repair) {
          EXPECT_EQ(outcome.findings[0].action, c.rebuilt ? api::Action::Repaired : api::Action::RepairFailed);
          // Not rebuilt: the document is exactly as it was, and its whole copy is quarantined.
          if (!c.rebuilt) EXPECT_EQ(ReadFile(document), bytes);
          EXPECT_TRUE(fs::exists(program_.quarantine() / "Report.docm.vir"));
          EXPECT_FALSE(fs::exists(program_.quarantine() / "Report.docm.bin.vir")) << "a second copy of the part";
        }
      } else {
        ASSERT_EQ(outcome.skipped.size(), 1u);
        EXPECT_EQ(outcome.skipped[0].path, U16(document));
        EXPECT_EQ(outcome.skipped[0].reason, c.reason);
        EXPECT_EQ(ReadFile(document), bytes) << "a package not examined is never changed";
      }
      if (c.rebuilt && repair) break;  // the document is clean now
    }
    EXPECT_TRUE(Listing(temp_.path()).empty()) << "nothing left in the temporary folder";
    fs::remove(document);
    fs::remove_all(program_.quarantine());
  }
}

// A stop request (the command line's interrupt flag) ends the work on a package between its
// entries and chunks: neither an infected project part nor a hidden macro sheet is reached,
// the package is reported as not examined, and the document stays exactly as it was.
TEST_F(HostilePackageTest, AStopRequestLeavesThePackageNotExaminedAndUnchanged) {
  const std::atomic<bool> stop{true};
  struct Case {
    const char* label;
    std::vector<PackagePart> entries;
  };
  const std::vector<Case> cases = {
      {"ProjectPart", MacroEnabledPackage(OfficeKind::Word, VbaProjectPart(ProjectPart::InfectedRepairable))},
      {"MacroSheet", MacroSheetWorkbook(1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const fs::path document = Doc();
    WritePackage(document, c.entries);
    const std::vector<uint8_t> bytes = ReadFile(document);
    api::ScanOptions options;
    options.repair = true;
    options.consoleTrace = false;
    options.stop = &stop;
    const api::ScanOutcome outcome = api::ScanPath(U16(document), options);
    ASSERT_EQ(outcome.status, api::Status::Ran);
    EXPECT_TRUE(outcome.findings.empty());
    ASSERT_EQ(outcome.skipped.size(), 1u) << "one notice per package";
    EXPECT_EQ(outcome.skipped[0].path, U16(document));
    EXPECT_EQ(outcome.skipped[0].reason, "interrupted");
    EXPECT_EQ(ReadFile(document), bytes);
    EXPECT_TRUE(Listing(temp_.path()).empty()) << "nothing left in the temporary folder";
    EXPECT_EQ(Listing(docs_.path()), std::set<std::string>{"Report.docm"}) << "no rebuilt file left beside it";
    fs::remove(document);
    fs::remove_all(program_.quarantine());
  }

  // The macro-sheet removal, asked directly, gives up too and leaves nothing behind.
  const fs::path book = Doc("Book.xlsm");
  WritePackage(book, MacroSheetWorkbook(1));
  const std::vector<uint8_t> bytes = ReadFile(book);
  const auto workbook = zip::JudgeHiddenMacroSheets(U16(book), [](const zip::HiddenMacroSheet&, std::string_view) {});
  ASSERT_TRUE(workbook.has_value());
  ASSERT_EQ(workbook->sheets.size(), 1u);
  EXPECT_EQ(zip::RebuildWithoutMacroSheets(U16(book), *workbook, workbook->sheets, &stop), zip::SheetRemoval::Abandoned);
  EXPECT_EQ(ReadFile(book), bytes);
  EXPECT_EQ(Listing(docs_.path()), std::set<std::string>{"Book.xlsm"});
  const std::atomic<bool> go{false};
  EXPECT_EQ(zip::RebuildWithoutMacroSheets(U16(book), *workbook, workbook->sheets, &go), zip::SheetRemoval::Replaced)
      << "the same removal without the stop request";
}

// The survey on its own: what it reads from the package's bookkeeping.
TEST_F(HostilePackageTest, SurveyCountsEntriesFindsEveryProjectPartAndSeesSharedBytes) {
  const fs::path document = Doc();
  // A name with bytes above 0x7F must match its local header byte for byte, too.
  WritePackage(document,
               WithProject(WithProject(WithProject(MacroEnabledPackage(OfficeKind::Excel, Bytes("a")), "xl/VbaProject.BIN",
                                                   Bytes("b")),
                                       "vbaProject.bin", Bytes("root")),
                           "xl/media/图像 ü.xml", Bytes("c")));
  {
    auto file = platform::File::OpenRead(U16(document));
    ASSERT_TRUE(file);
    const zip::PackageSurvey survey = zip::SurveyPackage(*file);
    EXPECT_TRUE(survey.readable && survey.complete && survey.consistent);
    EXPECT_EQ(survey.entries, MacroEnabledPackage(OfficeKind::Excel, Bytes("a")).size() + 3);
    EXPECT_EQ(survey.projectEntries, (std::vector<std::string>{"xl/vbaProject.bin", "xl/VbaProject.BIN"}));
  }
  std::vector<uint8_t> bytes = ReadFile(document);
  const auto records = CentralRecords(bytes);
  Put32(bytes, records[1] + zl::kCentralLocalOffset, LocalOffsetOf(bytes, records[0]));
  WriteFile(document, bytes);
  auto file = platform::File::OpenRead(U16(document));
  ASSERT_TRUE(file);
  const zip::PackageSurvey shared = zip::SurveyPackage(*file);
  EXPECT_TRUE(shared.readable && shared.complete);
  EXPECT_FALSE(shared.consistent);

  bytes.resize(bytes.size() - 1);  // the end record cut short
  WriteFile(document, bytes);
  auto cut = platform::File::OpenRead(U16(document));
  EXPECT_FALSE(zip::SurveyPackage(*cut).readable);
}

}  // namespace
}  // namespace qv::test
