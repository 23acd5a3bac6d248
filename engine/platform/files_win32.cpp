// Files and folders on Windows: the wide Win32 calls, long paths in the "\\?\" form.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cwchar>
#include <string>

#include "engine/platform/platform.h"
#include "engine/platform/test_overrides.h"
#include "engine/platform/platform_win32.h"

namespace qv::platform {
namespace {

using win32::LongPathForm;

HANDLE AsHandle(intptr_t fd) { return reinterpret_cast<HANDLE>(fd); }

intptr_t OpenHandle(const std::u16string& path, DWORD access, DWORD share, DWORD disposition) {
  if (path.empty()) return -1;
  HANDLE h = ::CreateFileW(LongPathForm(path).c_str(), access, share, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  return reinterpret_cast<intptr_t>(h);  // INVALID_HANDLE_VALUE is -1
}

bool SeekTo(HANDLE h, uint64_t offset) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  return ::SetFilePointerEx(h, to, nullptr, FILE_BEGIN) != 0;
}

// Each transfer is at most this many bytes, so the DWORD count never overflows.
constexpr size_t kMaxTransfer = 1u << 30;

}  // namespace

// A read-only file refuses write access, and a file another process holds without sharing
// refuses to open at all: both are left alone.
std::optional<File> File::OpenReadWrite(const std::u16string& path) {
  // Asked first, so that the answer is the same for an administrator (and under Wine run as
  // root, where the attribute is only a permission bit that root may pass).
  const DWORD attributes = ::GetFileAttributesW(LongPathForm(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) return std::nullopt;
  return Adopt(OpenHandle(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING));
}
std::optional<File> File::OpenRead(const std::u16string& path) {
  return Adopt(OpenHandle(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING));
}
std::optional<File> File::CreateTruncate(const std::u16string& path) {
  if (detail::FaultInjected(testing::FaultSite::Create, path)) return std::nullopt;
  return Adopt(OpenHandle(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS));
}
std::optional<File> File::CreateExclusive(const std::u16string& path) {
  if (detail::FaultInjected(testing::FaultSite::Create, path)) return std::nullopt;
  return Adopt(OpenHandle(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW));
}
// New files inherit the folder's access on Windows; CREATE_NEW fails on any existing name.
std::optional<File> File::CreateNew(const std::u16string& path) { return CreateExclusive(path); }

std::optional<File> File::Adopt(intptr_t fd) {
  if (fd == -1 || fd == 0) return std::nullopt;
  // Folders do not open without FILE_FLAG_BACKUP_SEMANTICS; pipes, consoles and devices are
  // not documents.
  if (::GetFileType(AsHandle(fd)) != FILE_TYPE_DISK) {
    ::CloseHandle(AsHandle(fd));
    return std::nullopt;
  }
  return File(fd);
}

namespace {
DWORD HandleAttributes(intptr_t fd) {
  BY_HANDLE_FILE_INFORMATION info;
  if (fd == -1 || !::GetFileInformationByHandle(AsHandle(fd), &info)) return INVALID_FILE_ATTRIBUTES;
  return info.dwFileAttributes;
}
bool SetHandleAttributes(intptr_t fd, DWORD attributes) {
  FILE_BASIC_INFO basic {};
  if (fd == -1 || !::GetFileInformationByHandleEx(AsHandle(fd), FileBasicInfo, &basic, sizeof basic)) return false;
  basic.FileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
  return ::SetFileInformationByHandle(AsHandle(fd), FileBasicInfo, &basic, sizeof basic) != 0;
}
constexpr DWORD kDocumentAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
}  // namespace

bool File::IsReadOnly() const {
  const DWORD attributes = HandleAttributes(fd_);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool File::SetReadOnly(bool readOnly) {
  const DWORD attributes = HandleAttributes(fd_);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  const DWORD kept = attributes & kDocumentAttributes;
  return SetHandleAttributes(fd_, readOnly ? (kept | FILE_ATTRIBUTE_READONLY) : (kept & ~FILE_ATTRIBUTE_READONLY));
}

// Access on Windows follows the folder (inherited), and a replacement lies in the same
// folder; what the document carries itself are its attributes.
bool File::TakeAccessOf(const File& model) {
  const DWORD attributes = HandleAttributes(model.fd_);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  return SetHandleAttributes(fd_, attributes & kDocumentAttributes);
}

std::optional<std::pair<uint64_t, uint64_t>> File::Identity() const {
  BY_HANDLE_FILE_INFORMATION info;
  if (fd_ == -1 || !::GetFileInformationByHandle(AsHandle(fd_), &info)) return std::nullopt;
  return std::make_pair(static_cast<uint64_t>(info.dwVolumeSerialNumber),
                        (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
}

size_t File::ReadAt(uint64_t offset, void* buffer, size_t length) const {
  if (fd_ == -1 || offset > static_cast<uint64_t>(LLONG_MAX)) return 0;
  HANDLE h = AsHandle(fd_);
  if (!SeekTo(h, offset)) return 0;
  size_t done = 0;
  auto* out = static_cast<unsigned char*>(buffer);
  while (done < length) {
    DWORD n = 0;
    const DWORD want = static_cast<DWORD>(std::min(length - done, kMaxTransfer));
    if (!::ReadFile(h, out + done, want, &n, nullptr) || n == 0) break;
    done += n;
  }
  return done;
}

size_t File::WriteAt(uint64_t offset, const void* buffer, size_t length) {
  if (fd_ == -1 || offset > static_cast<uint64_t>(LLONG_MAX)) return 0;
  if (detail::FaultInjected(testing::FaultSite::Write)) return 0;
  HANDLE h = AsHandle(fd_);
  if (!SeekTo(h, offset)) return 0;
  size_t done = 0;
  const auto* in = static_cast<const unsigned char*>(buffer);
  while (done < length) {
    DWORD n = 0;
    const DWORD want = static_cast<DWORD>(std::min(length - done, kMaxTransfer));
    if (!::WriteFile(h, in + done, want, &n, nullptr) || n == 0) break;
    done += n;
  }
  return done;
}

uint64_t File::Size() const {
  LARGE_INTEGER size;
  if (fd_ == -1 || !::GetFileSizeEx(AsHandle(fd_), &size)) return 0;
  return static_cast<uint64_t>(size.QuadPart);
}

bool File::Flush() {
  if (fd_ == -1 || detail::FaultInjected(testing::FaultSite::Flush)) return false;
  return ::FlushFileBuffers(AsHandle(fd_)) != 0;
}

void File::Close() {
  if (fd_ != -1) ::CloseHandle(AsHandle(fd_));
  fd_ = -1;
}

PathKind GetPathKind(const std::u16string& path) {
  if (path.empty()) return PathKind::Missing;
  const DWORD attributes = ::GetFileAttributesW(LongPathForm(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
}

// FILE_ATTRIBUTE_NORMAL clears read-only, hidden and system alike.
bool ClearReadOnly(const std::u16string& path) {
  if (detail::FaultInjected(testing::FaultSite::Permissions, path)) return false;
  return ::SetFileAttributesW(LongPathForm(path).c_str(), FILE_ATTRIBUTE_NORMAL) != 0;
}

bool DeletePath(const std::u16string& path) {
  return !detail::FaultInjected(testing::FaultSite::Delete, path) && ::DeleteFileW(LongPathForm(path).c_str()) != 0;
}
bool CreateFolder(const std::u16string& path) {
  if (detail::FaultInjected(testing::FaultSite::Create, path)) return false;
  return ::CreateDirectoryW(LongPathForm(path).c_str(), nullptr) != 0;
}
bool RemoveEmptyFolder(const std::u16string& path) {
  if (detail::FaultInjected(testing::FaultSite::Delete, path)) return false;
  return ::RemoveDirectoryW(LongPathForm(path).c_str()) != 0;
}
bool RenameReplace(const std::u16string& from, const std::u16string& to) {
  if (detail::FaultInjected(testing::FaultSite::Rename, from)) return false;
  return ::MoveFileExW(LongPathForm(from).c_str(), LongPathForm(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool NameExists(const std::u16string& path) {
  return !path.empty() && ::GetFileAttributesW(LongPathForm(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsLink(const std::u16string& path) {
  if (path.empty()) return false;
  const DWORD attributes = ::GetFileAttributesW(LongPathForm(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

std::u16string RealPath(const std::u16string& path) {
  HANDLE h = ::CreateFileW(LongPathForm(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  std::wstring buffer(32768, L'\0');
  const DWORD n = ::GetFinalPathNameByHandleW(h, buffer.data(), static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED);
  ::CloseHandle(h);
  if (n == 0 || n >= buffer.size()) return {};
  buffer.resize(n);
  return win32::CallerForm(std::move(buffer));
}

bool IsSystemPseudoFolder(const std::u16string&) { return false; }

bool IsAtOrBelow(const std::u16string& path, const std::u16string& root) {
  const std::u16string real = RealPath(path);
  if (real.empty() || root.empty()) return false;
  const auto folded = [](std::u16string text) {
    for (auto& c : text) {
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    }
    return text;
  };
  const std::u16string a = folded(real);
  std::u16string b = folded(root);
  if (a == b) return true;
  if (b.back() != kSep) b.push_back(kSep);
  return a.compare(0, b.size(), b) == 0;
}


std::u16string FullPath(const std::u16string& path) {
  if (path.empty()) return {};
  const std::wstring wide(path.begin(), path.end());
  const DWORD need = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (need == 0) return {};
  std::wstring full(need, L'\0');
  const DWORD got = ::GetFullPathNameW(wide.c_str(), need, full.data(), nullptr);
  if (got == 0 || got >= need) return {};
  full.resize(got);
  return win32::CallerForm(std::move(full));
}

bool IsRegularFile(const std::u16string& path) {
  if (path.empty()) return false;
  const DWORD attributes = ::GetFileAttributesW(LongPathForm(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

bool IsSpecialFile(const std::u16string& path) {
  if (path.rfind(u"\\\\.\\", 0) == 0) return true;  // the device namespace (\\.\COM1, \\.\pipe\x)
  if (path.empty()) return false;
  const DWORD attributes = ::GetFileAttributesW(LongPathForm(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DEVICE) != 0;
}

std::optional<std::string> FolderReadError(const std::u16string& path) {
  std::u16string query = path;
  if (query.empty() || query.back() != kSep) query.push_back(kSep);
  query.push_back(u'*');
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW(LongPathForm(query).c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    ::FindClose(find);
    return std::nullopt;
  }
  const DWORD error = ::GetLastError();
  if (error == ERROR_FILE_NOT_FOUND) return std::nullopt;  // an empty folder (no "." either)
  wchar_t* text = nullptr;
  ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  std::u16string reason = text != nullptr ? std::u16string(text, text + wcslen(text)) : u"";
  if (text != nullptr) ::LocalFree(text);
  while (!reason.empty() && (reason.back() == u'\n' || reason.back() == u'\r' || reason.back() == u'.')) reason.pop_back();
  return reason.empty() ? "error " + std::to_string(error) : ToUtf8(reason);
}

namespace {
// Opens what a path names for its attributes only (`flags` decide whether a link at its end is
// followed) and answers what `read` makes of the handle; nullopt when it cannot be opened.
template <typename Read>
auto WithAttributeHandle(const std::u16string& path, DWORD flags, Read read) -> decltype(read(HANDLE{})) {
  HANDLE h = ::CreateFileW(LongPathForm(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  auto answer = read(h);
  ::CloseHandle(h);
  return answer;
}

std::optional<std::pair<uint64_t, uint64_t>> IdentityOf(const std::u16string& path, DWORD flags) {
  return WithAttributeHandle(path, flags, [](HANDLE h) -> std::optional<std::pair<uint64_t, uint64_t>> {
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(h, &info)) return std::nullopt;
    return std::make_pair(static_cast<uint64_t>(info.dwVolumeSerialNumber),
                          (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
  });
}

// FILETIME counts 100 ns steps since 1601.
int64_t NsSince1970(uint64_t ticks) { return (static_cast<int64_t>(ticks) - 116444736000000000LL) * 100; }
}  // namespace

std::optional<std::pair<uint64_t, uint64_t>> FileIdentity(const std::u16string& path) { return IdentityOf(path, 0); }
std::optional<std::pair<uint64_t, uint64_t>> NameIdentity(const std::u16string& path) {
  return IdentityOf(path, FILE_FLAG_OPEN_REPARSE_POINT);
}

std::optional<FileStamp> StampOf(const std::u16string& path) {
  return WithAttributeHandle(path, 0, [](HANDLE h) -> std::optional<FileStamp> {
    BY_HANDLE_FILE_INFORMATION info;
    FILE_BASIC_INFO basic{};
    if (!::GetFileInformationByHandle(h, &info) ||
        !::GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic)) {
      return std::nullopt;
    }
    return FileStamp{static_cast<uint64_t>(info.dwVolumeSerialNumber),
                     (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
                     (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow,
                     NsSince1970(static_cast<uint64_t>(basic.LastWriteTime.QuadPart)),
                     NsSince1970(static_cast<uint64_t>(basic.ChangeTime.QuadPart))};
  });
}

int64_t WallClockNs() {
  FILETIME now;
  ::GetSystemTimePreciseAsFileTime(&now);
  return NsSince1970((static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
}

// Every name is listed and matched here, so '*' and '?' mean the same on every platform
// (no match against the 8.3 short names).
std::vector<FolderEntry> ListFolder(const std::u16string& folder, std::u16string_view pattern) {
  std::vector<FolderEntry> out;
  std::u16string query = folder;
  if (query.empty() || query.back() != kSep) query.push_back(kSep);
  query.push_back(u'*');
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW(LongPathForm(query).c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return out;
  do {
    const std::u16string name(data.cFileName, data.cFileName + wcsnlen(data.cFileName, MAX_PATH));
    if (name == u"." || name == u"..") continue;
    if (!MatchesPattern(name, pattern)) continue;
    out.push_back({name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  return out;
}

std::u16string TempFolder() {
  wchar_t buffer[MAX_PATH + 2];
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, buffer);
  std::u16string path = (n == 0 || n > MAX_PATH + 1) ? std::u16string(u"C:\\Windows\\Temp\\")
                                                     : std::u16string(buffer, buffer + n);
  if (path.back() != kSep) path.push_back(kSep);
  return path;
}

// The user's temporary folder is private to the user already; the name only has to be new.
std::u16string CreatePrivateTempFolder() {
  // The process id in the name tells a later run whether the folder's maker is still alive
  // (RemoveStaleTempFolders).
  std::u16string base = TempFolder() + u"quorvane-";
  for (char c : std::to_string(::GetCurrentProcessId())) base.push_back(static_cast<char16_t>(c));
  base.push_back(u'-');
  for (int attempt = 0; attempt < 100; ++attempt) {
    LARGE_INTEGER ticks;
    ::QueryPerformanceCounter(&ticks);
    const uint64_t stamp = (static_cast<uint64_t>(::GetCurrentProcessId()) << 32) ^
                           (static_cast<uint64_t>(ticks.QuadPart) * 0x9E3779B97F4A7C15ull) ^
                           static_cast<uint64_t>(attempt);
    std::u16string name = base;
    for (int i = 0; i < 12; ++i) name.push_back(u"0123456789abcdefghijklmnopqrstuv"[(stamp >> (5 * i)) & 31]);
    if (CreateFolder(name)) return name;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return {};
  }
  return {};
}

}  // namespace qv::platform
