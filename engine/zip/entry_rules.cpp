#include "engine/zip/entry_rules.h"

#include "engine/common/ascii_case.h"

#include <array>

namespace qv::zip {

bool IsProjectEntryName(std::string_view name) {
  const size_t slash = name.rfind('/');
  if (slash == std::string_view::npos) return false;
  const std::string_view last = name.substr(slash + 1);
  return last.size() == kProjectPartName.size() && EndsWithFoldingAscii(last, kProjectPartName);
}

bool IsStoredByExtension(std::string_view name) {
  static constexpr std::array<std::string_view, 8> kStored = {".Z",   ".zip", ".zoo", ".arc",
                                                              ".lzh", ".arj", ".gz",  ".tgz"};
  for (const std::string_view extension : kStored) {
    if (EndsWithFoldingAscii(name, extension)) return true;
  }
  return false;
}

bool IsLeftOutOfRebuild(std::string_view name, std::string_view projectEntryName) {
  return !projectEntryName.empty() && name.find(projectEntryName) != std::string_view::npos;
}

bool HasNonAsciiBytes(std::string_view name) {
  for (const char c : name) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  }
  return false;
}

}  // namespace qv::zip
