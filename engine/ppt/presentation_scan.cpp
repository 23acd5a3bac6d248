#include "engine/ppt/presentation_scan.h"

#include <cstring>
#include <set>
#include <vector>

#include "engine/common/capacities.h"
#include "engine/common/work_area.h"
#include "engine/office/dispatch.h"
#include "engine/office/document_kind.h"
#include "engine/ppt/ppt_layout.h"
#include "engine/ppt/ppt_records.h"
#include "engine/ppt/project_inflate.h"
#include "engine/ppt/stream_placement.h"
#include "engine/storage/cfb_layout.h"
#include "engine/storage/compound_file.h"
#include "engine/storage/doc_file.h"
#include "engine/storage/streams.h"
#include "engine/storage/vba_modules.h"

namespace qv {
namespace {

constexpr uint32_t kRootStorage = 0;

// While an embedded project is scanned, the work area's DocFile is the project's (the file,
// its size and its path stay the presentation's, which reports and quarantine copies name).
// The presentation's DocFile comes back on every way out, the abandoning one included.
class EmbeddedScope {
 public:
  EmbeddedScope(WorkArea& area, DocFile* nested)
      : area_(area), outer_(area.docFile), nested_(nested) {
    area_.docFile = nested_;
  }
  ~EmbeddedScope() {
    CloseDocFile(*nested_);
    FreeDocFile(nested_);
    area_.docFile = outer_;
  }
  EmbeddedScope(const EmbeddedScope&) = delete;
  EmbeddedScope& operator=(const EmbeddedScope&) = delete;

