#include "engine/flow/encrypted_package.h"

#include <algorithm>
#include <atomic>
#include <string>
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
#include "engine/zip/package_rebuild.h"

namespace qv {
namespace {

bool ReadRootStream(DocFile& doc, std::u16string_view name, uint32_t limit, std::vector<uint8_t>& bytes,
                    ppt::StreamPlacement& placement) {
  const int32_t id = FindEntry(doc, 0, name);
  return id > 0 && ReadPlacedStream(doc, static_cast<uint32_t>(id), limit, bytes, placement);
}

std::vector<uint8_t> ReadWholeFile(const std::u16string& path, uint64_t limit) {
  auto file = platform::File::OpenRead(path);
  if (!file || file->Size() > limit) return {};
  std::vector<uint8_t> bytes(static_cast<size_t>(file->Size()));
  if (file->ReadAt(0, bytes.data(), bytes.size()) != bytes.size()) return {};
  return bytes;
}

// A private temporary folder holding one file of given bytes; removed with everything in it
// when the scope ends (the zip layer works on files).
class PrivateFile {
 public:
  PrivateFile(const std::u16string& name, const std::vector<uint8_t>& bytes) : folder_(platform::CreatePrivateTempFolder()) {
    if (folder_.empty()) return;
    path_ = folder_ + platform::kSep + name;
    auto out = platform::File::CreateExclusive(path_);
    ok_ = out && out->WriteAt(0, bytes.data(), bytes.size()) == bytes.size();
    if (out) out->Close();
  }
  ~PrivateFile() {
    if (folder_.empty()) return;
    for (const auto& entry : platform::ListFolder(folder_, u"*")) {
      const std::u16string path = folder_ + platform::kSep + entry.name;
      if (entry.isFolder) {  // a quarantine's in-progress folder
        for (const auto& inner : platform::ListFolder(path, u"*")) platform::DeletePath(path + platform::kSep + inner.name);
        platform::RemoveEmptyFolder(path);
      } else {
        platform::DeletePath(path);
      }
    }
    platform::RemoveEmptyFolder(folder_);
  }
  PrivateFile(const PrivateFile&) = delete;
  PrivateFile& operator=(const PrivateFile&) = delete;
  bool ok() const { return ok_; }
  const std::u16string& path() const { return path_; }
  const std::u16string& folder() const { return folder_; }

