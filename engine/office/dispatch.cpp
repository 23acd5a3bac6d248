// The hinge between the engine frame and the format handlers: memory image, open,
// recognition, and the choice of repair.
#include "engine/office/dispatch.h"

#include "engine/common/capacities.h"
#include "engine/common/work_area.h"
#include "engine/office/document_kind.h"
#include "engine/office/excel_workbook.h"
#include "engine/ppt/presentation_scan.h"
#include "engine/storage/compound_file.h"
#include "engine/storage/doc_file.h"
#include "engine/storage/streams.h"
#include "engine/storage/writer.h"

namespace qv {
namespace {

constexpr uint32_t kRootStorage = 0;

bool IsWord6Ident(uint16_t ident) {
  switch (ident) {
    case 0x8097: case 0x8098: case 0x8099: case 0xA5DC: case 0xA697: case 0xA698: case 0xA699:
      return true;
    default:
      return false;
  }
}

// The version word of a workbook's leading BOF record.
int32_t WorkbookKind(DocFile& doc, uint32_t id) {
  int32_t kind = kKindUnknown;
  if (OpenStream(doc, id) == kStreamOpened && doc.current.size >= 6) {
    const uint16_t version = ReadU16At(doc, 4);
    if (version == 0x0500) kind = kKindExcel5;
    if (version == 0x0600) kind = kKindExcel97;
  }
  CloseStream(doc);
  return kind;
}

int32_t WordKind(DocFile& doc, uint32_t id) {
  int32_t kind = kKindUnknown;
  if (OpenStream(doc, id) == kStreamOpened) {
    const int32_t got = ReadStream(doc, doc.fibPrefix, static_cast<int32_t>(sizeof doc.fibPrefix));
    if (got >= 2) {
      const uint16_t ident = static_cast<uint16_t>(doc.fibPrefix[0] | (doc.fibPrefix[1] << 8));
      if (ident == 0xA5EC) kind = kKindWord97;
      else if (IsWord6Ident(ident)) kind = kKindWord6;
    }
  }
  CloseStream(doc);
  return kind;
}

int32_t PropDataKind(DocFile& doc, uint32_t id) {
  int32_t kind = kKindUnknown;
  if (OpenStream(doc, id) == kStreamOpened && doc.current.size >= 6 && ReadU16At(doc, 4) == 0x6902) {
    kind = kKindPropData;
  }
  CloseStream(doc);
  return kind;
}

// Every stream below "VBA" is zero-filled, then the storage leaves the tree. A write that
// fails, or a project storage that cannot be found (nothing of the detected project was
// removed), answers kRepairFailed: the document then goes, its quarantine copy kept.
int RepairPropDataProject(DocFile& doc) {
  bool complete = HasDirectoryTable(doc);
  if (complete) {
    const int32_t vba = FindEntry(doc, kRootStorage, u"VBA");
    const DirEntry* entry = vba > 0 ? EntryAt(doc, static_cast<uint32_t>(vba)) : nullptr;
    bool allWritten = false;
    if (entry != nullptr) WipeSubtree(doc, EntryChild(*entry), &allWritten);
    complete = entry != nullptr && allWritten;
  }
  if (HasDirectoryTable(doc)) {
    const int32_t vba = FindEntry(doc, kRootStorage, u"VBA");
    complete = vba > 0 && UnlinkEntry(doc, static_cast<uint32_t>(vba)) == 1 && complete;
  }
  ReleaseMemoryImage(doc);
  return complete ? kRepaired : kRepairFailed;
}

}  // namespace

bool DetectDocumentKind(DocFile& doc) {
  // The first rule whose stream exists decides; "Book" before "Workbook".
  if (const int32_t id = FindEntry(doc, kRootStorage, u"WordDocument"); id >= 0) {
    doc.DocumentKind = WordKind(doc, static_cast<uint32_t>(id));
    return true;
  }
  for (const char16_t* name : {u"Book", u"Workbook"}) {
    if (const int32_t id = FindEntry(doc, kRootStorage, name); id >= 0) {
      doc.DocumentKind = WorkbookKind(doc, static_cast<uint32_t>(id));
      return true;
    }
  }
  if (const int32_t id = FindEntry(doc, kRootStorage, u"PropData"); id >= 0) {
    doc.DocumentKind = PropDataKind(doc, static_cast<uint32_t>(id));
    return true;
  }
  if (FindEntry(doc, kRootStorage, u"EncryptedPackage") >= 0 && FindEntry(doc, kRootStorage, u"EncryptionInfo") >= 0) {
    doc.DocumentKind = kKindEncryptedPackage;  // examined, once deciphered, by the package pass
    return true;
  }
  if (FindEntry(doc, kRootStorage, u"PowerPoint Document") >= 0) {
    doc.DocumentKind = kKindPresentation;  // its projects are scanned by the presentation pass
    return true;
  }
  return false;
}

int DispatchDocument(DocFile& doc) {
  WorkArea& area = *doc.workArea;
  if (area.fileSize <= cap::kMemoryImageLimit && !LoadMemoryImage(doc)) return 0;
  if (OpenCompoundFile(doc) == 0) return 0;
  if (!DetectDocumentKind(doc)) doc.DocumentKind = kKindWord97;
  return 1;
}

void BeginMacroPass(DocFile& doc) { doc.ScanKind = 1; }

int RepairDocument(DocFile& doc) {
  // A project held in memory (inflated from a presentation's record) has its own repair.
  if (doc.embeddedProject != nullptr) return RepairEmbeddedProject(doc);
  LeaveMemoryMode(doc);  // the repair writes to disk and the passes that follow read it
  switch (doc.DocumentKind) {
    case kKindWord6: return RepairWord6Document(doc);
    case kKindWord97: return RepairWord97Document(doc, doc.ScanCursor);
    case kKindExcel97: return RepairExcel97Workbook(doc);
    case kKindPropData: return RepairPropDataProject(doc);
    default: return kRepairFailed;
  }
}

}  // namespace qv
