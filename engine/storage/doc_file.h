// The per-document object: the compound-file state of the reader and the streams first,
// then the fields of the document handlers. Created zero-filled for every examined file.
#pragma once

#include <cstdint>

#include "engine/common/capacities.h"
#include "engine/storage/reader_tables.h"

namespace qv {

struct WorkArea;
struct EmbeddedProject;

// An open stream. For a small stream the logical position lives in the root cursor's
// position field and this cursor's own position stays 0.
struct StreamCursor {
  DirEntry* entry = nullptr;   // the entry in the directory table
  uint32_t entryId = 0;
  uint8_t mini = 0;            // 1 when the stream lives in the mini stream
  uint32_t sectorSize = 0;     // 512 or 64
  uint32_t* chainList = nullptr;  // sector ids of the stream in chain order
  uint32_t chainLength = 0;    // sectors listed at open; transfers never go past them
  int32_t position = 0;        // byte offset in the stream
  uint32_t size = 0;           // the entry's Stream Size at open
  uint32_t chainCapacity = 0;  // entries of chainList
  bool heapChainList = false;  // chainList is a registered heap block
};

// One hidden sheet met by the hidden-sheet pass.
struct HiddenSheetEntry {
  char16_t name[cap::kSheetNameUnits];
  int32_t ordinal;
};

struct DocFile {
  // ---- compound file (reader) ----
  WorkArea* workArea = nullptr;
  uint8_t* header = nullptr;       // 512-byte header copy in the work area
  uint32_t* difat = nullptr;       // 768 FAT sector ids
  uint32_t* fatCache = nullptr;    // links of sectors 0..8,191
  uint32_t* miniFatSectors = nullptr;  // transient list of the mini FAT's own sectors
  uint32_t* miniFat = nullptr;     // 1,024 links; null when the file has no usable mini FAT
  DirEntry* directory = nullptr;   // the directory table; null when there is none
  uint32_t DirCount = 0;           // 4 x directory sectors + 1; the last entry is all zeros
  StreamCursor* rootCursorRef = nullptr;  // points to rootCursor
  StreamCursor current;            // the one open stream
  StreamCursor rootCursor;         // the mini stream, set up at the end of the open
  uint8_t* memoryImage = nullptr;  // whole-file copy, or null
  uint32_t memoryImageSize = 0;
  uint32_t memoryMode = 0;         // 1: sectors come from the image; 0: from the file
  uint8_t sectorScratch[cap::kSectorBytes] = {};  // partial-sector work
  int32_t visitCounter = 0;        // loop guard of SearchSiblings
  int32_t visitBudget = 0;
  bool directoryOnHeap = false;    // the directory table is a registered heap block

  // ---- module pass ----
  uint8_t sourceText[cap::kSourceTextBytes] = {};  // decompressed text of one candidate

  // ---- document handlers ----
  int32_t DocumentKind = 0;
  HiddenSheetEntry HiddenSheetTable[cap::kHiddenSheetEntries] = {};
  uint8_t fibPrefix[cap::kFibPrefixBytes] = {};   // first bytes of "WordDocument"
  int32_t ScanKind = 0;
  uint32_t ScanCursor = 0;
  int32_t HiddenSheetOrdinal = 0;
  uint8_t FormulaBuffer[cap::kFormulaBufferBytes] = {};

  // ---- embedded projects ----
  // Set while this DocFile scans a project held in memory that came out of the document on
  // disk (a presentation's deflated project, an encrypted package's project part); its repair
  // writes the project back there.
  EmbeddedProject* embeddedProject = nullptr;
};

// Creates a zero-filled DocFile linked to the work area; null when memory is lacking.
DocFile* NewDocFile(WorkArea& area);
void FreeDocFile(DocFile* doc);

// Opens the document of the work area as a compound file: header checks, DIFAT, FAT
// cache, mini FAT, directory, visit budget and root cursor. 1 when the document is a
// usable compound file, else 0. Reads from the memory image while memory mode is on.
int OpenCompoundFile(DocFile& doc);

// Releases, through the allocation register, the memory image, a heap directory table
// (DirCount then 0) and the current stream's heap chain list. Safe to call twice.
void CloseDocFile(DocFile& doc);
bool HasDirectoryTable(const DocFile& doc);

// ---- memory mode ----
// Reads the whole document file into a registered heap image of fileSize bytes and turns
// memory mode on. False (nothing held) when the block cannot be obtained or registered or
// fewer bytes arrive.
bool LoadMemoryImage(DocFile& doc);
// Uses a caller's image of `size` bytes (a copy of the whole file) and turns memory mode on.
// A registered block is released by CloseDocFile / ReleaseMemoryImage; any other stays the
// caller's.
void SetMemoryImage(DocFile& doc, uint8_t* image, uint32_t size);
// Reads and writes go to the file from now on; the image is kept until released.
void LeaveMemoryMode(DocFile& doc);
// Leaves memory mode and frees a registered image.
void ReleaseMemoryImage(DocFile& doc);

}  // namespace qv
