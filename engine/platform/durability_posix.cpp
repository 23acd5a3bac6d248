// Durability, locks and leftovers on POSIX: fsync of folders, no-replace renames, flock.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/common/capacities.h"
#include "engine/platform/platform.h"
#include "engine/platform/test_overrides.h"

namespace qv::platform {
namespace {

// "quorvane-<pid>-XXXXXX": the pid, or 0 when the name is not one of ours.
pid_t MakerOfTempFolder(const std::string& name) {
  constexpr std::string_view kPrefix = "quorvane-";
  if (name.compare(0, kPrefix.size(), kPrefix) != 0) return 0;
  size_t at = kPrefix.size();
  long long pid = 0;
  while (at < name.size() && name[at] >= '0' && name[at] <= '9' && pid < (1ll << 31)) pid = pid * 10 + (name[at++] - '0');
  if (at == kPrefix.size() || at >= name.size() || name[at] != '-' || name.size() - at - 1 != 6) return 0;
  return static_cast<pid_t>(pid);
}

bool ProcessEnded(pid_t pid) { return ::kill(pid, 0) != 0 && errno == ESRCH; }

// Removes a folder the engine made and what it put there: files, and folders of files a few
// levels down (a private quarantine's in-progress folder). Links are removed, never followed.
bool RemoveOwnFolder(const std::string& folder, int depth) {
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      const std::string path = folder + "/" + name;
      struct stat st {};
      if (::lstat(path.c_str(), &st) != 0) continue;
      if (!S_ISDIR(st.st_mode)) {
        ::unlink(path.c_str());
      } else if (depth > 0) {
        RemoveOwnFolder(path, depth - 1);
      }
    }
    ::closedir(dir);
  }
  return ::rmdir(folder.c_str()) == 0;
}

}  // namespace

bool FlushFolder(const std::u16string& folder) {
  if (detail::FaultInjected(testing::FaultSite::Flush, folder)) return false;
  const int fd = ::open(ToNarrow(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0 || errno == EINVAL;  // some file systems cannot sync a folder
  ::close(fd);
  return ok;
}

bool RenameNoReplace(const std::u16string& from, const std::u16string& to) {
  if (detail::FaultInjected(testing::FaultSite::Rename, from)) return false;
  const std::string f = ToNarrow(from), t = ToNarrow(to);
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, f.c_str(), AT_FDCWD, t.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
#endif
  // A file system without the no-replace rename: a second name, then the first one removed.
  if (::link(f.c_str(), t.c_str()) != 0) return false;
  ::unlink(f.c_str());
  return true;
}

FileLock::Result FileLock::TryAcquire(const std::u16string& lockPath) {
  Release();
  if (detail::FaultInjected(testing::FaultSite::Lock, lockPath)) return Result::Failed;
  const int fd = ::open(ToNarrow(lockPath).c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return Result::Failed;
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    const bool busy = errno == EWOULDBLOCK;
    ::close(fd);
    return busy ? Result::Busy : Result::Failed;
  }
  handle_ = fd;
  return Result::Acquired;
}

void FileLock::Release() {
  if (handle_ != -1) ::close(static_cast<int>(handle_));  // closing drops the lock
  handle_ = -1;
}

int RemoveStaleTempFolders() {
  const std::string base = ToNarrow(TempFolder());
  DIR* dir = ::opendir(base.c_str());
  if (dir == nullptr) return 0;
  int removed = 0;
  while (dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    const pid_t maker = MakerOfTempFolder(name);
    if (maker <= 0 || maker == ::getpid() || !ProcessEnded(maker)) continue;
    const std::string folder = base + name;
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) continue;
    if (RemoveOwnFolder(folder, cap::kMaxTempFolderDepth)) ++removed;
  }
  ::closedir(dir);
  return removed;
}

void SleepMilliseconds(int milliseconds) {
  timespec wait{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
  while (::nanosleep(&wait, &wait) != 0 && errno == EINTR) {
  }
}

}  // namespace qv::platform
