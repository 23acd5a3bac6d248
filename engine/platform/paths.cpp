// Path text helpers shared by every platform.
#include "engine/platform/platform.h"

namespace qv::platform {

std::u16string ProgramFolder() { return FolderPart(ProgramPath()); }

std::u16string FolderPart(const std::u16string& path) {
  const size_t cut = path.rfind(kSep);
  return cut == std::u16string::npos ? std::u16string() : path.substr(0, cut + 1);
}

std::u16string FileNamePart(const std::u16string& path) {
  const size_t cut = path.rfind(kSep);
  return cut == std::u16string::npos ? path : path.substr(cut + 1);
}

}  // namespace qv::platform
