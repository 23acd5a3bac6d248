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
inline constexpr size_t kPathUnits = 1024;              // the description's path buffers (we use longer strings)
inline constexpr uint8_t kQuarantineKey = 0x9D;         // .vir bytes = document bytes XOR key
inline constexpr int kMaxQuarantineVariants = 1000;     // "Name(2).doc.vir" ... before giving up
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

// ---- office documents --------------------------------------------------------------------

// ---- zip documents -----------------------------------------------------------------------

}  // namespace qv::cap
