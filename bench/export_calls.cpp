// Calls the C export SCanFileVirus the way a front end does: `per-file` makes one call per
// file, in ascending path order (as the GUI's worker does after its search); `folder` makes
// one call over each named folder. Report only. The engine's console trace goes to standard
// output; the findings are counted on standard error.
//   export_calls per-file|folder FOLDER...
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "engine/include/scanvirus.h"

namespace fs = std::filesystem;

namespace {

std::u16string Utf16(const fs::path& path) { return path.u16string(); }

int Call(const std::u16string& path, int& reported) {
  sv_char16 text[260] = {0};
  std::vector<sv_char16> arg(path.begin(), path.end());
  arg.push_back(0);
  const int result = SCanFileVirus(arg.data(), 0, text);
  if (result != 0 && text[0] != 0) ++reported;
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || (std::strcmp(argv[1], "per-file") != 0 && std::strcmp(argv[1], "folder") != 0)) {
    std::fprintf(stderr, "usage: export_calls per-file|folder FOLDER...\n");
    return 2;
  }
  const bool perFile = std::strcmp(argv[1], "per-file") == 0;
  int calls = 0, reported = 0;
  for (int i = 2; i < argc; ++i) {
    if (!perFile) {
      Call(Utf16(fs::absolute(argv[i])), reported);
      ++calls;
      continue;
    }
    std::vector<std::u16string> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(fs::absolute(argv[i]), ec), end; !ec && it != end; it.increment(ec)) {
      if (it->is_regular_file(ec)) files.push_back(Utf16(it->path()));
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
      Call(file, reported);
      ++calls;
    }
  }
  std::fprintf(stderr, "%d calls, %d reported\n", calls, reported);
  return 0;
}
