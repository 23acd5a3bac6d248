#include "cli/core/quarantine_commands.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "cli/core/output.h"
#include "engine/include/scan_engine.h"
#include "engine/platform/platform.h"

namespace qv::cli {
namespace {

namespace fs = std::filesystem;

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The quarantine folder of this run: --quarantine, else the engine's rule.
std::string QuarantineFolderOf(const Arguments& arguments) {
  return platform::ToNarrow(qv::api::ResolveQuarantineFolder(platform::FromNarrow(arguments.quarantine)));
}

}  // namespace

int RunRestore(const Arguments& arguments) {
  Console console(false);
  std::string copy = arguments.operands[0];
  std::string dest = arguments.operands[1];
  // A bare name ("Report.doc.vir", as quarantine list shows it) that is not in the current
  // folder is taken from the quarantine folder.
  if (!IsRegularFile(copy) && copy.find('/') == std::string::npos) {
    const std::string inQuarantine = QuarantineFolderOf(arguments) + copy;
    if (IsRegularFile(inQuarantine)) copy = inQuarantine;
  }
  if (!IsRegularFile(copy)) {
    console.Message("no such quarantine copy: " + copy);
    return kExitError;
  }
  std::error_code ec;
  if (fs::is_directory(dest, ec)) {
    const std::u16string name = qv::api::OriginalNameOf(platform::FromNarrow(fs::path(copy).filename().string()));
    dest = (fs::path(dest) / platform::ToNarrow(name)).string();
  }
  if (!qv::api::RestoreQuarantineCopy(platform::FromNarrow(copy), platform::FromNarrow(dest))) {
    console.Message("cannot restore " + copy + " to " + dest + " (empty copy, or destination not writable)");
    return kExitError;
  }
  if (arguments.json) {
    console.Line("{\"restored\":" + JsonString(copy) + ",\"to\":" + JsonString(dest) + "}");
  } else {
    console.Line("restored " + copy + " to " + dest);
  }
  return kExitClean;
}

int RunQuarantineList(const Arguments& arguments) {
  Console console(false);
  const std::string folder = QuarantineFolderOf(arguments);
  std::error_code ec;
  if (!fs::exists(folder, ec)) return kExitClean;  // nothing was ever quarantined
  std::vector<fs::path> copies;
  for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    if (it->path().extension() == ".vir" && it->is_regular_file(ec)) copies.push_back(it->path());
  }
  if (ec) {
    console.Message("cannot read the quarantine folder " + folder + ": " + ec.message());
    return kExitError;
  }
  std::sort(copies.begin(), copies.end());
  for (const fs::path& copy : copies) {
    const std::string original =
        platform::ToNarrow(qv::api::OriginalNameOf(platform::FromNarrow(copy.filename().string())));
    const uintmax_t size = fs::file_size(copy, ec);
    if (arguments.json) {
      console.Line("{\"copy\":" + JsonString(copy.string()) + ",\"restoresTo\":" + JsonString(original) +
                   ",\"bytes\":" + std::to_string(ec ? 0 : size) + "}");
    } else {
      console.Line(copy.string() + "\t" + original + "\t" + std::to_string(ec ? 0 : size));
    }
  }
  return kExitClean;
}

}  // namespace qv::cli
