#include "cli/core/quarantine_commands.h"

#include <algorithm>
#include <vector>

#include "cli/core/output.h"
#include "engine/include/scan_engine.h"
#include "engine/platform/platform.h"

namespace qv::cli {
namespace {

// The quarantine folder of this run: --quarantine, else the engine's rule.
std::u16string QuarantineFolderOf(const Arguments& arguments) {
  return qv::api::ResolveQuarantineFolder(platform::FromUtf8(arguments.quarantine));
}

}  // namespace

int RunRestore(const Arguments& arguments) {
  Console console(false);
  std::string copy = arguments.operands[0];
  std::string dest = arguments.operands.size() > 1 ? arguments.operands[1] : std::string();
  // Full paths in the platform's own form ("/" becomes "\\" on Windows), so that the name part is found.
  std::u16string copyPath = platform::FullPath(platform::FromUtf8(copy));
  // A bare name ("Report.doc.vir", as quarantine list shows it) that is not in the current
  // folder is taken from the quarantine folder.
  if (!platform::IsRegularFile(copyPath) && copy.find('/') == std::string::npos &&
      copy.find('\\') == std::string::npos) {
    const std::u16string inQuarantine = QuarantineFolderOf(arguments) + platform::FromUtf8(copy);
    if (platform::IsRegularFile(inQuarantine)) {
      copyPath = inQuarantine;
      copy = platform::ToUtf8(inQuarantine);
    }
  }
  if (!platform::IsRegularFile(copyPath)) {
    console.Message("no such quarantine copy: " + copy);
    return kExitError;
  }
  // Where the copy came from, when the quarantine index knows: without DEST the copy goes back
  // there, and into a folder under its own name (not the "(2)" of its copy's name).
  const auto origins = qv::api::QuarantineOrigins(platform::FolderPart(copyPath));
  const auto origin = origins.find(platform::FileNamePart(copyPath));
  const bool known = origin != origins.end();
  std::u16string destPath;
  if (dest.empty()) {
    if (!known) {
      console.Message("the quarantine index does not tell where " + copy + " came from; name a destination");
      return kExitError;
    }
    destPath = origin->second.path;
    dest = platform::ToUtf8(destPath);
  } else {
    destPath = platform::FullPath(platform::FromUtf8(dest));
  }
  if (platform::GetPathKind(destPath) == platform::PathKind::Folder) {
    if (destPath.back() != platform::kSep) destPath.push_back(platform::kSep);
    destPath += known ? platform::FileNamePart(origin->second.path) : qv::api::OriginalNameOf(platform::FileNamePart(copyPath));
    dest = platform::ToUtf8(destPath);
  }
  switch (qv::api::RestoreQuarantineCopyAs(copyPath, destPath, arguments.force)) {
    case qv::api::RestoreResult::Restored: break;
    case qv::api::RestoreResult::DestinationExists:
      console.Message(dest + " exists already; nothing was changed (--force replaces it)");
      return kExitError;
    case qv::api::RestoreResult::Failed:
      console.Message("cannot restore " + copy + " to " + dest +
                      " (empty copy, or destination not writable); nothing was changed");
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
  const std::u16string folder = QuarantineFolderOf(arguments);
  if (platform::GetPathKind(folder) == platform::PathKind::Missing) return kExitClean;  // nothing was ever quarantined
  if (const auto reason = platform::FolderReadError(folder)) {
    console.Message("cannot read the quarantine folder " + platform::ToUtf8(folder) + ": " + *reason);
    return kExitError;
  }
  std::vector<std::u16string> copies;
  for (const auto& entry : platform::ListFolder(folder, u"*.vir")) {
    const std::u16string path = folder + entry.name;
    // the extension exactly (the pattern folds case), and plain files only
    if (entry.name.size() > 4 && entry.name.compare(entry.name.size() - 4, 4, u".vir") == 0 &&
        platform::IsRegularFile(path)) {
      copies.push_back(path);
    }
  }
  std::sort(copies.begin(), copies.end());
  // Copies the index knows also tell where they came from, when and why.
  const auto origins = qv::api::QuarantineOrigins(folder);
  for (const std::u16string& copy : copies) {
    const std::string copyText = platform::ToUtf8(copy);
    const auto origin = origins.find(platform::FileNamePart(copy));
    const bool known = origin != origins.end();
    const std::string original = platform::ToUtf8(known ? platform::FileNamePart(origin->second.path)
                                                        : qv::api::OriginalNameOf(platform::FileNamePart(copy)));
    const auto file = platform::File::OpenRead(copy);
    const uint64_t size = file ? file->Size() : 0;
    if (arguments.json) {
      std::string line = "{\"copy\":";
      line += JsonString(copyText);
      line += ",\"restoresTo\":";
      line += JsonString(original);
      line += ",\"bytes\":";
      line += std::to_string(size);
      if (known) {
        line += ",\"from\":";
        line += JsonString(platform::ToUtf8(origin->second.path));
        line += ",\"time\":";
        line += JsonString(origin->second.time);
        line += ",\"rule\":";
        line += JsonString(origin->second.rule);
      }
      line += '}';
      console.Line(line);
    } else {
      // Appended piece by piece: `"\t" + std::string` trips a false -Wrestrict of GCC 12 at -O3.
      std::string line = copyText;
      for (const std::string& field : {original, std::to_string(size)}) {
        line += '\t';
        line += field;
      }
      if (known) {
        for (const std::string& field : {platform::ToUtf8(origin->second.path), origin->second.time,
                                         origin->second.rule.empty() ? std::string("-") : origin->second.rule}) {
          line += '\t';
          line += field;
        }
      }
      console.Line(line);
    }
  }
  return kExitClean;
}

}  // namespace qv::cli
