// Durability, locks and leftovers on Windows: no-replace moves, LockFileEx, and stale
// temporary folders found by their maker's process id.
#include <windows.h>

#include <string>

#include "engine/common/capacities.h"
#include "engine/platform/platform.h"
#include "engine/platform/platform_win32.h"
#include "engine/platform/test_overrides.h"

namespace qv::platform {
namespace {

using win32::LongPathForm;

// "quorvane-<pid>-<name>": the pid, or 0 when the name is not one of ours.
DWORD MakerOfTempFolder(const std::u16string& name) {
  constexpr std::u16string_view kPrefix = u"quorvane-";
  if (name.compare(0, kPrefix.size(), kPrefix) != 0) return 0;
  size_t at = kPrefix.size();
  unsigned long long pid = 0;
  while (at < name.size() && name[at] >= u'0' && name[at] <= u'9' && pid < (1ull << 32)) pid = pid * 10 + (name[at++] - u'0');
  if (at == kPrefix.size() || at >= name.size() || name[at] != u'-' || pid >= (1ull << 32)) return 0;
  return static_cast<DWORD>(pid);
}

// Removes a folder the engine made and what it put there: files, and folders of files a few
// levels down (a private quarantine's in-progress folder).
bool RemoveOwnFolder(const std::u16string& folder, int depth) {
  for (const auto& entry : ListFolder(folder, u"*")) {
    const std::u16string path = folder + kSep + entry.name;
    if (!entry.isFolder) {
      DeletePath(path);
    } else if (depth > 0) {
      RemoveOwnFolder(path, depth - 1);
    }
  }
  return RemoveEmptyFolder(folder);
}

bool ProcessEnded(DWORD pid) {
  HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (process == nullptr) return ::GetLastError() == ERROR_INVALID_PARAMETER;  // no such process
  const bool ended = ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  ::CloseHandle(process);
  return ended;
}

}  // namespace

// NTFS keeps its folder entries in its own journal; MoveFileEx with MOVEFILE_WRITE_THROUGH
// returns only when a move is on disk.
bool FlushFolder(const std::u16string& folder) { return !detail::FaultInjected(testing::FaultSite::Flush, folder); }

bool RenameNoReplace(const std::u16string& from, const std::u16string& to) {
  if (detail::FaultInjected(testing::FaultSite::Rename, from)) return false;
  return ::MoveFileExW(LongPathForm(from).c_str(), LongPathForm(to).c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

FileLock::Result FileLock::TryAcquire(const std::u16string& lockPath) {
  Release();
  if (detail::FaultInjected(testing::FaultSite::Lock, lockPath)) return Result::Failed;
  HANDLE h = ::CreateFileW(LongPathForm(lockPath).c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return Result::Failed;
  OVERLAPPED at{};
  if (!::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
    const bool busy = ::GetLastError() == ERROR_LOCK_VIOLATION || ::GetLastError() == ERROR_IO_PENDING;
    ::CloseHandle(h);
    return busy ? Result::Busy : Result::Failed;
  }
  handle_ = reinterpret_cast<intptr_t>(h);
  return Result::Acquired;
}

void FileLock::Release() {
  if (handle_ != -1) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));  // closing drops the lock
  handle_ = -1;
}

int RemoveStaleTempFolders() {
  const std::u16string base = TempFolder();
  int removed = 0;
  for (const auto& entry : ListFolder(base, u"quorvane-*")) {
    const DWORD maker = MakerOfTempFolder(entry.name);
    if (!entry.isFolder || maker == 0 || maker == ::GetCurrentProcessId() || !ProcessEnded(maker)) continue;
    if (RemoveOwnFolder(base + entry.name, cap::kMaxTempFolderDepth)) ++removed;
  }
  return removed;
}

void SleepMilliseconds(int milliseconds) { ::Sleep(static_cast<DWORD>(milliseconds)); }

}  // namespace qv::platform
