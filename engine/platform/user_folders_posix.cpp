// The user's data folder and folder creation for the quarantine on POSIX.
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "engine/platform/platform.h"

namespace qv::platform {
namespace {

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') return home;
  std::vector<char> buffer(16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr && found->pw_dir[0] == '/') {
    return found->pw_dir;
  }
  return {};
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool CanCreateFilesIn(const std::u16string& folder) {
  const std::string path = ToNarrow(folder);
  return !path.empty() && IsFolder(path) && ::access(path.c_str(), W_OK | X_OK) == 0;
}

std::u16string UserDataFolder() {
  // A relative XDG_DATA_HOME is invalid and ignored, as the base directory rules say.
  std::string folder;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && xdg[0] == '/') {
    folder = xdg;
  } else {
    const std::string home = HomeFolder();
    if (home.empty()) return {};
    folder = home + "/.local/share";
  }
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (folder != "/") folder.push_back('/');
  return FromNarrow(folder);
}

bool CreatePrivateFolderTree(const std::u16string& path) {
  const std::string target = ToNarrow(path);
  if (target.empty()) return false;
  // Walk down from the root, making each missing folder; a folder someone else made in the
  // meantime (EEXIST) is fine.
  for (size_t cut = target.find('/', 1); ; cut = target.find('/', cut + 1)) {
    const std::string part = cut == std::string::npos ? target : target.substr(0, cut);
    if (!part.empty() && !IsFolder(part) && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (cut == std::string::npos) break;
  }
  return IsFolder(target);
}

}  // namespace qv::platform
