// The platform layer's shared behaviour: one source, built and run on Linux and, cross-built,
// on Windows under Wine. Names with Chinese characters and paths far beyond the old 260-unit
// limit go through every file call.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <string>
#include <vector>

#include "engine/platform/platform.h"

namespace qv::platform {
namespace {

// A fresh folder below the temporary folder, removed with everything in it afterwards.
class PlatformFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = CreatePrivateTempFolder();
    ASSERT_FALSE(root_.empty());
    ASSERT_EQ(GetPathKind(root_), PathKind::Folder);
  }
  void TearDown() override { RemoveTree(root_); }

  static void RemoveTree(const std::u16string& folder) {
    for (const auto& entry : ListFolder(folder, u"*")) {
      const std::u16string path = folder + kSep + entry.name;
      if (entry.isFolder) {
        RemoveTree(path);
      } else {
        ClearReadOnly(path);
        DeletePath(path);
      }
    }
    RemoveEmptyFolder(folder);
  }

  std::u16string Child(const std::u16string& name) const { return root_ + kSep + name; }

  static bool WriteWhole(const std::u16string& path, const std::string& bytes) {
    auto file = File::CreateTruncate(path);
    return file && file->WriteAt(0, bytes.data(), bytes.size()) == bytes.size();
  }
  static std::string ReadWhole(const std::u16string& path) {
    auto file = File::OpenRead(path);
    if (!file) return "<missing>";
    std::string bytes(static_cast<size_t>(file->Size()), '\0');
    if (file->ReadAt(0, bytes.data(), bytes.size()) != bytes.size()) return "<short>";
    return bytes;
  }

  std::u16string root_;
};

// Short, Chinese, and a nested path of more than 300 units (each step below 255).
std::vector<std::u16string> FolderChains() {
  const std::u16string longName(120, u'L');
  return {u"plain", u"宏病毒 测试", longName + kSep + longName + kSep + u"深层" + std::u16string(90, u'x')};
}

TEST_F(PlatformFiles, FilesOfEveryNameAreMadeListedReadWrittenAndDeleted) {
  for (const std::u16string& chain : FolderChains()) {
    SCOPED_TRACE(ToUtf8(chain));
    std::u16string folder = root_;
    size_t start = 0;
    while (start <= chain.size()) {  // each level of the chain
      const size_t end = std::min(chain.find(kSep, start), chain.size());
      folder += kSep + chain.substr(start, end - start);
      ASSERT_TRUE(CreateFolder(folder));
      start = end + 1;
    }
    EXPECT_FALSE(CreateFolder(folder)) << "a folder that exists is not made again";
    const std::u16string path = folder + kSep + u"报告 Report.doc";
    if (chain.size() > 300) EXPECT_GT(path.size(), 300u);

    ASSERT_TRUE(WriteWhole(path, "0123456789"));
    EXPECT_EQ(GetPathKind(path), PathKind::File);
    EXPECT_TRUE(IsRegularFile(path));
    EXPECT_FALSE(IsRegularFile(folder));
    EXPECT_EQ(GetPathKind(folder), PathKind::Folder);
    EXPECT_FALSE(FolderReadError(folder).has_value());

    {
      auto file = File::OpenReadWrite(path);
      ASSERT_TRUE(file.has_value());
      EXPECT_EQ(file->Size(), 10u);
      EXPECT_EQ(file->WriteAt(4, "ab", 2), 2u);  // in place, nothing moves
      char head[6] = {};
      EXPECT_EQ(file->ReadAt(2, head, 6), 6u);
      EXPECT_EQ(std::string(head, 6), "23ab67");
      char tail[8] = {};
      EXPECT_EQ(file->ReadAt(8, tail, 8), 2u) << "a read past the end is short";
    }
    EXPECT_EQ(ReadWhole(path), "0123ab6789");
    EXPECT_FALSE(File::CreateExclusive(path).has_value()) << "an existing name is never taken over";

    const auto entries = ListFolder(folder, u"*.DOC");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, u"报告 Report.doc");
    EXPECT_FALSE(entries[0].isFolder);
    EXPECT_TRUE(ListFolder(folder, u"*.xls").empty());

    const auto identity = FileIdentity(path);
    ASSERT_TRUE(identity.has_value());
    EXPECT_EQ(identity, FileIdentity(folder + kSep + u"." + kSep + u"报告 Report.doc"));
    EXPECT_NE(identity, FileIdentity(folder));

    const std::u16string moved = folder + kSep + u"移动.doc";
    ASSERT_TRUE(WriteWhole(moved, "old"));
    EXPECT_TRUE(RenameReplace(path, moved));
    EXPECT_EQ(GetPathKind(path), PathKind::Missing);
    EXPECT_EQ(ReadWhole(moved), "0123ab6789");
    EXPECT_TRUE(DeletePath(moved));
    EXPECT_FALSE(DeletePath(moved));
    EXPECT_EQ(GetPathKind(moved), PathKind::Missing);
  }
}

TEST_F(PlatformFiles, OpeningWhatIsNotThereOrNotAFileFails) {
  EXPECT_FALSE(File::OpenRead(Child(u"missing.doc")).has_value());
  EXPECT_FALSE(File::OpenReadWrite(Child(u"missing.doc")).has_value());
  EXPECT_FALSE(File::OpenReadWrite(root_).has_value()) << "a folder is no document";
  EXPECT_FALSE(File::OpenRead(u"").has_value());
  EXPECT_EQ(GetPathKind(u""), PathKind::Missing);
  EXPECT_TRUE(FolderReadError(Child(u"missing")).has_value());
}

