// Fixed capacities of the engine, in one place. Each area keeps its own block below.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv::cap {

// ---- engine frame ------------------------------------------------------------------------
inline constexpr size_t kHeadBytes = 4096;              // first bytes of a document kept in the work area
inline constexpr size_t kRegisterEntries = 65536;       // allocation register
inline constexpr size_t kResultNameBytes = 128;         // resultName, 127 bytes + terminator
inline constexpr size_t kCallerTextUnits = 260;         // the caller's text buffer of SCanFileVirus
inline constexpr size_t kPathUnits = 1024;              // fixed path buffers of the exports (strings inside may be longer)
inline constexpr uint8_t kQuarantineKey = 0x9D;         // .vir bytes = document bytes XOR key
inline constexpr int kMaxQuarantineVariants = 1000;     // "Name(2).doc.vir" ... before giving up
inline constexpr uint64_t kMaxQuarantineIndexBytes = 64ull << 20;  // index.txt read by list and restore
inline constexpr int kMaxRestoreWorkNames = 100;         // ".Name.doc.quorvane-restore", ".Name.doc(2).quorvane-restore" …
inline constexpr uint64_t kMaxJournalFileBytes = 1ull << 30;   // a larger repair journal is not read
inline constexpr uint32_t kMaxJournalBlocks = 4096;            // repairs of one document kept in its journal
inline constexpr uint32_t kMaxJournalRanges = 1u << 20;        // changed ranges per repair
inline constexpr uint32_t kMaxJournalPathUnits = 32768;        // UTF-16 units of the journalled document's path
inline constexpr int kQuarantineWaitMilliseconds = 100;        // between two tries of a busy quarantine lock
inline constexpr int kMaxTempFolderDepth = 2;                  // folder levels below a stale temporary folder removed
inline constexpr int kConsoleMargin = 40;               // console trace width = max width - margin

// ---- compound file storage (reader, streams, writer) -----------------------------------
inline constexpr uint32_t kSectorBytes = 512;               // the only sector size read (shift 9)
inline constexpr uint32_t kMiniSectorBytes = 64;            // mini sector size (shift 6)
inline constexpr uint32_t kFatEntriesPerSector = 128;       // u32 links in one FAT sector
inline constexpr uint32_t kHeaderDifatEntries = 109;        // FAT sector ids held by the header
inline constexpr uint32_t kDifatEntries = 768;              // DIFAT table
inline constexpr uint32_t kFatCacheSectors = 64;            // FAT sectors cached: sectors 0 to 8,191
inline constexpr uint32_t kMiniFatSectors = 8;              // mini FAT table: 1,024 entries
inline constexpr uint32_t kMiniFatEntries = kMiniFatSectors * kFatEntriesPerSector;
inline constexpr uint32_t kTransientListEntries = 3072;     // mini FAT / directory sector lists
inline constexpr uint32_t kDirEntryBytes = 128;
inline constexpr uint32_t kDirEntriesPerSector = 4;
inline constexpr uint32_t kFixedDirectorySectors = 16;      // preallocated directory table
inline constexpr uint32_t kMaxDirectorySectors = 96;        // a longer directory is rejected
inline constexpr uint32_t kMaxDirCount = kMaxDirectorySectors * kDirEntriesPerSector + 1;
inline constexpr uint32_t kChainLengthGuard = 100000;       // ChainLength stops past this count
inline constexpr uint32_t kFatAddressableSectors = kDifatEntries * kFatEntriesPerSector;  // ids a FAT walk can follow
inline constexpr uint32_t kFixedChainEntries = 3008;        // preallocated stream chain list
inline constexpr uint32_t kRootChainEntries = 1024;         // mini stream usable up to 512 KiB
inline constexpr uint32_t kSmallValueScratchBytes = 256;    // typed reads, ZeroStream pieces
inline constexpr uint32_t kLargeStreamBytes = 0xA00000;     // 10 MiB: no heap chain list at or above
inline constexpr uint32_t kSourceTextBytes = 0x28000;       // DocFile: decompressed module text
inline constexpr uint32_t kFibPrefixBytes = 898;            // DocFile: start of "WordDocument"
inline constexpr uint32_t kHiddenSheetEntries = 255;        // DocFile: HiddenSheetTable
inline constexpr uint32_t kSheetNameUnits = 256;            // DocFile: one hidden sheet's name
inline constexpr uint32_t kFormulaBufferBytes = 16384;      // DocFile: FormulaBuffer

// VBA source extraction (the text buffer is kSourceTextBytes above)
// A module block holds at most this much of a stream: the stream layer never delivers more
// (a stream of 10 MiB or more only its first kFixedChainEntries sectors).
inline constexpr uint32_t kModuleBlockLimit = kLargeStreamBytes;

// ---- signature library, matcher, search ------------------------------------------------
inline constexpr uint64_t kMaxLibraryBytes = 64u << 20;    // a larger qzmacro.vlb is not held in memory
inline constexpr uint32_t kMaxPatternRecords = 32767;      // each record may add two searcher patterns
inline constexpr uint32_t kMaxRuleRecords = 65535;
inline constexpr uint32_t kMaxSearchPatterns = 65535;      // sorted indexes are 16-bit, 0xFFFF = none
inline constexpr uint32_t kUtf16ExtraUnits = 16;           // UTF-16 form capacity: pattern length + 16
inline constexpr int kMaxExpressionDepth = 200;            // nested nodes and rule references per rule

