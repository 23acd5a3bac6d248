// Where the quarantine lives: beside a portable program folder, in the user's data folder
// for an installed one, or wherever a caller names.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/common/quarantine_location.h"
#include "engine/include/scan_engine.h"
#include "engine/include/scanvirus.h"
#include "engine/platform/platform.h"
#include "tests/support/engine/program_folder.h"
#include "tests/support/system/system.h"
#include "tests/support/zip/package_builder.h"
#include "tests/support/zip/project_part.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;

std::string Dir(const fs::path& path) { return path.string() + char(platform::kSep); }

// The folder rule joins names with the platform's separator; the cases are written with '/'.
std::string Slashed(std::u16string folder) {
  std::replace(folder.begin(), folder.end(), platform::kSep, u'/');
  return Utf8(folder);
}

TEST(QuarantineLocationTest, ChoiceFollowsTheProgramFolder) {
  struct Case {
    const char* what;
    bool writable, installed;
    const char16_t* userData;
    const char16_t* expected;
  };
  const Case cases[] = {
      {"portable folder", true, false, u"/home/ann/.local/share/", u"/opt/qv/RepairBrack/"},
      {"read-only folder", false, false, u"/home/ann/.local/share/", u"/home/ann/.local/share/quorvane/RepairBrack/"},
      {"installed, user", false, true, u"/home/ann/.local/share/", u"/home/ann/.local/share/quorvane/RepairBrack/"},
      {"installed, admin who could write there", true, true, u"/root/.local/share/",
       u"/root/.local/share/quorvane/RepairBrack/"},
      {"no user folder known", false, true, u"", u"/opt/qv/RepairBrack/"},
  };
  for (const Case& c : cases) {
    QuarantineSiteFacts facts{u"/opt/qv/", c.writable, c.installed, c.userData};
    EXPECT_EQ(Slashed(ChooseQuarantineFolder(facts)), Utf8(c.expected)) << c.what;
    EXPECT_EQ(IsBesideProgram(ChooseQuarantineFolder(facts), facts.programFolder),
              std::u16string(c.expected) == u"/opt/qv/RepairBrack/")
        << c.what;
  }
}

TEST(QuarantineLocationTest, UserDataFolderFollowsXdgThenHome) {
  if (!kPosixModes) GTEST_SKIP() << "Windows keeps the quarantine beside the program: no user data folder";
  ScopedEnv home("HOME", "/home/ann");
  {
    ScopedEnv xdg("XDG_DATA_HOME", "/data/ann//");
    EXPECT_EQ(platform::UserDataFolder(), u"/data/ann/");
  }
  {
    ScopedEnv xdg("XDG_DATA_HOME", "relative/data");  // not absolute: ignored
    EXPECT_EQ(platform::UserDataFolder(), u"/home/ann/.local/share/");
  }
  {
    ScopedEnv xdg("XDG_DATA_HOME", nullptr);
    EXPECT_EQ(platform::UserDataFolder(), u"/home/ann/.local/share/");
    ScopedEnv emptyHome("HOME", "");  // falls back to the password database: still absolute
    const std::u16string fromDatabase = platform::UserDataFolder();
    if (!fromDatabase.empty()) {
      EXPECT_EQ(fromDatabase.front(), u'/');
      EXPECT_TRUE(fromDatabase.ends_with(u"/.local/share/"));
    }
  }
}

TEST(QuarantineLocationTest, PrivateFolderTreeIsMadeWithItsParents) {
  TempDir temp;
  const fs::path deep = temp / "a" / "b" / "RepairBrack";
  ASSERT_TRUE(platform::CreatePrivateFolderTree(U16(Dir(deep))));
  for (const fs::path& made : {temp / "a", temp / "a" / "b", deep}) {
    EXPECT_TRUE(fs::is_directory(made)) << made;
    if (kPosixModes) EXPECT_EQ(PosixMode(made), 0700u) << made;
  }
  EXPECT_TRUE(platform::CreatePrivateFolderTree(U16(deep)));  // exists already: fine
  WriteFile(temp / "file", std::string("x"));
  EXPECT_FALSE(platform::CreatePrivateFolderTree(U16(temp / "file" / "RepairBrack")));
}

TEST(QuarantineLocationTest, NamedFolderIsAbsoluteWithOneSeparator) {
  if (!kPosixModes) GTEST_SKIP() << "the cases are POSIX path forms";
  TempDir temp;
  const fs::path saved = fs::current_path();
  fs::current_path(temp.path());
  EXPECT_EQ(Utf8(NormalizedQuarantineFolder(u"q//")), Dir(temp / "q"));
  EXPECT_EQ(Utf8(NormalizedQuarantineFolder(u"/var/lib/x/../quorvane/RepairBrack")), "/var/lib/quorvane/RepairBrack/");
  EXPECT_EQ(NormalizedQuarantineFolder(u""), u"");
  fs::current_path(saved);
}