// What a walk must never open as a document: FIFOs, sockets and devices, also behind a link.
TEST_F(PlatformFiles, SpecialFilesAreToldFromDocumentsFoldersAndMissingPaths) {
  ASSERT_TRUE(WriteWhole(Child(u"报告.doc"), "doc"));
  std::vector<std::pair<std::u16string, bool>> cases = {
      {Child(u"报告.doc"), false}, {root_, false}, {Child(u"missing"), false}, {u"", false}};
#ifdef _WIN32
  cases.push_back({u"\\\\.\\NUL", true});
#else
  ASSERT_EQ(::mkfifo(ToNarrow(Child(u"pipe")).c_str(), 0600), 0);
  ASSERT_EQ(::symlink(ToNarrow(Child(u"pipe")).c_str(), ToNarrow(Child(u"link to pipe")).c_str()), 0);
  ASSERT_EQ(::symlink(ToNarrow(Child(u"报告.doc")).c_str(), ToNarrow(Child(u"link to doc")).c_str()), 0);
  cases.push_back({Child(u"pipe"), true});
  cases.push_back({Child(u"link to pipe"), true});
  cases.push_back({Child(u"link to doc"), false});
  cases.push_back({u"/dev/null", true});
#endif
  for (const auto& [path, special] : cases) {
    EXPECT_EQ(IsSpecialFile(path), special) << ToUtf8(path);
    if (special) {
      EXPECT_FALSE(IsRegularFile(path)) << ToUtf8(path);
    }
  }
}

TEST_F(PlatformFiles, AppendLogWritesThePlatformLineEnd) {
  const std::u16string path = Child(u"log.txt");
  for (int round = 0; round < 2; ++round) {  // the second open appends
    AppendLog log;
    ASSERT_TRUE(log.Open(path));
    log.Write("line\n");
    log.Close();
  }
#ifdef _WIN32
  EXPECT_EQ(ReadWhole(path), "line\r\nline\r\n");
#else
  EXPECT_EQ(ReadWhole(path), "line\nline\n");
#endif
}

TEST_F(PlatformFiles, FullPathResolvesDotsByName) {
  const std::u16string base = root_ + kSep + u"a";
  struct Case {
    std::u16string in, out;
  } cases[] = {
      {base + kSep + u"." + kSep + u"b", base + kSep + u"b"},
      {base + kSep + u"c" + kSep + u".." + kSep + u"b", base + kSep + u"b"},
      {base + kSep + u"中文" + kSep + u"..", base},
  };
  for (const auto& c : cases) EXPECT_EQ(FullPath(c.in), c.out) << ToUtf8(c.in);
  EXPECT_EQ(FullPath(u""), u"");
}

TEST(PlatformPaths, NameAndFolderParts) {
  const std::u16string sep(1, kSep);
  struct Case {
    std::u16string path, folder, name;
  } cases[] = {
      {sep + u"a" + sep + u"报告.doc", sep + u"a" + sep, u"报告.doc"},
      {u"file.doc", u"", u"file.doc"},
      {u"dir" + sep, u"dir" + sep, u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FolderPart(c.path), c.folder) << ToUtf8(c.path);
    EXPECT_EQ(FileNamePart(c.path), c.name) << ToUtf8(c.path);
  }
}

TEST(PlatformPaths, PatternsMatchLikeTheWindowsFileSystem) {
  struct Case {
    std::u16string_view name, pattern;
    bool matches;
  } cases[] = {
      {u"Report.DOC", u"*.doc", true}, {u"Report.docx", u"*.doc", false}, {u"a.b.c", u"*.c", true},
      {u"abc", u"a?c", true},          {u"ac", u"a?c", false},           {u"x", u"*.*", true},
      {u"报告.xls", u"报*.XLS", true},  {u"", u"*", true},                {u"aXbXc", u"a*b*c", true},
      {u"ab", u"a*b*c", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MatchesPattern(c.name, c.pattern), c.matches)
        << ToUtf8(c.name) << " against " << ToUtf8(c.pattern);
  }
}

TEST(PlatformText, Utf8RoundTripsEveryPlane) {
  const std::u16string samples[] = {u"", u"ascii", u"报告 Report", u"\U0001F600 emoji", u"ก Thai"};
  for (const auto& text : samples) EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_EQ(ToUtf8(u"报"), "\xE6\x8A\xA5");
  EXPECT_EQ(FromUtf8("\xFF" "a"), u"?a") << "ill-formed input becomes '?'";
  EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD800))), "?") << "an unpaired surrogate";
}

TEST(PlatformSystem, ProgramTimeAndTemporaryFolder) {
  const std::u16string program = ProgramPath();
  ASSERT_FALSE(program.empty());
  EXPECT_EQ(GetPathKind(program), PathKind::File);
  EXPECT_EQ(ProgramFolder(), FolderPart(program));
  const std::u16string temp = TempFolder();
  EXPECT_EQ(temp.back(), kSep);
  EXPECT_EQ(GetPathKind(temp), PathKind::Folder);
  const LocalTime now = Now();
  EXPECT_GE(now.year, 2020);
  EXPECT_TRUE(now.month >= 1 && now.month <= 12 && now.day >= 1 && now.day <= 31);
  EXPECT_TRUE(now.hour >= 0 && now.hour < 24 && now.minute >= 0 && now.minute < 60);
}

TEST(PlatformSystem, LocalDrivesAreFoldersThatExist) {
  const auto roots = LocalDriveRoots();
#ifdef _WIN32
  ASSERT_FALSE(roots.empty()) << "the system drive is a fixed drive";
#endif
  for (const auto& root : roots) EXPECT_EQ(GetPathKind(root), PathKind::Folder) << ToUtf8(root);
}

}  // namespace
}  // namespace qv::platform
