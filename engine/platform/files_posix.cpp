// Files and folders on POSIX.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "engine/platform/platform.h"
#include "engine/platform/test_overrides.h"

namespace qv::platform {
namespace {

// Opens an existing file without blocking (a FIFO swapped in for a document would otherwise
// wait for a writer forever) and without taking it as a controlling terminal; only a regular
// file is kept, and it is then switched back to blocking transfers.
int OpenExistingRegular(const std::u16string& path, int access, struct stat& st) {
  if (path.empty()) return -1;
  const int fd = ::open(ToNarrow(path).c_str(), access | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  // F_SETFL changes only the status flags (O_APPEND, O_NONBLOCK …): none is wanted any more.
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::fcntl(fd, F_SETFL, 0) == -1) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

// A file without owner write permission counts as read-only and is refused, even for root,
// as the read-only attribute refuses write access on Windows. Asked of the open file, so the
// answer is about the file that was opened.
std::optional<File> File::OpenReadWrite(const std::u16string& path) {
  struct stat st {};
  const int fd = OpenExistingRegular(path, O_RDWR, st);
  if (fd < 0) return std::nullopt;
  if ((st.st_mode & S_IWUSR) == 0) {
    ::close(fd);
    return std::nullopt;
  }
  return File(fd);
}
std::optional<File> File::OpenRead(const std::u16string& path) {
  struct stat st {};
  const int fd = OpenExistingRegular(path, O_RDONLY, st);
  if (fd < 0) return std::nullopt;
  return File(fd);
}
std::optional<File> File::CreateTruncate(const std::u16string& path) {
  if (detail::FaultInjected(testing::FaultSite::Create, path)) return std::nullopt;
  return Adopt(::open(ToNarrow(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOCTTY | O_CLOEXEC, 0644));
}
std::optional<File> File::CreateExclusive(const std::u16string& path) {
  if (detail::FaultInjected(testing::FaultSite::Create, path)) return std::nullopt;
  return Adopt(::open(ToNarrow(path).c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
}
std::optional<File> File::CreateNew(const std::u16string& path) {
  if (detail::FaultInjected(testing::FaultSite::Create, path)) return std::nullopt;
  return Adopt(::open(ToNarrow(path).c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
}

std::optional<File> File::Adopt(intptr_t handle) {
  const int fd = static_cast<int>(handle);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  return File(fd);
}

bool File::IsReadOnly() const {
  struct stat st {};
  return fd_ >= 0 && ::fstat(static_cast<int>(fd_), &st) == 0 && (st.st_mode & S_IWUSR) == 0;
}

bool File::SetReadOnly(bool readOnly) {
  struct stat st {};
  if (fd_ < 0 || ::fstat(static_cast<int>(fd_), &st) != 0) return false;
  const mode_t mode = readOnly ? (st.st_mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH)) : (st.st_mode | S_IWUSR);
  return ::fchmod(static_cast<int>(fd_), mode & 07777) == 0;
}

bool File::TakeAccessOf(const File& model) {
  struct stat st {};
  if (fd_ < 0 || model.fd_ < 0 || ::fstat(static_cast<int>(model.fd_), &st) != 0) return false;
  // Owner first: a change of owner clears the set-id bits that the mode then sets again.
  // Only a privileged process may give a file away; for anyone else this quietly fails and
  // the file stays theirs, as a copy they made would.
  if (::fchown(static_cast<int>(fd_), st.st_uid, st.st_gid) != 0) {
    (void)::fchown(static_cast<int>(fd_), static_cast<uid_t>(-1), st.st_gid);  // the group, when a member
  }
  return ::fchmod(static_cast<int>(fd_), st.st_mode & 07777) == 0;
}

std::optional<std::pair<uint64_t, uint64_t>> File::Identity() const {
  struct stat st {};
  if (fd_ < 0 || ::fstat(static_cast<int>(fd_), &st) != 0) return std::nullopt;
  return std::make_pair(static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino));
}

size_t File::ReadAt(uint64_t offset, void* buffer, size_t length) const {
  if (fd_ < 0 || offset > static_cast<uint64_t>(LLONG_MAX)) return 0;
  size_t done = 0;
  auto* out = static_cast<unsigned char*>(buffer);
  while (done < length) {
    ssize_t n = ::pread(static_cast<int>(fd_), out + done, length - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

size_t File::WriteAt(uint64_t offset, const void* buffer, size_t length) {
  if (fd_ < 0 || offset > static_cast<uint64_t>(LLONG_MAX)) return 0;
  if (detail::FaultInjected(testing::FaultSite::Write)) return 0;
  size_t done = 0;
  const auto* in = static_cast<const unsigned char*>(buffer);
  while (done < length) {
    ssize_t n = ::pwrite(static_cast<int>(fd_), in + done, length - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

uint64_t File::Size() const {
  struct stat st {};
  if (fd_ < 0 || ::fstat(static_cast<int>(fd_), &st) != 0) return 0;
  return static_cast<uint64_t>(st.st_size);
}

bool File::Flush() {
  if (fd_ < 0 || detail::FaultInjected(testing::FaultSite::Flush)) return false;
  return ::fsync(static_cast<int>(fd_)) == 0;
}

void File::Close() {
  if (fd_ >= 0) ::close(static_cast<int>(fd_));
  fd_ = -1;
}

PathKind GetPathKind(const std::u16string& path) {
  struct stat st {};
  if (path.empty() || ::stat(ToNarrow(path).c_str(), &st) != 0) return PathKind::Missing;
  return S_ISDIR(st.st_mode) ? PathKind::Folder : PathKind::File;
}

bool ClearReadOnly(const std::u16string& path) {
  // Through a descriptor of the file itself: a link put in its place is not followed.
  const int fd = ::open(ToNarrow(path).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  const bool done = !detail::FaultInjected(testing::FaultSite::Permissions, path) && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::fchmod(fd, (st.st_mode | S_IWUSR) & 07777) == 0;
  ::close(fd);
  return done;
}

bool DeletePath(const std::u16string& path) {
  return !detail::FaultInjected(testing::FaultSite::Delete, path) && ::unlink(ToNarrow(path).c_str()) == 0;
}
bool CreateFolder(const std::u16string& path) {
  return !detail::FaultInjected(testing::FaultSite::Create, path) && ::mkdir(ToNarrow(path).c_str(), 0755) == 0;
}
bool RemoveEmptyFolder(const std::u16string& path) {
  return !detail::FaultInjected(testing::FaultSite::Delete, path) && ::rmdir(ToNarrow(path).c_str()) == 0;
}
bool RenameReplace(const std::u16string& from, const std::u16string& to) {
  return !detail::FaultInjected(testing::FaultSite::Rename, from) &&
         ::rename(ToNarrow(from).c_str(), ToNarrow(to).c_str()) == 0;
}

bool NameExists(const std::u16string& path) {
  struct stat st {};
  return !path.empty() && ::lstat(ToNarrow(path).c_str(), &st) == 0;
}

bool IsLink(const std::u16string& path) {
  struct stat st {};
  return !path.empty() && ::lstat(ToNarrow(path).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::u16string RealPath(const std::u16string& path) {
  if (path.empty()) return {};
  char* real = ::realpath(ToNarrow(path).c_str(), nullptr);
  if (real == nullptr) return {};
  std::u16string out = FromNarrow(real);
  std::free(real);
  return out;
}

bool IsSystemPseudoFolder(const std::u16string& folder) {
  const std::u16string real = RealPath(folder);
  if (real.empty()) return false;
  for (const std::u16string_view top : {u"/proc", u"/sys", u"/dev"}) {
    if (real.compare(0, top.size(), top) == 0 && (real.size() == top.size() || real[top.size()] == kSep)) return true;
  }
  // The same kinds mounted elsewhere (a container's view of its host, say).
  struct statfs fs {};
  if (::statfs(ToNarrow(real).c_str(), &fs) != 0) return false;
  constexpr long kProc = 0x9fa0, kSysfs = 0x62656572, kDevpts = 0x1cd1, kDebugfs = 0x64626720,
                 kSecurityfs = 0x73636673, kCgroup = 0x27e0eb, kCgroup2 = 0x63677270, kTracefs = 0x74726163;
  const long type = static_cast<long>(fs.f_type);
  return type == kProc || type == kSysfs || type == kDevpts || type == kDebugfs || type == kSecurityfs ||
         type == kCgroup || type == kCgroup2 || type == kTracefs;
}

bool IsAtOrBelow(const std::u16string& path, const std::u16string& root) {
  const std::u16string real = RealPath(path);
  if (real.empty() || root.empty()) return false;
  if (real == root) return true;
  std::u16string prefix = root;
  if (prefix.back() != kSep) prefix.push_back(kSep);
  return real.compare(0, prefix.size(), prefix) == 0;
}

std::optional<std::pair<uint64_t, uint64_t>> NameIdentity(const std::u16string& path) {
  struct stat st {};
  if (path.empty() || ::lstat(ToNarrow(path).c_str(), &st) != 0) return std::nullopt;
  return std::make_pair(static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino));
}

std::u16string FullPath(const std::u16string& path) {
  if (path.empty()) return {};
  std::u16string joined;
  if (path[0] == kSep) {
    joined = path;
  } else {
    char buffer[PATH_MAX];
    if (::getcwd(buffer, sizeof buffer) == nullptr) return {};
    joined = FromNarrow(buffer) + kSep + path;
  }
  // Resolve "." and ".." by name; keep a trailing separator as the caller wrote it.
  const bool trailing = joined.size() > 1 && joined.back() == kSep;
  std::vector<std::u16string> parts;
  size_t start = 0;
  while (start <= joined.size()) {
    size_t end = joined.find(kSep, start);
    if (end == std::u16string::npos) end = joined.size();
    std::u16string part = joined.substr(start, end - start);
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != u".") {
      parts.push_back(std::move(part));
    }
    start = end + 1;
  }
  std::u16string out;
  for (const auto& part : parts) out += kSep + part;
  if (out.empty()) return std::u16string(1, kSep);
  if (trailing) out.push_back(kSep);
  return out;
}

bool IsRegularFile(const std::u16string& path) {
  struct stat st {};
  return !path.empty() && ::stat(ToNarrow(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsSpecialFile(const std::u16string& path) {
  struct stat st {};
  if (path.empty() || ::stat(ToNarrow(path).c_str(), &st) != 0) return false;
  return S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) || S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode);
}

std::optional<std::string> FolderReadError(const std::u16string& path) {
  DIR* dir = ::opendir(ToNarrow(path).c_str());
  if (dir == nullptr) return std::string(std::strerror(errno));
  ::closedir(dir);
  return std::nullopt;
}

std::optional<std::pair<uint64_t, uint64_t>> FileIdentity(const std::u16string& path) {
  struct stat st {};
  if (::stat(ToNarrow(path).c_str(), &st) != 0) return std::nullopt;
  return std::make_pair(static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino));
}

std::optional<FileStamp> StampOf(const std::u16string& path) {
  struct stat st {};
  if (::stat(ToNarrow(path).c_str(), &st) != 0) return std::nullopt;
  const auto ns = [](const timespec& t) { return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec; };
  return FileStamp{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
                   static_cast<uint64_t>(st.st_size), ns(st.st_mtim), ns(st.st_ctim)};
}

int64_t WallClockNs() {
  timespec t {};
  ::clock_gettime(CLOCK_REALTIME, &t);
  return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

std::vector<FolderEntry> ListFolder(const std::u16string& folder, std::u16string_view pattern) {
  std::vector<FolderEntry> out;
  DIR* dir = ::opendir(ToNarrow(folder).c_str());
  if (dir == nullptr) return out;
  std::u16string prefix = folder;
  if (prefix.empty() || prefix.back() != kSep) prefix.push_back(kSep);
  while (dirent* entry = ::readdir(dir)) {
    const std::string_view narrow(entry->d_name);
    if (narrow == "." || narrow == "..") continue;
    std::u16string name = FromNarrow(narrow);
    if (!MatchesPattern(name, pattern)) continue;
    // The listing's own type answers for plain files and folders; a link (followed) or a file
    // system that gives no type is asked.
    bool isFolder = entry->d_type == DT_DIR;
    if (entry->d_type != DT_DIR && entry->d_type != DT_REG) isFolder = GetPathKind(prefix + name) == PathKind::Folder;
    out.push_back({name, isFolder});
  }
  ::closedir(dir);
  return out;
}

std::u16string TempFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::u16string path = FromNarrow((tmp != nullptr && *tmp != '\0') ? tmp : "/tmp");
  if (path.back() != kSep) path.push_back(kSep);
  return path;
}

std::u16string CreatePrivateTempFolder() {
  // The process id in the name tells a later run whether the folder's maker is still alive
  // (RemoveStaleTempFolders).
  std::string templ = ToNarrow(TempFolder()) + "quorvane-" + std::to_string(::getpid()) + "-XXXXXX";
  if (detail::FaultInjected(testing::FaultSite::Create, FromNarrow(templ))) return {};
  if (::mkdtemp(templ.data()) == nullptr) return {};
  return FromNarrow(templ);
}

}  // namespace qv::platform
