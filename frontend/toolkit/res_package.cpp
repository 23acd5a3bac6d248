#include "frontend/toolkit/res_package.h"

#include <unzip.h>

#include "engine/common/ascii_case.h"
#include "frontend/toolkit/markup/markup_limits.h"

namespace qv::ui {
namespace {

// Reads every member of the archive into `members`. False on any read error.
bool ReadAllMembers(unzFile zip, std::map<std::string, std::string>& members) {
  size_t count = 0;
  for (int status = unzGoToFirstFile(zip); status != UNZ_END_OF_LIST_OF_FILE; status = unzGoToNextFile(zip)) {
    if (status != UNZ_OK || ++count > limit::kPackageMembers) return false;
    unz_file_info info;
    char name[512];
    if (unzGetCurrentFileInfo(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) return false;
    std::string path(name);
    if (path.empty() || path.back() == '/') continue;  // folder entry
    if (info.uncompressed_size > limit::kPackageMemberBytes) return false;
    if (unzOpenCurrentFile(zip) != UNZ_OK) return false;
    std::string bytes(size_t(info.uncompressed_size), '\0');
    const int read = bytes.empty() ? 0 : unzReadCurrentFile(zip, bytes.data(), unsigned(bytes.size()));
    const int closed = unzCloseCurrentFile(zip);  // checks the CRC once everything was read
    if (read != int(bytes.size()) || closed != UNZ_OK) return false;
    for (char& c : path) {
      if (c == '\\') c = '/';
    }
    members[path] = std::move(bytes);
  }
  return true;
}

}  // namespace

bool ResPackage::Open(const std::string& zipPath) {
  members_.clear();
  unzFile zip = unzOpen64(zipPath.c_str());
  if (!zip) return false;
  const bool read = ReadAllMembers(zip, members_);
  unzClose(zip);
  if (!read) {
    members_.clear();
    return false;
  }
  auto idx = members_.find("uires.idx");
  if (idx == members_.end()) return false;
  auto parsed = ParseResIndex(idx->second);
  if (!parsed) return false;
  index_ = std::move(*parsed);
  return true;
}

const std::string* ResPackage::Member(const std::string& path) const {
  auto it = members_.find(path);
  if (it != members_.end()) return &it->second;
  // Indexes written on a system whose file names ignore letter case may spell a folder
  // differently from the archive ("translator\lang_cn.xml" for "Translator/lang_cn.xml").
  for (const auto& [name, bytes] : members_) {
    if (EqualsFoldingAscii(name, path)) return &bytes;
  }
  return nullptr;
}

const std::string* ResPackage::Resource(std::string_view type, std::string_view name) const {
  auto path = index_.PathOf(type, name);
  return path ? Member(*path) : nullptr;
}

}  // namespace qv::ui
