// Record layout of a PowerPoint 97-2003 presentation ([MS-PPT] 2.3): every record starts with
// an 8-byte header; containers (version 0xF) hold further records, atoms hold fields.
#pragma once

#include <cstdint>

namespace qv::ppt {

inline constexpr uint32_t kRecordHeaderBytes = 8;
// Record header fields.
inline constexpr uint32_t kHeaderVersionInstance = 0;  // u16: version (low 4 bits), instance (high 12)
inline constexpr uint32_t kHeaderType = 2;             // u16
inline constexpr uint32_t kHeaderLength = 4;           // u32: body length
inline constexpr uint16_t kContainerVersion = 0xF;

// Record types.
inline constexpr uint16_t kTypeDocument = 0x03E8;             // DocumentContainer
inline constexpr uint16_t kTypeVbaInfo = 0x03FF;              // VBAInfoContainer
inline constexpr uint16_t kTypeVbaInfoAtom = 0x0400;          // VBAInfoAtom
inline constexpr uint16_t kTypeList = 0x07D0;                 // DocInfoListContainer
inline constexpr uint16_t kTypeUserEditAtom = 0x0FF5;
inline constexpr uint16_t kTypeCurrentUserAtom = 0x0FF6;
inline constexpr uint16_t kTypeExOleObjStg = 0x1011;          // ExOleObjStg (embedded storage)
inline constexpr uint16_t kTypePersistDirectoryAtom = 0x1772;
// ExOleObjStg instance 1: body = u32 uncompressed size, then a zlib stream.
inline constexpr uint16_t kInstanceCompressed = 1;
inline constexpr uint32_t kCompressedSizeField = 4;

// CurrentUserAtom body (stream "Current User").
inline constexpr uint32_t kCurrentUserSize = 0;            // u32, 0x14
inline constexpr uint32_t kCurrentUserHeaderToken = 4;     // u32
inline constexpr uint32_t kCurrentUserOffsetToEdit = 8;    // u32: UserEditAtom in "PowerPoint Document"
inline constexpr uint32_t kCurrentUserMinBody = 12;
inline constexpr uint32_t kTokenPlain = 0xE391C05F;
inline constexpr uint32_t kTokenEncrypted = 0xF3D1C4DF;

// UserEditAtom body.
inline constexpr uint32_t kEditOffsetLastEdit = 8;         // u32: the previous edit, 0 for none
inline constexpr uint32_t kEditOffsetPersistDirectory = 12;  // u32
inline constexpr uint32_t kEditDocPersistIdRef = 16;       // u32
inline constexpr uint32_t kEditMinBody = 0x1C;

// PersistDirectoryEntry: u32 (persistId: low 20 bits, cPersist: high 12 bits), then cPersist
// u32 stream offsets for the ids persistId, persistId + 1, ...
inline constexpr uint32_t kPersistIdMask = 0xFFFFF;
inline constexpr uint32_t kPersistCountShift = 20;

// VBAInfoAtom body.
inline constexpr uint32_t kVbaInfoPersistIdRef = 0;        // u32: the ExOleObjStg of the project
inline constexpr uint32_t kVbaInfoHasMacros = 4;           // u32: 1 when the project has macros
inline constexpr uint32_t kVbaInfoBody = 12;

}  // namespace qv::ppt
