#include "frontend/toolkit/res_provider.h"

#include <unzip.h>

#include "frontend/toolkit/markup/markup_limits.h"

namespace qv::ui {
namespace {

// Reads every member of the archive into `members`. False on any read error.
bool ReadAllMembers(unzFile zip, std::map<std::string, QByteArray>& members) {
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
    QByteArray bytes(qsizetype(info.uncompressed_size), Qt::Uninitialized);
    const int read = bytes.isEmpty() ? 0 : unzReadCurrentFile(zip, bytes.data(), unsigned(bytes.size()));
    const int closed = unzCloseCurrentFile(zip);  // checks the CRC once everything was read
    if (read != bytes.size() || closed != UNZ_OK) return false;
    for (char& c : path) {
      if (c == '\\') c = '/';
    }
    members[path] = std::move(bytes);
  }
  return true;
}

}  // namespace

bool SResProviderZip::Init(const std::string& zipPath) {
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
  auto parsed = ParseResIndex(std::string_view(idx->second.constData(), size_t(idx->second.size())));
  if (!parsed) return false;
  index_ = std::move(*parsed);
  return true;
}

std::optional<QByteArray> SResProviderZip::Member(const std::string& path) const {
  auto it = members_.find(path);
  if (it != members_.end()) return it->second;
  // Indexes written on a system whose file names ignore letter case may spell a folder
  // differently from the archive ("translator\lang_cn.xml" for "Translator/lang_cn.xml").
  const QString wanted = QString::fromStdString(path);
  for (const auto& [name, bytes] : members_) {
    if (QString::fromStdString(name).compare(wanted, Qt::CaseInsensitive) == 0) return bytes;
  }
  return std::nullopt;
}

bool SResProviderZip::HasResource(std::string_view type, std::string_view name) const {
  auto path = index_.PathOf(type, name);
  return path && Member(*path).has_value();
}

std::optional<QByteArray> SResProviderZip::GetRawBuffer(std::string_view type, std::string_view name) const {
  auto path = index_.PathOf(type, name);
  if (!path) return std::nullopt;
  return Member(*path);
}

void SResProviderMgr::AddResProvider(std::unique_ptr<IResProvider> provider) {
  if (provider) providers_.push_back(std::move(provider));
}

bool SResProviderMgr::HasResource(std::string_view typeColonName) const {
  auto id = SplitResId(typeColonName);
  if (!id) return false;
  for (const auto& provider : providers_) {
    if (provider->HasResource(id->type, id->name)) return true;
  }
  return false;
}

std::optional<QByteArray> SResProviderMgr::GetRawBuffer(std::string_view type, std::string_view name) const {
  for (const auto& provider : providers_) {
    if (auto bytes = provider->GetRawBuffer(type, name)) return bytes;
  }
  return std::nullopt;
}

std::optional<QByteArray> SResProviderMgr::GetRawBuffer(std::string_view typeColonName) const {
  auto id = SplitResId(typeColonName);
  if (!id) return std::nullopt;
  return GetRawBuffer(id->type, id->name);
}

QImage SResProviderMgr::LoadImage(std::string_view typeColonName) const {
  auto bytes = GetRawBuffer(typeColonName);
  if (!bytes) return QImage();
  QImage image;
  image.loadFromData(*bytes);
  return image;
}

}  // namespace qv::ui
