#include "frontend/toolkit/win32/res_provider.h"

#include "frontend/toolkit/win32/system_headers.h"

namespace qv::ui {

std::optional<std::string> SResProviderZip::GetRawBuffer(std::string_view type, std::string_view name) const {
  const std::string* bytes = package_.Resource(type, name);
  if (!bytes) return std::nullopt;
  return *bytes;
}

std::optional<std::string> SResProviderZip::Member(const std::string& path) const {
  const std::string* bytes = package_.Member(path);
  if (!bytes) return std::nullopt;
  return *bytes;
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

std::optional<std::string> SResProviderMgr::GetRawBuffer(std::string_view type, std::string_view name) const {
  for (const auto& provider : providers_) {
    if (auto bytes = provider->GetRawBuffer(type, name)) return bytes;
  }
  return std::nullopt;
}

std::optional<std::string> SResProviderMgr::GetRawBuffer(std::string_view typeColonName) const {
  auto id = SplitResId(typeColonName);
  if (!id) return std::nullopt;
  return GetRawBuffer(id->type, id->name);
}

std::unique_ptr<Gdiplus::Bitmap> DecodeImage(const std::string& bytes) {
  if (bytes.empty() || bytes.size() > 0x7FFFFFFF) return nullptr;
  IStream* stream = SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), UINT(bytes.size()));
  if (!stream) return nullptr;
  std::unique_ptr<Gdiplus::Bitmap> decoded(Gdiplus::Bitmap::FromStream(stream));
  stream->Release();
  if (!decoded || decoded->GetLastStatus() != Gdiplus::Ok) return nullptr;
  // A copy in premultiplied 32-bit pixels: independent of the stream, and the fastest to draw.
  const int width = int(decoded->GetWidth()), height = int(decoded->GetHeight());
  auto image = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppPARGB);
  if (image->GetLastStatus() != Gdiplus::Ok) return nullptr;
  {
    Gdiplus::Graphics graphics(image.get());
    graphics.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
    graphics.DrawImage(decoded.get(), 0, 0, width, height);
  }
  return image;
}

std::unique_ptr<Gdiplus::Bitmap> SResProviderMgr::LoadImage(std::string_view typeColonName) const {
  auto bytes = GetRawBuffer(typeColonName);
  return bytes ? DecodeImage(*bytes) : nullptr;
}

}  // namespace qv::ui
