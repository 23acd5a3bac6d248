// Time, console, program path and drive roots on POSIX.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <set>
#include <sstream>

#include "engine/platform/platform.h"
#include "engine/platform/test_overrides.h"

namespace qv::platform {
namespace {

std::u16string ReadOwnProgramFile() {
  std::string buffer(4096, '\0');
  ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return {};
  buffer.resize(static_cast<size_t>(n));
  return FromNarrow(buffer);
}

}  // namespace

std::u16string ProgramPath() {
  if (auto pinned = detail::OverriddenProgramPath()) return *pinned;
  // Looked up once: a process keeps the program it was started from. Constant after that.
  static const std::u16string own = ReadOwnProgramFile();
  return own;
}

LocalTime Now() {
  if (auto pinned = detail::OverriddenClock()) return *pinned;
  std::time_t t = std::time(nullptr);
  std::tm tm {};
  ::localtime_r(&t, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

bool StdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }
bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

std::optional<int16_t> ConsoleMaxWidth() {
  if (auto pinned = detail::OverriddenConsoleWidth()) return *pinned;
  winsize ws {};
  if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) != 0) return std::nullopt;
  return static_cast<int16_t>(ws.ws_col);
}

std::optional<int> StderrTerminalWidth() {
  winsize ws {};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) != 0 || ws.ws_col == 0) return std::nullopt;
  return static_cast<int>(ws.ws_col);
}

void SetConsoleColour(ConsoleColour colour) {
  if (!StdoutIsTerminal()) return;
  std::fputs(colour == ConsoleColour::BrightRed ? "\x1b[91m" : "\x1b[0m", stdout);
}

void ConsoleWrite(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

std::vector<std::u16string> LocalDriveRoots() {
  // File systems that live on a local block device; network, optical, RAM and pseudo file
  // systems are left out.
  static const std::set<std::string> kLocal = {"ext2",  "ext3",  "ext4",    "xfs",   "btrfs",
                                               "f2fs",  "vfat",  "exfat",   "ntfs",  "ntfs3",
                                               "hfsplus", "jfs", "reiserfs", "msdos", "fuseblk"};
  std::vector<std::u16string> roots;
  std::ifstream mounts("/proc/self/mounts");
  std::string line;
  bool haveRoot = false;
  std::vector<std::u16string> others;
  std::set<std::string> seen;
  while (std::getline(mounts, line)) {
    std::istringstream fields(line);
    std::string device, mountPoint, type;
    if (!(fields >> device >> mountPoint >> type)) continue;
    if (kLocal.count(type) == 0 || device.rfind("/dev/", 0) != 0) continue;
    // Octal escapes of the mounts table (\040 for a space).
    std::string decoded;
    for (size_t i = 0; i < mountPoint.size(); ++i) {
      if (mountPoint[i] == '\\' && i + 3 < mountPoint.size()) {
        decoded.push_back(static_cast<char>(std::stoi(mountPoint.substr(i + 1, 3), nullptr, 8)));
        i += 3;
      } else {
        decoded.push_back(mountPoint[i]);
      }
    }
    if (!seen.insert(decoded).second) continue;
    if (decoded == "/") {
      haveRoot = true;
    } else {
      others.push_back(FromNarrow(decoded));
    }
  }
  if (haveRoot) roots.push_back(u"/");
  roots.insert(roots.end(), others.begin(), others.end());
  return roots;
}

// ---- AppendLog ---------------------------------------------------------------------------
bool AppendLog::Open(const std::u16string& path) {
  Close();
  failed_ = false;
  const int fd = ::open(ToNarrow(path).c_str(), O_RDWR | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  struct stat st {};
  // F_SETFL sets the status flags only: appending stays, blocking transfers come back.
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::fcntl(fd, F_SETFL, O_APPEND) == -1) {
    ::close(fd);
    return false;
  }
  stream_ = ::fdopen(fd, "a+");
  if (stream_ == nullptr) ::close(fd);
  return stream_ != nullptr;
}

}  // namespace qv::platform
