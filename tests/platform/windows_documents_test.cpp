// Whole engine calls on Windows documents, run under Wine: names in Chinese and outside the
// ANSI code page, paths beyond 260 units, read-only, hidden and locked documents. The
// harmless sample documents carry the test signature. The signature library is taken from
// the current folder (scripts/test-windows runs the tests in the program folder).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "engine/include/scan_engine.h"
#include "engine/platform/platform.h"
#include "tools/samples/sample_documents.h"

namespace qv {
namespace {

using platform::ToUtf8;

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

std::string ReadAll(const std::u16string& path) {
  auto file = platform::File::OpenRead(path);
  if (!file) return "<missing>";
  std::string bytes(static_cast<size_t>(file->Size()), '\0');
  file->ReadAt(0, bytes.data(), bytes.size());
  return bytes;
}

// A private program folder (the engine finds qzmacro.vlb and RepairBrack beside "the
// program") holding the documents under test.
class WindowsDocuments : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = platform::CreatePrivateTempFolder();
    ASSERT_FALSE(program_.empty());
    const std::string library = ReadAll(platform::FullPath(u"qzmacro.vlb"));
    ASSERT_NE(library, "<missing>") << "run in the program folder, beside qzmacro.vlb";
    auto out = platform::File::CreateTruncate(program_ + u"\\qzmacro.vlb");
    ASSERT_TRUE(out && out->WriteAt(0, library.data(), library.size()) == library.size());
    platform::testing::OverrideProgramPath(program_ + u"\\quorvane-test.exe");
  }
  void TearDown() override { platform::testing::OverrideProgramPath(std::nullopt); }

  // The Word sample, moved into `folder` (made as needed) under `name`. It is written at a
  // short path first: only the engine's own file calls are under test here.
  std::u16string WriteDocument(const std::u16string& folder, const std::u16string& name) {
    platform::CreateFolder(folder);
    const samples::SampleInfo& word = samples::Samples().front();
    std::string error;
    EXPECT_TRUE(samples::WriteSample(word, std::filesystem::path(program_), &error)) << error;
    const std::u16string written = program_ + u"\\" + platform::FromUtf8(word.fileName);
    const std::u16string path = folder + u"\\" + name;
    EXPECT_TRUE(platform::RenameReplace(written, path));
    return path;
  }

  std::u16string program_;
};

TEST_F(WindowsDocuments, EveryNameIsRepairedAndItsQuarantineCopyRestoresToItsRealName) {
  const std::u16string deep = std::u16string(150, u'd') + u"\\" + std::u16string(150, u'e');
  struct Case {
    std::u16string folder, name;
  } cases[] = {
      {u"中文目录", u"报告.doc"},
      {u"thai", u"\u0E01\u0E02 report.doc"},  // outside every ANSI code page Wine offers
      {deep, u"长路径.doc"},                    // more than 300 units in all
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.name));
    std::u16string folder = program_;
    for (size_t start = 0; start <= c.folder.size();) {
      const size_t end = std::min(c.folder.find(u'\\', start), c.folder.size());
      folder += u"\\" + c.folder.substr(start, end - start);
      platform::CreateFolder(folder);
      start = end + 1;
    }
    const std::u16string path = WriteDocument(folder, c.name);
    const std::string original = ReadAll(path);
    ASSERT_NE(original, "<missing>");

    api::ScanOptions options;
    options.repair = true;
    const api::ScanOutcome outcome = api::ScanPath(path, options);
    ASSERT_EQ(outcome.status, api::Status::Ran);
    ASSERT_EQ(outcome.findings.size(), 1u);
    EXPECT_EQ(outcome.findings[0].path, path);
    EXPECT_EQ(outcome.findings[0].action, api::Action::Repaired);
    EXPECT_NE(ReadAll(path), original) << "repaired in place";

    const std::u16string copy = api::QuarantineFolder() + c.name + u".vir";
    ASSERT_EQ(platform::GetPathKind(copy), platform::PathKind::File) << "the copy keeps the real name";
    EXPECT_EQ(api::OriginalNameOf(platform::FileNamePart(copy)), c.name);
    const std::u16string restored = folder + u"\\restored-" + c.name;
    ASSERT_TRUE(api::RestoreQuarantineCopy(copy, restored));
    EXPECT_EQ(ReadAll(restored), original) << "byte for byte";
  }
}

TEST_F(WindowsDocuments, AttributesDecideWhatHappensAndStayAsTheyWere) {
  struct Case {
    const char16_t* name;
    DWORD attributes;
    bool repaired;  // a read-only document is made writable for its repair, then read-only again
  } cases[] = {
      {u"readonly.doc", FILE_ATTRIBUTE_READONLY, true},
      {u"hidden.doc", FILE_ATTRIBUTE_HIDDEN, true},
      {u"both.doc", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.name));
    const std::u16string path = WriteDocument(program_ + u"\\attributes", c.name);
    const std::string original = ReadAll(path);
    ASSERT_TRUE(::SetFileAttributesW(Wide(path).c_str(), c.attributes));
    api::ScanOptions options;
    options.repair = true;
    const api::ScanOutcome outcome = api::ScanPath(path, options);
    ASSERT_EQ(outcome.status, api::Status::Ran);
    EXPECT_EQ(outcome.findings.size(), c.repaired ? 1u : 0u);
    EXPECT_EQ(ReadAll(path) != original, c.repaired);
    const DWORD after = ::GetFileAttributesW(Wide(path).c_str());
    EXPECT_EQ(after & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), c.attributes) << "nothing else changes";
    ::SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

TEST_F(WindowsDocuments, ALockedDocumentIsLeftAloneAndTheWalkGoesOn) {
  const std::u16string folder = program_ + u"\\locked";
  const std::u16string locked = WriteDocument(folder, u"a-locked.doc");
  const std::u16string free = WriteDocument(folder, u"b-free.doc");
  const std::string lockedBytes = ReadAll(locked);
  const std::string freeBytes = ReadAll(free);
  HANDLE held = ::CreateFileW(Wide(locked).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  api::ScanOptions options;
  options.repair = true;
  const api::ScanOutcome outcome = api::ScanPath(folder, options);
  ::CloseHandle(held);
  ASSERT_EQ(outcome.status, api::Status::Ran);
  ASSERT_EQ(outcome.findings.size(), 1u);
  EXPECT_EQ(outcome.findings[0].path, free);
  EXPECT_EQ(ReadAll(locked), lockedBytes) << "untouched";
  EXPECT_NE(ReadAll(free), freeBytes) << "repaired";
}

}  // namespace
}  // namespace qv
