#include "engine/flow/encrypted_package.h"

#include <vector>

#include "engine/common/capacities.h"
#include "engine/common/work_area.h"
#include "engine/crypto/package_cipher.h"
#include "engine/office/document_kind.h"
#include "engine/platform/platform.h"
#include "engine/ppt/presentation_scan.h"
#include "engine/ppt/stream_placement.h"
#include "engine/storage/compound_file.h"
#include "engine/storage/doc_file.h"
#include "engine/zip/open_xml.h"

namespace qv {
namespace {

bool ReadRootStream(DocFile& doc, std::u16string_view name, uint32_t limit, std::vector<uint8_t>& bytes) {
  const int32_t id = FindEntry(doc, 0, name);
  ppt::StreamPlacement placement;
  return id > 0 && ReadPlacedStream(doc, static_cast<uint32_t>(id), limit, bytes, placement);
}

std::vector<uint8_t> ReadWholeFile(const std::u16string& path, uint64_t limit) {
  auto file = platform::File::OpenRead(path);
  if (!file || file->Size() > limit) return {};
  std::vector<uint8_t> bytes(static_cast<size_t>(file->Size()));
  if (file->ReadAt(0, bytes.data(), bytes.size()) != bytes.size()) return {};
  return bytes;
}

// The VBA project part of a deciphered package, through a private temporary copy of the
// package (the zip reader works on files); nothing of it stays on disk.
std::vector<uint8_t> ProjectPartOf(const std::vector<uint8_t>& package, const std::u16string& documentPath) {
  const std::u16string folder = platform::CreatePrivateTempFolder();
  if (folder.empty()) return {};
  const std::u16string copy = folder + platform::kSep + platform::FileNamePart(documentPath);
  std::vector<uint8_t> project;
  if (auto out = platform::File::CreateExclusive(copy)) {
    const bool written = out->WriteAt(0, package.data(), package.size()) == package.size();
    out->Close();
    if (written) {
      const ExtractedProject extracted = ExtractVbaProject(copy);
      if (!extracted.projectFile.empty()) project = ReadWholeFile(extracted.projectFile, cap::kMaxEmbeddedProjectBytes);
      RemoveExtractedProject(extracted);
    }
    platform::DeletePath(copy);
  }
  platform::RemoveEmptyFolder(folder);
  return project;
}

}  // namespace

void ScanEncryptedPackage(WorkArea& area, SignatureTables& tables) {
  if (area.docFile == nullptr || area.docFile->DocumentKind != kKindEncryptedPackage) return;
  DocFile& doc = *area.docFile;
  std::vector<uint8_t> info, stream;
  if (!ReadRootStream(doc, u"EncryptionInfo", cap::kMaxEncryptionInfoBytes, info) ||
      !ReadRootStream(doc, u"EncryptedPackage", cap::kMaxEncryptedPackageBytes + 8, stream)) {
    NoteSkipped(area, kSkippedDamaged);
    return;
  }
  const auto parsed = crypto::ParseEncryptionInfo(ByteReader(info.data(), info.size()));
  const auto key = parsed && crypto::Available() ? crypto::UnlockPackage(*parsed, crypto::kDefaultPassword) : std::nullopt;
  if (!key) {
    NoteSkipped(area, kSkippedEncrypted);
    return;
  }
  const auto package = crypto::DecryptPackage(*key, ByteReader(stream.data(), stream.size()), cap::kMaxEncryptedPackageBytes);
  if (!package) {
    NoteSkipped(area, kSkippedDamaged);
    return;
  }
  EmbeddedProject project;
  project.image = ProjectPartOf(*package, area.currentPath);
  if (project.image.size() < cap::kSectorBytes) return;  // no project part: nothing to scan
  project.complete = true;
  // No placement: a project inside an encrypted package is not written back; a detection in
  // it makes the document unrepairable (quarantine copy, then deletion).
  ScanEmbeddedProject(area, tables, project, false);
}

}  // namespace qv
