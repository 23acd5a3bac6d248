// Resource providers: where layouts, definitions and images come from. The package provider
// reads "uires.zip" with minizip and resolves "TYPE:NAME" through the package's "uires.idx".
#pragma once

#include <QByteArray>
#include <QImage>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/toolkit/res_package.h"

namespace qv::ui {

class IResProvider {
 public:
  virtual ~IResProvider() = default;
  virtual bool HasResource(std::string_view type, std::string_view name) const = 0;
  // The resource's bytes; nullopt when this provider lacks it.
  virtual std::optional<QByteArray> GetRawBuffer(std::string_view type, std::string_view name) const = 0;
};

class SResProviderZip : public IResProvider {
 public:
  // Opens the package and reads its members and index. False when the file is missing, is
  // not a zip archive, a member cannot be read or the index is missing or malformed.
  bool Init(const std::string& zipPath);
  bool HasResource(std::string_view type, std::string_view name) const override;
  std::optional<QByteArray> GetRawBuffer(std::string_view type, std::string_view name) const override;
  // A member by its path inside the package ("xml/init.xml").
  std::optional<QByteArray> Member(const std::string& path) const;

 private:
  ResPackage package_;
};

// The application's providers, asked in the order they were added.
class SResProviderMgr {
 public:
  void AddResProvider(std::unique_ptr<IResProvider> provider);
  bool HasResource(std::string_view typeColonName) const;
  std::optional<QByteArray> GetRawBuffer(std::string_view typeColonName) const;
  std::optional<QByteArray> GetRawBuffer(std::string_view type, std::string_view name) const;
  QImage LoadImage(std::string_view typeColonName) const;  // null image when missing

 private:
  std::vector<std::unique_ptr<IResProvider>> providers_;
};

}  // namespace qv::ui