 private:
  std::u16string folder_, path_;
  bool ok_ = false;
};

struct ProjectPart {
  std::string entryName;
  std::vector<uint8_t> bytes;
  std::vector<std::vector<uint8_t>> duplicates;  // further project parts, scanned too
  // Why the inner package could not be examined completely (a cap, a damaged or oversized
  // part, no room to extract it); empty when it could.
  std::string notExamined;
};

// The VBA project part of a deciphered package; nothing of it stays on disk. The inner
// package is held to the same rule as any other: what could not be looked at is named.
ProjectPart ProjectPartOf(const std::vector<uint8_t>& package, const std::u16string& documentPath,
                          const std::atomic<bool>* stop) {
  ProjectPart part;
  PrivateFile copy(platform::FileNamePart(documentPath), package);
  if (!copy.ok()) {
    part.notExamined = kSkippedDamaged;  // nowhere to look at it
    return part;
  }
  const ExtractedProject extracted = ExtractVbaProject(copy.path(), 0, stop);
  part.notExamined = extracted.notExamined;
  if (!extracted.projectFile.empty()) {
    part.entryName = extracted.entryName;
    part.bytes = ReadWholeFile(extracted.projectFile, cap::kMaxEmbeddedProjectBytes);
    if (part.bytes.empty() && part.notExamined.empty()) part.notExamined = kSkippedTooLarge;
    for (const auto& file : extracted.moreProjectFiles) {
      part.duplicates.push_back(ReadWholeFile(file, cap::kMaxEmbeddedProjectBytes));
      if (part.duplicates.back().empty() && part.notExamined.empty()) part.notExamined = kSkippedTooLarge;
    }
  } else if (extracted.found && part.notExamined.empty()) {
    part.notExamined = kSkippedDamaged;  // a project part that could not be extracted
  }
  RemoveExtractedProject(extracted);
  return part;
}

// What a repair needs to put a cleaned project back into the encrypted package.
struct EncryptedOrigin {
  crypto::PackageKey key;
  std::vector<uint8_t> info;               // "EncryptionInfo" as read
  ppt::StreamPlacement infoPlacement, packagePlacement;
  std::vector<uint8_t> package;            // the deciphered package
  std::string entryName;                   // of its VBA project part
  std::u16string name;                     // the document's file name
};

// The package with `project` in place of its project part (the zip layer's rebuild, done on
// private copies: its quarantine copy of the deciphered package is thrown away).
std::optional<std::vector<uint8_t>> RebuiltPackage(const EncryptedOrigin& origin, const std::vector<uint8_t>& project,
                                                   const std::atomic<bool>* stop) {
  PrivateFile package(origin.name, origin.package);
  PrivateFile projectFile(origin.name + u".bin", project);
  PrivateFile quarantine(u"unused", {});
  if (!package.ok() || !projectFile.ok() || !quarantine.ok()) return std::nullopt;
  ExtractedProject extracted;
  extracted.found = true;
  extracted.entryName = origin.entryName;
  extracted.projectFile = projectFile.path();
  if (zip::RebuildPackage(quarantine.folder() + platform::kSep, package.path(), extracted, stop) !=
      zip::RebuildOutcome::Replaced) {
    return std::nullopt;
  }
  auto bytes = ReadWholeFile(package.path(), cap::kMaxEncryptedPackageBytes);
  if (bytes.empty()) return std::nullopt;
  return bytes;
}

// Agile packages carry an HMAC of the whole "EncryptedPackage" stream: the new value replaces
// the old one inside the XML, which keeps its length (same hash, same base64 length).
bool RenewIntegrity(const EncryptedOrigin& origin, const std::vector<uint8_t>& stream, std::vector<uint8_t>& info) {
  const auto* agile = std::get_if<crypto::AgileInfo>(&origin.key.info);
  if (agile == nullptr || agile->encryptedHmacKey.empty()) return true;  // nothing to renew
  const auto& p = agile->keyData;
  const auto iv = crypto::AgileIv(p.hash, p.salt, crypto::kHmacKeyBlock, p.blockSize);
  if (!iv) return false;
  auto hmacKey = crypto::Aes(crypto::Direction::Decrypt, crypto::CipherMode::Cbc, origin.key.key, *iv, agile->encryptedHmacKey);
  if (!hmacKey || hmacKey->size() < p.hashSize) return false;
  hmacKey->resize(p.hashSize);
  const auto integrity = crypto::AgileIntegrity(*agile, origin.key.key, *hmacKey, stream);
  if (!integrity) return false;
  const std::string oldValue = "encryptedHmacValue=\"" + crypto::EncodeBase64(agile->encryptedHmacValue) + "\"";
  const std::string newValue = "encryptedHmacValue=\"" + crypto::EncodeBase64(integrity->encryptedHmacValue) + "\"";
  const std::string text(info.begin(), info.end());
  const size_t at = text.find(oldValue);
  if (at == std::string::npos || oldValue.size() != newValue.size()) return false;
  std::copy(newValue.begin(), newValue.end(), info.begin() + static_cast<std::ptrdiff_t>(at));
  return true;
}

// The repaired package enciphered again with the same method, parameters, key and password,
// written over the "EncryptedPackage" stream (the rest of the stream zero-filled; it never
// grows), and the renewed data integrity written over "EncryptionInfo".
bool WriteBackEncrypted(WorkArea& area, const EncryptedOrigin& origin, const std::vector<uint8_t>& project) {
  const auto rebuilt = RebuiltPackage(origin, project, area.stop);
  if (!rebuilt) return false;
  auto stream = crypto::EncryptPackage(origin.key, *rebuilt);
  if (!stream || stream->size() > origin.packagePlacement.size) return false;
  stream->resize(origin.packagePlacement.size, 0);
  std::vector<uint8_t> info = origin.info;
  if (!RenewIntegrity(origin, *stream, info)) return false;
  return ppt::WritePlaced(area, origin.packagePlacement, 0, stream->data(), static_cast<uint32_t>(stream->size())) &&
         ppt::WritePlaced(area, origin.infoPlacement, 0, info.data(), static_cast<uint32_t>(info.size()));
}

}  // namespace

void ScanEncryptedPackage(WorkArea& area, SignatureTables& tables) {
  if (area.docFile == nullptr || area.docFile->DocumentKind != kKindEncryptedPackage) return;
  DocFile& doc = *area.docFile;
  EncryptedOrigin origin;
  std::vector<uint8_t> stream;
  if (!ReadRootStream(doc, u"EncryptionInfo", cap::kMaxEncryptionInfoBytes, origin.info, origin.infoPlacement) ||
      !ReadRootStream(doc, u"EncryptedPackage", cap::kMaxEncryptedPackageBytes + 8, stream, origin.packagePlacement)) {
    NoteSkipped(area, kSkippedDamaged);
    return;
  }
  const auto parsed = crypto::ParseEncryptionInfo(ByteReader(origin.info.data(), origin.info.size()));
  const auto key = parsed && crypto::Available() ? crypto::UnlockPackage(*parsed, crypto::kDefaultPassword) : std::nullopt;
  if (!key) {
    NoteSkipped(area, kSkippedEncrypted);
    return;
  }
  const ByteReader cipherText(stream.data(), stream.size());
  if (const auto declared = cipherText.U32(0); declared && *declared > cap::kMaxEncryptedPackageBytes) {
    NoteSkipped(area, kSkippedTooLarge);
    return;
  }
  const auto package = crypto::DecryptPackage(*key, cipherText, cap::kMaxEncryptedPackageBytes);
  if (!package) {
    NoteSkipped(area, kSkippedDamaged);
    return;
  }
  ProjectPart part = ProjectPartOf(*package, area.currentPath, area.stop);
  // A part that was looked at is scanned either way; what was not is reported after it.
  if (!part.notExamined.empty()) NoteSkipped(area, part.notExamined.c_str());
  if (part.bytes.size() < cap::kSectorBytes) return;  // no project part: nothing to scan
  origin.key = *key;
  origin.package = std::move(*package);
  origin.entryName = part.entryName;
  origin.name = platform::FileNamePart(area.currentPath);
  EmbeddedProject project;
  project.image = std::move(part.bytes);
  project.complete = true;
  project.writeBack = [&origin](WorkArea& work, const std::vector<uint8_t>& image) {
    return WriteBackEncrypted(work, origin, image);
  };
  ScanEmbeddedProject(area, tables, project, false);
  // Every duplicate is scanned as well. None can be put back (a package with two project
  // parts is never rebuilt), so an infected one makes the document unrepairable.
  for (auto& duplicate : part.duplicates) {
    if (duplicate.size() < cap::kSectorBytes) continue;
    EmbeddedProject copy;
    copy.image = std::move(duplicate);
    copy.complete = true;
    ScanEmbeddedProject(area, tables, copy, false);
  }
}

}  // namespace qv
