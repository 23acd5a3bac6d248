// Resource providers: where layouts, definitions and images come from. The package provider
// reads "uires.zip" and resolves "TYPE:NAME" through the package's "uires.idx".
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/toolkit/res_package.h"

namespace Gdiplus {
class Bitmap;
}

namespace qv::ui {

class IResProvider {
 public:
  virtual ~IResProvider() = default;
  virtual bool HasResource(std::string_view type, std::string_view name) const = 0;
  // The resource's bytes; nullopt when this provider lacks it.
  virtual std::optional<std::string> GetRawBuffer(std::string_view type, std::string_view name) const = 0;
};

class SResProviderZip : public IResProvider {
 public:
  bool Init(const std::string& zipPath) { return package_.Open(zipPath); }
  bool HasResource(std::string_view type, std::string_view name) const override {
    return package_.Resource(type, name) != nullptr;
  }
  std::optional<std::string> GetRawBuffer(std::string_view type, std::string_view name) const override;
  std::optional<std::string> Member(const std::string& path) const;

 private:
  ResPackage package_;
};

// The application's providers, asked in the order they were added.
class SResProviderMgr {
 public:
  void AddResProvider(std::unique_ptr<IResProvider> provider);
  bool HasResource(std::string_view typeColonName) const;
  std::optional<std::string> GetRawBuffer(std::string_view typeColonName) const;
  std::optional<std::string> GetRawBuffer(std::string_view type, std::string_view name) const;
  // The image decoded with GDI+ (PNG, BMP, ICO …); nullptr when missing or undecodable.
  std::unique_ptr<Gdiplus::Bitmap> LoadImage(std::string_view typeColonName) const;

 private:
  std::vector<std::unique_ptr<IResProvider>> providers_;
};

// Decodes an image held in memory with GDI+; nullptr when it is not one.
std::unique_ptr<Gdiplus::Bitmap> DecodeImage(const std::string& bytes);

}  // namespace qv::ui
