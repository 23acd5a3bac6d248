#include "engine/ppt/ppt_records.h"

#include <set>
#include <unordered_map>

#include "engine/common/capacities.h"
#include "engine/ppt/ppt_layout.h"

namespace qv::ppt {
namespace {

using PersistDirectory = std::unordered_map<uint32_t, uint32_t>;  // persist id -> stream offset

std::optional<RecordHeader> RecordOfType(const ByteReader& stream, uint64_t offset, uint16_t type) {
  auto record = RecordAt(stream, offset);
  if (!record || record->type != type) return std::nullopt;
  return record;
}

// Adds the entries of one PersistDirectoryAtom; ids already known (from a newer edit) stay.
bool ReadPersistDirectory(const ByteReader& stream, uint32_t offset, PersistDirectory& directory) {
  const auto atom = RecordOfType(stream, offset, kTypePersistDirectoryAtom);
  if (!atom) return false;
  uint64_t at = atom->BodyOffset();
  const uint64_t end = atom->End();
  while (at + 4 <= end) {
    const uint32_t head = *stream.U32(at);
    at += 4;
    const uint32_t first = head & kPersistIdMask;
    const uint32_t count = head >> kPersistCountShift;
    if (static_cast<uint64_t>(count) * 4 > end - at) return false;  // entry runs past the atom
    for (uint32_t i = 0; i < count; ++i, at += 4) {
      if (directory.size() >= cap::kMaxPersistEntries) return false;
      directory.emplace(first + i, *stream.U32(at));
    }
  }
  return at == end;
}

struct EditChain {
  PersistDirectory directory;
  uint32_t documentPersistId = 0;
};

// The last edit's persist directory, completed by the older edits it points back to.
std::optional<EditChain> ReadEditChain(const ByteReader& currentUser, const ByteReader& stream) {
  const auto user = RecordOfType(currentUser, 0, kTypeCurrentUserAtom);
  if (!user || user->bodyLength < kCurrentUserMinBody) return std::nullopt;
  const uint32_t token = *currentUser.U32(user->BodyOffset() + kCurrentUserHeaderToken);
  if (token != kTokenPlain) return std::nullopt;  // an encrypted presentation keeps its records enciphered
  uint32_t offset = *currentUser.U32(user->BodyOffset() + kCurrentUserOffsetToEdit);

  EditChain chain;
  std::set<uint32_t> visited;
  bool first = true;
  for (uint32_t edits = 0; edits < cap::kMaxUserEdits; ++edits) {
    if (!visited.insert(offset).second) return std::nullopt;  // a loop of edits
    const auto edit = RecordOfType(stream, offset, kTypeUserEditAtom);
    if (!edit || edit->bodyLength < kEditMinBody) return std::nullopt;
    const uint32_t body = edit->BodyOffset();
    if (first) chain.documentPersistId = *stream.U32(body + kEditDocPersistIdRef);
    first = false;
    if (!ReadPersistDirectory(stream, *stream.U32(body + kEditOffsetPersistDirectory), chain.directory)) {
      return std::nullopt;
    }
    const uint32_t previous = *stream.U32(body + kEditOffsetLastEdit);
    if (previous == 0) return chain;
    offset = previous;
  }
  return std::nullopt;
}

// Depth-first search of the records in [begin, end) for the first record of `type`, entering
// containers up to the depth cap. `budget` bounds the records looked at.
std::optional<RecordHeader> FindRecord(const ByteReader& stream, uint64_t begin, uint64_t end, uint16_t type,
                                       int depth, uint32_t& budget) {
  uint64_t at = begin;
  while (at < end && budget > 0) {
    --budget;
    const auto record = RecordAt(stream, at);
    if (!record || record->End() > end) return std::nullopt;
    if (record->type == type) return record;
    if (record->version == kContainerVersion && depth < cap::kMaxRecordDepth) {
      if (auto found = FindRecord(stream, record->BodyOffset(), record->End(), type, depth + 1, budget)) return found;
    }
    at = record->End();
  }
  return std::nullopt;
}

std::optional<ProjectRecord> CompressedStorageAt(const ByteReader& stream, uint64_t offset) {
  const auto record = RecordOfType(stream, offset, kTypeExOleObjStg);
  if (!record || record->instance != kInstanceCompressed || record->bodyLength <= kCompressedSizeField) {
    return std::nullopt;
  }
  ProjectRecord project;
  project.record = *record;
  project.uncompressedSize = *stream.U32(record->BodyOffset());
  return project;
}

// The VBAInfo atom below a document container: its fHasMacros offset and project persist id.
struct VbaInfo {
  uint32_t hasMacrosAt = 0;
  uint32_t projectPersistId = 0;
};
std::optional<VbaInfo> FindVbaInfo(const ByteReader& stream, const RecordHeader& document) {
  uint32_t budget = cap::kMaxPresentationRecords;
  const auto atom = FindRecord(stream, document.BodyOffset(), document.End(), kTypeVbaInfoAtom, 1, budget);
  if (!atom || atom->bodyLength < kVbaInfoBody) return std::nullopt;
  return VbaInfo{atom->BodyOffset() + kVbaInfoHasMacros, *stream.U32(atom->BodyOffset() + kVbaInfoPersistIdRef)};
}

std::optional<ProjectRecord> ThroughDirectory(const ByteReader& currentUser, const ByteReader& stream) {
  const auto chain = ReadEditChain(currentUser, stream);
  if (!chain) return std::nullopt;
  const auto documentAt = chain->directory.find(chain->documentPersistId);
  if (documentAt == chain->directory.end()) return std::nullopt;
  const auto document = RecordOfType(stream, documentAt->second, kTypeDocument);
  if (!document) return std::nullopt;
  const auto info = FindVbaInfo(stream, *document);
  if (!info) return std::nullopt;
  const auto projectAt = chain->directory.find(info->projectPersistId);
  if (projectAt == chain->directory.end()) return std::nullopt;
  auto project = CompressedStorageAt(stream, projectAt->second);
  if (project) project->hasMacrosAt = info->hasMacrosAt;
  return project;
}

// Every compressed ExOleObjStg among the top-level records; the fHasMacros of the first
// document container's VBAInfo atom goes with them.
std::vector<ProjectRecord> ByWalk(const ByteReader& stream) {
  std::vector<ProjectRecord> projects;
  std::optional<uint32_t> hasMacrosAt;
  uint64_t at = 0;
  for (uint32_t seen = 0; seen < cap::kMaxPresentationRecords && at < stream.size(); ++seen) {
    const auto record = RecordAt(stream, at);
    if (!record) break;
    if (record->type == kTypeDocument && !hasMacrosAt) {
      if (const auto info = FindVbaInfo(stream, *record)) hasMacrosAt = info->hasMacrosAt;
    }
    if (auto project = CompressedStorageAt(stream, at); project && projects.size() < cap::kMaxEmbeddedProjects) {
      projects.push_back(*project);
    }
    at = record->End();
  }
  for (auto& project : projects) project.hasMacrosAt = hasMacrosAt;
  return projects;
}

}  // namespace

std::optional<RecordHeader> RecordAt(const ByteReader& stream, uint64_t offset) {
  if (!stream.Has(offset, kRecordHeaderBytes)) return std::nullopt;
  const uint16_t versionInstance = *stream.U16(offset + kHeaderVersionInstance);
  RecordHeader header;
  header.offset = static_cast<uint32_t>(offset);
  header.version = versionInstance & 0xF;
  header.instance = versionInstance >> 4;
  header.type = *stream.U16(offset + kHeaderType);
  header.bodyLength = *stream.U32(offset + kHeaderLength);
  if (!stream.Has(offset + kRecordHeaderBytes, header.bodyLength)) return std::nullopt;
  return header;
}

ProjectSearch FindProjectRecords(const ByteReader& currentUser, const ByteReader& document) {
  ProjectSearch search;
  if (const auto user = RecordOfType(currentUser, 0, kTypeCurrentUserAtom);
      user && user->bodyLength >= kCurrentUserMinBody &&
      *currentUser.U32(user->BodyOffset() + kCurrentUserHeaderToken) == kTokenEncrypted) {
    search.encrypted = true;
    return search;
  }
  if (auto project = ThroughDirectory(currentUser, document)) {
    search.projects.push_back(*project);
    search.directoryUsed = true;
    return search;
  }
  search.projects = ByWalk(document);
  return search;
}

}  // namespace qv::ppt
