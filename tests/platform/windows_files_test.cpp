// Windows-only behaviour of the platform layer, run under Wine: attributes, locked files,
// drive types, the ANSI code page and the long-path form.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "engine/platform/platform.h"
#include "engine/platform/platform_win32.h"

namespace qv::platform {
namespace {

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

class WindowsFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = CreatePrivateTempFolder();
    ASSERT_FALSE(root_.empty());
    path_ = root_ + u"\\文档.doc";
    auto file = File::CreateTruncate(path_);
    ASSERT_TRUE(file && file->WriteAt(0, "content", 7) == 7);
  }
  void TearDown() override {
    ::SetFileAttributesW(Wide(path_).c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(Wide(path_).c_str());
    ::RemoveDirectoryW(Wide(root_).c_str());
  }
  DWORD Attributes() const { return ::GetFileAttributesW(Wide(path_).c_str()); }

  std::u16string root_, path_;
};

TEST_F(WindowsFiles, ClearReadOnlyClearsReadOnlyHiddenAndSystem) {
  const DWORD cases[] = {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN,
                         FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM};
  for (const DWORD set : cases) {
    ASSERT_TRUE(::SetFileAttributesW(Wide(path_).c_str(), set));
    ASSERT_EQ(Attributes() & set, set);
    EXPECT_TRUE(ClearReadOnly(path_));
    EXPECT_EQ(Attributes() & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM), 0u) << set;
  }
}

TEST_F(WindowsFiles, AReadOnlyFileDoesNotOpenForWritingButForReading) {
  ASSERT_TRUE(::SetFileAttributesW(Wide(path_).c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(File::OpenReadWrite(path_).has_value());
  EXPECT_TRUE(File::OpenRead(path_).has_value());
  ASSERT_TRUE(::SetFileAttributesW(Wide(path_).c_str(), FILE_ATTRIBUTE_HIDDEN));
  EXPECT_TRUE(File::OpenReadWrite(path_).has_value()) << "hidden alone does not stop a repair";
}

TEST_F(WindowsFiles, AFileHeldWithoutSharingDoesNotOpen) {
  HANDLE held = ::CreateFileW(Wide(path_).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(File::OpenReadWrite(path_).has_value());
  EXPECT_FALSE(File::OpenRead(path_).has_value());
  ::CloseHandle(held);
  EXPECT_TRUE(File::OpenReadWrite(path_).has_value()) << "released, it opens again";
}

TEST_F(WindowsFiles, TakeAccessOfCarriesTheAttributes) {
  const std::u16string other = root_ + u"\\other.doc";
  ASSERT_TRUE(::SetFileAttributesW(Wide(path_).c_str(), FILE_ATTRIBUTE_HIDDEN));
  {
    auto created = File::CreateNew(other);
    ASSERT_TRUE(created.has_value());
    auto model = File::OpenRead(path_);
    ASSERT_TRUE(model.has_value());
    EXPECT_TRUE(created->TakeAccessOf(*model));
  }
  EXPECT_NE(::GetFileAttributesW(Wide(other).c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
  ::SetFileAttributesW(Wide(other).c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileW(Wide(other).c_str());
}

TEST(WindowsDrives, OnlyRemovableAndFixedDrivesAreLocal) {
  const std::vector<std::pair<std::u16string, unsigned>> drives = {
      {u"A:\\", DRIVE_REMOVABLE}, {u"C:\\", DRIVE_FIXED},     {u"D:\\", DRIVE_CDROM},
      {u"E:\\", DRIVE_REMOTE},    {u"F:\\", DRIVE_RAMDISK},   {u"G:\\", DRIVE_UNKNOWN},
      {u"H:\\", DRIVE_NO_ROOT_DIR}, {u"Z:\\", DRIVE_FIXED}};
  EXPECT_EQ(win32::SelectLocalDrives(drives), (std::vector<std::u16string>{u"A:\\", u"C:\\", u"Z:\\"}));
  for (const auto& root : LocalDriveRoots()) {
    const UINT type = ::GetDriveTypeW(Wide(root).c_str());
    EXPECT_TRUE(type == DRIVE_REMOVABLE || type == DRIVE_FIXED) << ToUtf8(root);
  }
}

TEST(WindowsText, NarrowTextIsTheAnsiCodePage) {
  const std::u16string plain = u"Report 1.doc";
  EXPECT_EQ(ToNarrow(plain), "Report 1.doc");
  EXPECT_EQ(FromNarrow("Report 1.doc"), plain);
  // Thai is in neither the Western nor the Chinese ANSI code page: it cannot be written.
  EXPECT_EQ(ToNarrow(u"\u0E01.doc"), "?.doc");
  // Whatever the code page holds survives the round trip.
  std::string all;
  for (int c = 0x20; c < 0x7F; ++c) all.push_back(static_cast<char>(c));
  EXPECT_EQ(ToNarrow(FromNarrow(all)), all);
}

TEST(WindowsPaths, LongPathsTakeTheExtendedForm) {
  const std::u16string longTail(300, u'x');
  struct Case {
    std::u16string in;
    std::wstring out;
  } cases[] = {
      {u"C:\\short\\a.doc", L"C:\\short\\a.doc"},
      {u"C:\\d\\" + longTail, L"\\\\?\\C:\\d\\" + std::wstring(300, L'x')},
      {u"C:\\d\\.\\e\\..\\" + longTail, L"\\\\?\\C:\\d\\" + std::wstring(300, L'x')},
      {u"\\\\server\\share\\" + longTail, L"\\\\?\\UNC\\server\\share\\" + std::wstring(300, L'x')},
      {u"\\\\?\\C:\\" + longTail, L"\\\\?\\C:\\" + std::wstring(300, L'x')},
  };
  for (const auto& c : cases) EXPECT_EQ(win32::LongPathForm(c.in), c.out) << ToUtf8(c.in);
  EXPECT_EQ(win32::CallerForm(L"\\\\?\\UNC\\server\\share\\a"), u"\\\\server\\share\\a");
  EXPECT_EQ(win32::CallerForm(L"\\\\?\\C:\\a"), u"C:\\a");
}

}  // namespace
}  // namespace qv::platform
