#include "engine/storage/doc_file.h"

#include <memory>
#include <new>

#include "engine/common/work_area.h"
#include "engine/storage/streams.h"

namespace qv {

DocFile* NewDocFile(WorkArea& area) {
  // The work area's kept storage when it is free (made zero-filled again), else a new one
  // that becomes the kept storage when there is none yet.
  WorkAreaMemory& memory = area.Memory();
  DocFile* doc = nullptr;
  if (memory.documentStorage && !memory.documentStorageInUse) {
    doc = static_cast<DocFile*>(memory.documentStorage.get());
    doc->~DocFile();
    new (doc) DocFile();
    memory.documentStorageInUse = true;
  } else {
    doc = new (std::nothrow) DocFile();
    if (doc == nullptr) return nullptr;
    if (!memory.documentStorage) {
      try {
        memory.documentStorage = std::shared_ptr<DocFile>(doc);
        memory.documentStorageInUse = true;
      } catch (const std::bad_alloc&) {
        // shared_ptr deleted doc; nothing is kept
        return nullptr;
      }
    }
  }
  doc->workArea = &area;
  area.NoteReaderTablesUsed();
  doc->rootCursorRef = &doc->rootCursor;
  return doc;
}

void FreeDocFile(DocFile* doc) {
  if (doc == nullptr) return;
  if (doc->workArea != nullptr) {
    WorkAreaMemory& memory = doc->workArea->Memory();
    if (memory.documentStorage.get() == doc) {
      memory.documentStorageInUse = false;  // kept for the next document
      return;
    }
  }
  delete doc;
}

bool HasDirectoryTable(const DocFile& doc) { return doc.directory != nullptr; }

void CloseDocFile(DocFile& doc) {
  ReleaseMemoryImage(doc);
  if (doc.directoryOnHeap) {
    doc.workArea->allocations.FreeBlock(doc.directory);
    doc.directory = nullptr;
    doc.directoryOnHeap = false;
    doc.DirCount = 0;
    // Both cursors pointed into the released table.
    doc.current.entry = nullptr;
    doc.rootCursor = StreamCursor{};
  }
  CloseStream(doc);
}

bool LoadMemoryImage(DocFile& doc) {
  WorkArea& area = *doc.workArea;
  const uint32_t size = area.fileSize;
  auto* image = static_cast<uint8_t*>(area.allocations.AllocateRegistered(size));
  if (image == nullptr) return false;
  if (size != 0 && ReadAt(area, 0, image, size) != size) {
    area.allocations.FreeBlock(image);
    return false;
  }
  SetMemoryImage(doc, image, size);
  return true;
}

void SetMemoryImage(DocFile& doc, uint8_t* image, uint32_t size) {
  doc.memoryImage = image;
  doc.memoryImageSize = image != nullptr ? size : 0;
  doc.memoryMode = image != nullptr ? 1 : 0;
}

void LeaveMemoryMode(DocFile& doc) { doc.memoryMode = 0; }

void ReleaseMemoryImage(DocFile& doc) {
  if (doc.memoryImage != nullptr) doc.workArea->allocations.FreeBlock(doc.memoryImage);
  doc.memoryImage = nullptr;
  doc.memoryImageSize = 0;
  doc.memoryMode = 0;
}

}  // namespace qv
