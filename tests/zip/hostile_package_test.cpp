// Packages made by an attacker: project parts hidden past the entry cap, behind a clean
// duplicate, in upper case or padded past the size bound, and packages whose entries share
// bytes or whose local headers lie. Each is either found or reported as not examined, never
// passed off as clean, and none of them is rebuilt unless it is what it says it is.
#include <gtest/gtest.h>

#include <functional>

#include "engine/common/capacities.h"
#include "engine/include/scan_engine.h"
#include "engine/platform/platform.h"
#include "engine/zip/package_survey.h"
#include "tests/support/vlb/vlb_builder.h"
#include "tests/support/zip/package_damage.h"
#include "tests/support/zip/project_part.h"
#include "tests/zip/package_fixture.h"

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
       nullptr, Expect::NotExamined, "damaged", false},
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
