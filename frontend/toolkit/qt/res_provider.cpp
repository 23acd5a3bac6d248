#include "frontend/toolkit/qt/res_provider.h"

namespace qv::ui {
namespace {

QByteArray BytesOf(const std::string& bytes) { return QByteArray(bytes.data(), qsizetype(bytes.size())); }

}  // namespace

bool SResProviderZip::Init(const std::string& zipPath) { return package_.Open(zipPath); }

std::optional<QByteArray> SResProviderZip::Member(const std::string& path) const {
  const std::string* bytes = package_.Member(path);
  if (!bytes) return std::nullopt;
  return BytesOf(*bytes);
}

bool SResProviderZip::HasResource(std::string_view type, std::string_view name) const {
  return package_.Resource(type, name) != nullptr;
}

std::optional<QByteArray> SResProviderZip::GetRawBuffer(std::string_view type, std::string_view name) const {
  const std::string* bytes = package_.Resource(type, name);
  if (!bytes) return std::nullopt;
  return BytesOf(*bytes);
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
