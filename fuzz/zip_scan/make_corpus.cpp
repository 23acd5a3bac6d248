// Writes the seed corpus of fuzz_zip_scan into the folder given as the only argument:
// packages with clean, infected and repairable projects, a project at the archive root, a
// plain archive, an archive with a leftover copy of the project and one with a damaged entry.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/zip/package_builder.h"
#include "tests/support/zip/project_part.h"

using namespace qv::testing;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
    return 2;
  }
  const std::filesystem::path out = argv[1];
  std::filesystem::create_directories(out);
  const auto small = [](const std::string& name, const std::string& text) { return PackageEntry{name, Bytes(text)}; };

  WritePackage(out / "word_clean.docm", MacroEnabledPackage(OfficeKind::Word, VbaProjectPart(ProjectPart::Clean)));
  WritePackage(out / "word_repairable.docm",
               MacroEnabledPackage(OfficeKind::Word, VbaProjectPart(ProjectPart::InfectedRepairable)));
  WritePackage(out / "excel_infected.xlsm", MacroEnabledPackage(OfficeKind::Excel, VbaProjectPart(ProjectPart::Infected)));
  WritePackage(out / "root_project.zip", {small("[Content_Types].xml", "<Types/>"),
                                          PackageEntry{"vbaProject.bin", VbaProjectPart(ProjectPart::Infected)}});
  WritePackage(out / "plain.zip", {small("a.txt", "alpha"), small("b/c.gz", "stored by name")});
  WritePackage(out / "leftover.pptm", {small("ppt/presentation.xml", "<p/>"),
                                       PackageEntry{"ppt/vbaProject.bin", Bytes("not a compound file")},
                                       small("ppt/vbaProject.bin.bak", "old copy")});
  PackageEntry damaged = small("word/document.xml", "<w:document>some text</w:document>");
  damaged.raw = true;
  damaged.deflate = false;
  damaged.declaredSize = damaged.data.size();
  damaged.declaredCrc = Crc32(damaged.data) ^ 1;
  WritePackage(out / "damaged_entry.docm", {damaged, PackageEntry{"word/vbaProject.bin", Bytes("changed")}});
  return 0;
}
