// The resource package "uires.zip" read into memory with minizip: every member by its path,
// and "TYPE:NAME" resolved through the package's index "uires.idx". Shared by the backends,
// which turn the bytes into their own images and texts.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "frontend/toolkit/markup/res_index.h"

namespace qv::ui {

class ResPackage {
 public:
  // Opens the package and reads its members and index. False when the file is missing, is
  // not a zip archive, a member cannot be read or the index is missing or malformed.
  bool Open(const std::string& zipPath);
  // A member by its path inside the package ("xml/init.xml"); nullptr when there is none.
  const std::string* Member(const std::string& path) const;
  // A resource by type and name through the index; nullptr when the index or the package
  // lacks it.
  const std::string* Resource(std::string_view type, std::string_view name) const;

 private:
  std::map<std::string, std::string> members_;  // path with '/' separators -> bytes
  ResIndex index_;
};

}  // namespace qv::ui
