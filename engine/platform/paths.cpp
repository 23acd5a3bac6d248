// Path text helpers shared by every platform.
#include "engine/common/ascii_case.h"
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

bool MatchesPattern(std::u16string_view name, std::u16string_view pattern) {
  if (pattern == u"*.*" || pattern == u"*") return true;
  // Iterative wildcard match with one backtrack point for the last '*'.
  size_t n = 0, p = 0, starP = std::u16string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == u'?' || AsciiUpper(pattern[p]) == AsciiUpper(name[n]))) {
      ++n, ++p;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      starP = p++;
      starN = n;
    } else if (starP != std::u16string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

}  // namespace qv::platform
