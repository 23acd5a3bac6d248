// Writes the seed corpus of fuzz_zip_scan into the folder given as the only argument:
// packages with clean, infected and repairable projects, a project at the archive root, a
// plain archive, an archive with a leftover copy of the project and one with a damaged entry;
// and the hostile kinds: duplicated and upper-case project parts, a part that inflates far
// past its stored size, entries sharing one local header, a local header that lies, and each
// sample cut short at a few lengths.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/corpus_damage.h"
#include "fuzz/sample_seeds.h"
#include "tests/support/engine/program_folder.h"
#include "tests/support/zip/package_builder.h"
#include "tests/support/zip/package_damage.h"
#include "tests/support/zip/project_part.h"

using namespace qv::test;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
    return 2;
  }
  const std::filesystem::path out = argv[1];
  std::filesystem::create_directories(out);
  const auto small = [](const std::string& name, const std::string& text) { return PackagePart{name, Bytes(text)}; };

  WritePackage(out / "word_clean.docm", MacroEnabledPackage(OfficeKind::Word, VbaProjectPart(ProjectPart::Clean)));
  WritePackage(out / "word_repairable.docm",
               MacroEnabledPackage(OfficeKind::Word, VbaProjectPart(ProjectPart::InfectedRepairable)));
  WritePackage(out / "excel_infected.xlsm", MacroEnabledPackage(OfficeKind::Excel, VbaProjectPart(ProjectPart::Infected)));
  WritePackage(out / "root_project.zip", {small("[Content_Types].xml", "<Types/>"),
                                          PackagePart{"vbaProject.bin", VbaProjectPart(ProjectPart::Infected)}});
  WritePackage(out / "plain.zip", {small("a.txt", "alpha"), small("b/c.gz", "stored by name")});
  WritePackage(out / "leftover.pptm", {small("ppt/presentation.xml", "<p/>"),
                                       PackagePart{"ppt/vbaProject.bin", Bytes("not a compound file")},
                                       small("ppt/vbaProject.bin.bak", "old copy")});
  PackagePart damaged = small("word/document.xml", "<w:document>some text</w:document>");
  damaged.raw = true;
  damaged.deflate = false;
  damaged.declaredSize = damaged.data.size();
  damaged.declaredCrc = Crc32(damaged.data) ^ 1;
  WritePackage(out / "damaged_entry.docm", {damaged, PackagePart{"word/vbaProject.bin", Bytes("changed")}});

  const auto infected = VbaProjectPart(ProjectPart::InfectedRepairable);
  auto duplicated = MacroEnabledPackage(OfficeKind::Word, VbaProjectPart(ProjectPart::Clean));
  duplicated.push_back({"word/vbaProject.bin", infected});
  WritePackage(out / "duplicate_project.docm", duplicated);
  WritePackage(out / "upper_case_project.docm", {small("[Content_Types].xml", "<Types/>"),
                                                 PackagePart{"WORD/VBAPROJECT.BIN", infected}});
  auto padded = infected;
  padded.resize(padded.size() + (2u << 20), 0);  // inflates about a thousand times its stored size
  WritePackage(out / "padded_project.docm", {PackagePart{"word/vbaProject.bin", padded}});
  auto sharing = MacroEnabledPackage(OfficeKind::Word, infected);
  WritePackage(out / "shared_bytes.docm", sharing);
  auto bytes = ReadFile(out / "shared_bytes.docm");
  ShareOneLocalHeader(bytes, "word/vbaProject.bin");
  WriteFile(out / "shared_bytes.docm", bytes);
  WritePackage(out / "lying_local_header.docm", MacroEnabledPackage(OfficeKind::Word, infected));
  bytes = ReadFile(out / "lying_local_header.docm");
  FlipLocalName(bytes, "word/document.xml");
  WriteFile(out / "lying_local_header.docm", bytes);

  // Truncations of the repairable sample: inside the central directory, the last entry, the end record.
  const auto whole = ReadFile(out / "word_repairable.docm");
  for (size_t cut : {whole.size() - 1, whole.size() - 23, whole.size() / 2, size_t{40}}) {
    WriteFile(out / ("word_repairable_cut_" + std::to_string(cut) + ".docm"),
              std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)));
  }

  // Every package sample the sample maker writes, and its damaged kin (cut, flipped, the end
  // record's counts and offsets at extremes).
  for (const auto& sample : qv::fuzzseed::SampleDocuments()) {
    if (!sample.compound) {
      qv::fuzzseed::WriteWithDamage(out, "sample-" + sample.fileName, sample.bytes, 1,
                                    qv::fuzzseed::ZipEndFields(sample.bytes.size()));
    }
  }
  return 0;
}
