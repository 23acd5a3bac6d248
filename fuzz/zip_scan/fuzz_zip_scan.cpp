// Fuzzes the whole path of a zip-based document through the command line's engine call: a
// scan call in repair mode on the bytes as a document (extraction, walk, rebuild, macro-sheet
// removal), then the rebuild of the same package around a changed project part, and the
// rebuild without the project part (its relationships and content type cleaned up). Whatever the bytes,
// the document is either left exactly as it was or replaced by a package that reads back,
// and nothing is left in the temporary folder or beside the document.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "engine/include/scan_engine.h"
#include "engine/platform/platform.h"
#include "engine/zip/open_xml.h"
#include "engine/zip/package_rebuild.h"
#include "engine/zip/package_reader.h"
#include "tests/support/system/system.h"
#include "tests/support/vlb/vlb_builder.h"

namespace {

namespace fs = std::filesystem;

std::u16string U16(const fs::path& path) { return qv::test::PathU16(path); }

void Put(const fs::path& path, const uint8_t* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

std::vector<uint8_t> Get(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "zip_scan invariant broken: %s\n", what);
  std::abort();
}

// A program folder with the test signature library, a document folder and a temporary folder,
// made once per process.
struct Sandbox {
  fs::path root, bin, quarantine, docs, temp;

  Sandbox() {
    root = qv::test::MakeScratchFolder();
    bin = root / "bin";
    quarantine = bin / "RepairBrack";
    docs = root / "docs";
    temp = root / "temp";
    for (const auto& folder : {bin, quarantine, docs, temp}) fs::create_directories(folder);
    const auto library = qv::test::BuildLibrary(R"(pattern 0x1 "QUORVANE-MACRO-TEST-SIGNATURE" case utf16
rule 0x1 "Macro.Test.Signature" = p(0x1))");
    Put(bin / "qzmacro.vlb", library.data(), library.size());
    qv::platform::testing::OverrideProgramPath(U16(bin / "program"));
    qv::test::SetEnvironment(qv::test::TempFolderVariable(), temp.string().c_str());
  }

  ~Sandbox() {
    qv::platform::testing::OverrideProgramPath(std::nullopt);
    std::error_code ec;
    fs::remove_all(root, ec);
  }

  void Empty(const fs::path& folder) {
    for (const auto& entry : fs::directory_iterator(folder)) fs::remove_all(entry.path());
  }
  bool OnlyTheDocumentIn(const fs::path& folder, const fs::path& document) {
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (entry.path() != document) return false;
    }
    return true;
  }
};

// The content of the last entry of that name; empty when there is none or it is damaged.
std::vector<uint8_t> LastEntryNamed(const fs::path& package, const std::string& name) {
  auto reader = qv::zip::PackageReader::Open(U16(package));
  std::vector<uint8_t> content;
  if (!reader) return content;
  qv::zip::ForEachEntry(*reader, 1u << 20, [&](const qv::zip::EntryInfo& entry) {
    if (entry.name != name) return true;
    content.clear();
    return reader->ReadCurrent(entry, 1u << 30, [&](const uint8_t* bytes, size_t length) {
      content.insert(content.end(), bytes, bytes + length);
      return true;
    });
  });
  return content;
}

Sandbox& Box() {
  static Sandbox box;
  return box;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Sandbox& box = Box();
  const fs::path document = box.docs / "Report.docm";
  const std::vector<uint8_t> input(data, data + size);

  // 1. The command line's engine call in repair mode: findings and not-examined reasons
  //    through the observer, a stop flag that is never set.
  Put(document, data, size);
  static const std::atomic<bool> never{false};
  qv::api::ScanOptions options;
  options.repair = true;
  options.stop = &never;
  const qv::api::ScanOutcome outcome = qv::api::ScanPath(U16(document), options);
  if (!fs::is_empty(box.temp)) Fail("the scan left something in the temporary folder");
  if (!box.OnlyTheDocumentIn(box.docs, document)) Fail("the scan left something beside the document");
  bool acted = false;
  for (const auto& finding : outcome.findings) {
    if (finding.path != U16(document)) Fail("a finding names another file");
    acted = acted || finding.action == qv::api::Action::Repaired || finding.action == qv::api::Action::Deleted ||
            finding.action == qv::api::Action::SweptDeleted;
  }
  for (const auto& skipped : outcome.skipped) {
    if (skipped.path != U16(document)) Fail("a not-examined notice names another file");
  }
  if (!acted && (!fs::exists(document) || Get(document) != input)) Fail("the document changed without a repair");

  // 2. The rebuild with a project part that the walk changed.
  Put(document, data, size);
  const qv::ExtractedProject project = qv::ExtractVbaProject(U16(document));
  if (!project.projectFile.empty()) {
    const fs::path projectFile = qv::platform::ToNarrow(project.projectFile);
    std::vector<uint8_t> changed = Get(projectFile);
    changed.push_back(0x5A);
    Put(projectFile, changed.data(), changed.size());
    const auto outcome = qv::zip::RebuildPackage(U16(box.quarantine) + u"/", U16(document), project);
    qv::RemoveExtractedProject(project);
    if (outcome == qv::zip::RebuildOutcome::Replaced) {
      if (LastEntryNamed(document, project.entryName) != changed) {
        Fail("the rebuilt package does not end with the changed project");
      }
    } else if (Get(document) != input) {
      Fail("a rebuild that did not replace the document changed it");
    }
  }
  if (!fs::is_empty(box.temp)) Fail("the rebuild left something in the temporary folder");
  if (!box.OnlyTheDocumentIn(box.docs, document)) Fail("the rebuild left something beside the document");

  // 3. The rebuild after the walk deleted a project part it could not repair.
  Put(document, data, size);
  const qv::ExtractedProject deleted = qv::ExtractVbaProject(U16(document));
  if (!deleted.projectFile.empty()) {
    fs::remove(qv::platform::ToNarrow(deleted.projectFile));
    const auto outcome = qv::zip::RebuildPackage(U16(box.quarantine) + u"/", U16(document), deleted);
    qv::RemoveExtractedProject(deleted);
    if (outcome == qv::zip::RebuildOutcome::Replaced) {
      if (!LastEntryNamed(document, deleted.entryName).empty()) Fail("the rebuilt package still holds the project");
    } else if (Get(document) != input) {
      Fail("a rebuild that did not replace the document changed it");
    }
  }
  if (!fs::is_empty(box.temp)) Fail("the rebuild without the project left something in the temporary folder");
  if (!box.OnlyTheDocumentIn(box.docs, document)) Fail("the rebuild without the project left something beside the document");

  box.Empty(box.quarantine);
  box.Empty(box.docs);
  return 0;
}