// Whole engine calls on an infected package, with the program folder set up as each layout.
class QuarantineSiteTest : public ::testing::Test {
 protected:
  QuarantineSiteTest()
      : xdg_("XDG_DATA_HOME", data_.path().string().c_str()) {
    WritePackage(document_, MacroEnabledPackage(OfficeKind::Word, VbaProjectPart(ProjectPart::InfectedRepairable)));
    original_ = ReadFile(document_);
  }
  int RepairWithExport() {
    char16_t text[260] = {};
    return SCanFileVirus(Sv(U16(document_)), 1, Sv(text));
  }
  fs::path UserQuarantine() const { return data_ / "quorvane" / "RepairBrack"; }

  ProgramFolder program_;
  TempDir data_;
  TempDir docs_;
  ScopedEnv xdg_;
  fs::path document_ = docs_ / "Report.docm";
  std::vector<uint8_t> original_;
};

TEST_F(QuarantineSiteTest, PortableFolderKeepsTheQuarantineBesideTheProgram) {
  EXPECT_EQ(Utf8(api::QuarantineFolder()), Dir(program_.quarantine()));
  ASSERT_EQ(RepairWithExport(), 1);
  EXPECT_TRUE(Exists(program_.quarantine() / "Report.docm.vir"));
  EXPECT_TRUE(Exists(program_.logFile()));
  EXPECT_FALSE(Exists(data_ / "quorvane"));
}

TEST_F(QuarantineSiteTest, InstalledFolderSendsEveryCallToTheUsersOwnQuarantine) {
  if (!kPosixModes) GTEST_SKIP() << "Windows keeps the quarantine beside the program: no user data folder";
  WriteFile(program_.bin() / "installed-layout", std::string("system-wide install\n"));
  EXPECT_EQ(Utf8(api::QuarantineFolder()), Dir(UserQuarantine()));
  ASSERT_EQ(RepairWithExport(), 1);
  EXPECT_NE(ReadFile(document_), original_);  // repaired
  const fs::path copy = UserQuarantine() / "Report.docm.vir";
  ASSERT_TRUE(Exists(copy));
  EXPECT_TRUE(Exists(UserQuarantine() / "log.txt"));
  EXPECT_FALSE(Exists(program_.quarantine()));
  ASSERT_TRUE(PosixMode(UserQuarantine()).has_value());
  EXPECT_EQ(*PosixMode(UserQuarantine()) & 0077, 0u) << "other users must not read the copies";

  ASSERT_TRUE(api::RestoreQuarantineCopy(U16(copy), U16(docs_ / "back.docm")));
  EXPECT_EQ(ReadFile(docs_ / "back.docm"), original_);
  // The quarantine is never examined, wherever it is.
  const api::ScanOutcome inside = api::ScanPath(U16(UserQuarantine()), {});
  EXPECT_EQ(inside.status, api::Status::Ran);
  EXPECT_TRUE(inside.findings.empty());
}

TEST_F(QuarantineSiteTest, NamedFolderOverridesEveryRule) {
  const fs::path named = data_ / "srv" / "quarantine";
  api::ScanOptions options;
  options.repair = true;
  options.quarantineFolder = U16(named.string() + "//");
  const api::ScanOutcome outcome = api::ScanPath(U16(document_), options);
  ASSERT_EQ(outcome.status, api::Status::Ran);
  ASSERT_EQ(outcome.findings.size(), 1u);
  EXPECT_EQ(outcome.findings[0].action, api::Action::Repaired);
  EXPECT_TRUE(Exists(named / "Report.docm.vir"));
  EXPECT_TRUE(Exists(named / "log.txt"));
  EXPECT_FALSE(Exists(program_.quarantine()));
  EXPECT_EQ(Utf8(api::ResolveQuarantineFolder(options.quarantineFolder)), Dir(named));
  EXPECT_EQ(api::ResolveQuarantineFolder(u""), api::QuarantineFolder());

  // A named folder that cannot be made stops the call before anything is touched.
  WriteFile(data_ / "plain-file", std::string("x"));
  WritePackage(document_, MacroEnabledPackage(OfficeKind::Word, VbaProjectPart(ProjectPart::InfectedRepairable)));
  options.quarantineFolder = U16(data_ / "plain-file" / "q");
  EXPECT_EQ(api::ScanPath(U16(document_), options).status, api::Status::NoWorkArea);
  EXPECT_EQ(ReadFile(document_), original_);
}

}  // namespace
}  // namespace qv::test
