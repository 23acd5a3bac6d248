// Layout of a compound file as the engine reads it: header and directory-entry field
// offsets, special sector values, object types. Kept apart from the parsing so that every
// offset is named once.
#pragma once

#include <cstdint>

namespace qv::cfb {

inline constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

// Special sector values (as signed 32-bit: -1, -2, -3, -4).
inline constexpr uint32_t kFreeSect = 0xFFFFFFFF;
inline constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
inline constexpr uint32_t kFatSect = 0xFFFFFFFD;
inline constexpr uint32_t kDifSect = 0xFFFFFFFC;
// Directory id meaning "no entry".
inline constexpr uint32_t kNoStream = 0xFFFFFFFF;

// Header fields (offsets into the 512-byte header).
inline constexpr uint32_t kHeaderSectorShift = 0x1E;      // u16, must be 9
inline constexpr uint32_t kHeaderMiniSectorShift = 0x20;  // u16, must be 6
inline constexpr uint32_t kHeaderFatSectors = 0x2C;       // u32, at least 1
inline constexpr uint32_t kHeaderFirstDirSector = 0x30;   // u32
inline constexpr uint32_t kHeaderMiniCutoff = 0x38;       // u32, smaller streams are small
inline constexpr uint32_t kHeaderFirstMiniFat = 0x3C;     // u32
inline constexpr uint32_t kHeaderMiniFatSectors = 0x40;   // u32
inline constexpr uint32_t kHeaderFirstDifat = 0x44;       // u32
inline constexpr uint32_t kHeaderDifatSectors = 0x48;     // u32
inline constexpr uint32_t kHeaderDifat = 0x4C;            // 109 x u32
inline constexpr uint16_t kRequiredSectorShift = 9;
inline constexpr uint16_t kRequiredMiniSectorShift = 6;

// Directory entry fields (offsets into one 128-byte entry).
inline constexpr uint32_t kEntryName = 0x00;         // 32 UTF-16LE units, NUL-terminated
inline constexpr uint32_t kEntryNameUnits = 32;
inline constexpr uint32_t kEntryObjectType = 0x42;   // u8
inline constexpr uint32_t kEntryLeftSibling = 0x44;  // u32
inline constexpr uint32_t kEntryRightSibling = 0x48; // u32
inline constexpr uint32_t kEntryChild = 0x4C;        // u32
inline constexpr uint32_t kEntryStartSector = 0x74;  // u32
inline constexpr uint32_t kEntryStreamSize = 0x78;   // u32 (the high half at 0x7C is ignored)

// Object types.
inline constexpr uint8_t kTypeStorage = 1;
inline constexpr uint8_t kTypeStream = 2;
inline constexpr uint8_t kTypeRoot = 5;

}  // namespace qv::cfb
