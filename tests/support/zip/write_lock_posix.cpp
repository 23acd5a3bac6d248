#include "tests/support/zip/write_lock.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace qv::test {
namespace {

namespace fs = std::filesystem;

bool SetImmutable(const fs::path& path, bool on) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  int flags = 0;
  bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (done) {
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  ::close(fd);
  return done;
}

// A folder holds when a new file cannot be made in it.
bool FolderRefusesNewFiles(const fs::path& folder) {
  const fs::path probe = folder / ".write-lock-probe";
  const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return true;
  ::close(fd);
  ::unlink(probe.c_str());
  return false;
}

}  // namespace

WriteLock::WriteLock(fs::path path) : path_(std::move(path)) {
  std::error_code ec;
  const bool folder = fs::is_directory(path_, ec);
  if (folder) fs::permissions(path_, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                              fs::perm_options::remove, ec);
  immutable_ = SetImmutable(path_, true);
  // Without the attribute a file can always be replaced by a rename in its folder.
  holds_ = folder ? FolderRefusesNewFiles(path_) : immutable_;
}

WriteLock::~WriteLock() {
  if (immutable_) SetImmutable(path_, false);
  std::error_code ec;
  if (fs::is_directory(path_, ec)) fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
}

}  // namespace qv::test