 private:
  WorkArea& area_;
  DocFile* outer_;
  DocFile* nested_;
};

bool ReadNamedStream(DocFile& doc, std::u16string_view name, uint32_t limit, std::vector<uint8_t>& bytes,
                     ppt::StreamPlacement& placement) {
  const int32_t id = FindEntry(doc, kRootStorage, name);
  return id > 0 && ReadPlacedStream(doc, static_cast<uint32_t>(id), limit, bytes, placement);
}

bool LooksLikeCompoundFile(const std::vector<uint8_t>& image) {
  return image.size() >= cap::kSectorBytes && std::memcmp(image.data(), cfb::kSignature, sizeof cfb::kSignature) == 0;
}

// The stream ids of the sibling tree from `id` and of every storage below it.
void CollectStreams(DocFile& doc, uint32_t id, std::set<uint32_t>& visited, std::vector<uint32_t>& streams) {
  std::vector<uint32_t> pending{id};
  while (!pending.empty()) {
    const uint32_t next = pending.back();
    pending.pop_back();
    const DirEntry* entry = EntryAt(doc, next);
    if (entry == nullptr || !visited.insert(next).second) continue;  // NOSTREAM, out of range, or seen
    if (EntryObjectType(*entry) == cfb::kTypeStream) streams.push_back(next);
    pending.push_back(EntryLeftSibling(*entry));
    pending.push_back(EntryRightSibling(*entry));
    if (EntryObjectType(*entry) == cfb::kTypeStorage) pending.push_back(EntryChild(*entry));
  }
}

// Zero-fills every stream of the project's "VBA" storage in the image: the module source,
// the compiled forms and the project's directory, so that nothing of the macros is left.
bool ZeroVbaStorage(DocFile& doc, EmbeddedProject& project) {
  const int32_t vba = FindEntry(doc, kRootStorage, u"VBA");
  const DirEntry* storage = vba > 0 ? EntryAt(doc, static_cast<uint32_t>(vba)) : nullptr;
  if (storage == nullptr || EntryObjectType(*storage) != cfb::kTypeStorage) return false;
  std::set<uint32_t> visited{static_cast<uint32_t>(vba)};
  std::vector<uint32_t> streams;
  CollectStreams(doc, EntryChild(*storage), visited, streams);
  for (const uint32_t id : streams) {
    std::vector<uint8_t> ignored;
    ppt::StreamPlacement placement;
    const DirEntry* entry = EntryAt(doc, id);
    if (entry == nullptr || EntryStreamSize(*entry) == 0) continue;
    if (!ReadPlacedStream(doc, id, EntryStreamSize(*entry), ignored, placement)) return false;
    if (!ppt::ZeroPlaced(project.image, placement)) return false;
  }
  return true;
}

// The cleaned project deflated into its ExOleObjStg record (the rest of the record zero-filled,
// the size field unchanged), and the VBAInfo atom's "has macros" flag cleared.
bool WriteBackIntoRecord(WorkArea& area, const ppt::StreamPlacement& placement, const ppt::ProjectRecord& record,
                         const std::vector<uint8_t>& image) {
  const uint32_t dataOffset = record.record.BodyOffset() + ppt::kCompressedSizeField;
  const uint32_t room = record.record.bodyLength - ppt::kCompressedSizeField;
  const auto data = ppt::DeflateIntoRoom(image, room);
  if (!data || !ppt::WritePlaced(area, placement, dataOffset, data->data(), room)) return false;
  if (!record.hasMacrosAt) return true;
  const uint8_t cleared[4] = {};
  return ppt::WritePlaced(area, placement, *record.hasMacrosAt, cleared, sizeof cleared);
}

}  // namespace

void ScanEmbeddedProject(WorkArea& area, SignatureTables& tables, EmbeddedProject& project, bool requireVba) {
  DocFile* nested = NewDocFile(area);
  if (nested == nullptr) return;
  nested->embeddedProject = &project;
  nested->DocumentKind = area.docFile != nullptr ? area.docFile->DocumentKind : kKindUnknown;  // the holder's kind
  SetMemoryImage(*nested, project.image.data(), static_cast<uint32_t>(project.image.size()));
  EmbeddedScope scope(area, nested);
  if (OpenCompoundFile(*nested) == 0) return;
  if (requireVba && FindEntry(*nested, kRootStorage, u"VBA") <= 0) return;
  BeginMacroPass(*nested);
  if (HasDirectoryTable(*nested)) ScanVbaModules(*nested, tables);
}

void ScanPresentationProjects(WorkArea& area, SignatureTables& tables) {
  if (area.docFile == nullptr || area.docFile->DocumentKind != kKindPresentation) return;
  DocFile& doc = *area.docFile;
  std::vector<uint8_t> currentUser, document;
  ppt::StreamPlacement userPlacement, documentPlacement;
  ReadNamedStream(doc, u"Current User", cap::kCurrentUserStreamBytes, currentUser, userPlacement);
  // A stream the search cannot hold whole, or cannot read, could hide a project: the
  // presentation is then reported as not examined, after what the search could hold.
  const int32_t documentId = FindEntry(doc, kRootStorage, u"PowerPoint Document");
  const DirEntry* documentEntry = documentId > 0 ? EntryAt(doc, static_cast<uint32_t>(documentId)) : nullptr;
  if (documentEntry != nullptr && EntryStreamSize(*documentEntry) > cap::kPresentationStreamBytes) {
    NoteSkipped(area, kSkippedTooLarge);
  }
  if (!ReadNamedStream(doc, u"PowerPoint Document", cap::kPresentationStreamBytes, document, documentPlacement)) {
    NoteSkipped(area, kSkippedDamaged);
    return;
  }
  const ByteReader stream(document.data(), document.size());
  const ppt::ProjectSearch search =
      ppt::FindProjectRecords(ByteReader(currentUser.data(), currentUser.size()), stream);
  if (search.encrypted) {
    NoteSkipped(area, kSkippedEncrypted);  // a password-protected presentation: its project is enciphered
    return;
  }

  bool notedPastBounds = false;
  for (const ppt::ProjectRecord& record : search.projects) {
    const uint32_t dataOffset = record.record.BodyOffset() + ppt::kCompressedSizeField;
    const uint32_t dataLength = record.record.bodyLength - ppt::kCompressedSizeField;
    if (!ppt::WithinInflateBounds(dataLength, record.uncompressedSize)) {
      if (!notedPastBounds) NoteSkipped(area, kSkippedTooLarge);  // a project this record may hold is never inflated
      notedPastBounds = true;
      continue;
    }
    auto inflated = ppt::InflateProject(stream.Slice(dataOffset, dataLength), record.uncompressedSize);
    if (!inflated || !LooksLikeCompoundFile(inflated->bytes)) continue;
    EmbeddedProject project;
    project.image = std::move(inflated->bytes);
    project.complete = inflated->complete;
    project.writeBack = [&documentPlacement, record](WorkArea& area, const std::vector<uint8_t>& image) {
      return WriteBackIntoRecord(area, documentPlacement, record, image);
    };
    // Found by the walk, an embedded storage counts only when it holds a VBA project.
    ScanEmbeddedProject(area, tables, project, !search.directoryUsed);
  }
}

int RepairEmbeddedProject(DocFile& doc) {
  EmbeddedProject* project = doc.embeddedProject;
  if (project == nullptr || doc.workArea == nullptr || !project->writeBack) return kRepairFailed;
  // Only a whole project can be written back (a record's size field stays as it is).
  if (!project->complete || !ZeroVbaStorage(doc, *project)) return kRepairFailed;
  return project->writeBack(*doc.workArea, project->image) ? kRepaired : kRepairFailed;
}

}  // namespace qv