// ---- office documents --------------------------------------------------------------------
inline constexpr uint32_t kMemoryImageLimit = 2097152;      // documents up to 2 MiB are read into memory
inline constexpr uint32_t kWord6MacroTableBytes = 4096;     // copy of a Word 6/95 macro table
inline constexpr uint32_t kWord6MacroTextBytes = 36864;     // one Word 6/95 macro text
inline constexpr uint32_t kWordDocumentCopyBytes = kLargeStreamBytes;  // "WordDocument" held for the WordBasic pass
inline constexpr uint32_t kMaxWordBasicMacros = 4096;       // macro descriptors judged per document
inline constexpr uint32_t kMaxWordBasicRecords = 256;       // macro table records walked

// Excel workbooks
inline constexpr uint32_t kWorkbookCopyBytes = kLargeStreamBytes;  // "Workbook" bytes held in memory at most
inline constexpr uint32_t kWorkbookReadChunk = 512;          // the copy is read a sector at a time
inline constexpr uint32_t kSheetListSearchRecords = 20481;   // records looked at before the first BoundSheet8
inline constexpr uint32_t kSheetSearchRecords = 1025;        // records looked at for the wanted hidden sheet
inline constexpr uint32_t kNeutralisedFormulas = 512;        // Formula records rewritten per hidden sheet
inline constexpr uint32_t kFormulaGapRecords = 258;          // this many other records in a row end that search
inline constexpr uint32_t kGlobalsNameWalkRecords = 1048577; // records walked to clear built-in names

// ---- zip documents -----------------------------------------------------------------------
inline constexpr uint64_t kMaxPackageEntries = 100000;           // entries looked at in one package
// What one package may cost. A package past any of these bounds is reported as not
// examined, never as clean.
inline constexpr uint64_t kMaxProjectPartBytes = 32ull << 20;    // a larger VBA project part is not extracted
inline constexpr uint64_t kInMemoryProjectBytes = 64ull << 20;   // a package's project parts held in memory; beyond: private files
inline constexpr uint64_t kRatioFreeBytes = 1ull << 20;          // parts up to this size may inflate at any ratio
inline constexpr uint64_t kMaxPartInflateRatio = 100;               // larger parts: inflated / compressed at most
inline constexpr uint32_t kMaxProjectParts = 16;                 // project parts (duplicates) examined per package
inline constexpr uint64_t kMaxPackageInflatedBytes = 1ull << 30; // inflated per document: extraction and rebuild
inline constexpr uint32_t kMaxPackageSeconds = 120;              // time per document's extraction or rebuild
inline constexpr uint64_t kMaxCentralDirectoryBytes = 64ull << 20;  // a larger directory is not surveyed whole
inline constexpr uint64_t kMaxPackageEntryBytes = 8ull << 30;    // a larger entry makes the rebuild give up
inline constexpr size_t kPackageCopyChunk = 64 * 1024;           // bytes moved per read while copying entries
inline constexpr uint64_t kMaxReferencePartBytes = 4ull << 20;   // larger relationship parts are copied unedited
inline constexpr int kDeflateLevel = 8;                          // entries written to a rebuilt package
inline constexpr uint64_t kMaxWorkbookPartBytes = 64ull << 20;   // a larger workbook or macro sheet part is not read
inline constexpr size_t kMacroSheetFormulaBytes = 1u << 20;     // formula bytes judged per macro sheet
inline constexpr uint64_t kMaxWorkbookRecords = 4000000;         // BIFF12 records walked per part
inline constexpr size_t kMaxWorkbookSheets = 65535;              // sheets read from one workbook part
inline constexpr int kMaxRebuildNameVariants = 100;              // "Report.docm.bin", "Report.docm(2).bin" …

// ---- presentations ------------------------------------------------------------------------
inline constexpr uint32_t kCurrentUserStreamBytes = 4096;       // "Current User" bytes read
inline constexpr uint32_t kPresentationStreamBytes = kLargeStreamBytes;  // "PowerPoint Document" bytes read
inline constexpr uint32_t kMaxUserEdits = 4096;                 // edits followed back from the last one
inline constexpr uint32_t kMaxPersistEntries = 1u << 20;        // persist ids collected (20-bit ids)
inline constexpr uint32_t kMaxPresentationRecords = 1u << 20;   // records looked at in one walk
inline constexpr int kMaxRecordDepth = 8;                       // container nesting searched
inline constexpr uint32_t kMaxEmbeddedProjects = 64;            // projects examined per presentation
inline constexpr uint32_t kMaxEmbeddedProjectBytes = 64u << 20; // an inflated project held in memory
inline constexpr uint32_t kMaxInflateRatio = 200;               // uncompressed : compressed at most

// ---- encrypted packages ------------------------------------------------------------------
inline constexpr uint32_t kMaxEncryptionInfoBytes = 64 * 1024;  // "EncryptionInfo" read and parsed
inline constexpr uint32_t kMaxEncryptedPackageBytes = kLargeStreamBytes;  // a larger package is not examined
inline constexpr uint32_t kMaxSpinCount = 10000000;             // key derivation rounds (Office: 100,000)
inline constexpr uint32_t kAgileSegmentBytes = 4096;            // Agile packages are enciphered per segment
inline constexpr uint32_t kStandardSpinCount = 50000;           // fixed for Standard encryption

}  // namespace qv::cap
