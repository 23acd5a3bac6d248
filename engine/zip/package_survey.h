// A look at a package's own bookkeeping before anything is inflated: the end record, every
// central directory record and the local header each one points at, read through the
// checked reader. It tells whether the walk could see every entry, whether entries share
// bytes or disagree with their local headers (a package that must not be rebuilt), and
// which entries are VBA project parts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/platform/platform.h"

namespace qv::zip {

struct PackageSurvey {
  bool readable = false;    // an end record and a central directory that could be read
  bool complete = false;    // every listed entry was looked at: no cap stopped the walk
  bool consistent = false;  // no two entries share bytes, every local header agrees with its record
  uint64_t entries = 0;     // records looked at
  uint64_t declaredBytes = 0;                // sum of the declared uncompressed sizes looked at
  std::vector<std::string> projectEntries;   // names of every project part, in archive order
};

// Reads the package's end record and central directory from `file`. At most
// cap::kMaxPackageEntries records and cap::kMaxCentralDirectoryBytes of directory are looked
// at; past either the survey is not complete.
PackageSurvey SurveyPackage(platform::File& file);

// The layout of the records the survey reads (offsets inside each record).
namespace layout {
inline constexpr uint32_t kEndSignature = 0x06054B50;
inline constexpr uint32_t kEndBytes = 22;
inline constexpr uint32_t kEndEntries = 10;            // u16 total entries
inline constexpr uint32_t kEndDirectorySize = 12;      // u32
inline constexpr uint32_t kEndDirectoryOffset = 16;    // u32
inline constexpr uint32_t kZip64LocatorSignature = 0x07064B50;
inline constexpr uint32_t kZip64LocatorBytes = 20;
inline constexpr uint32_t kZip64LocatorEndOffset = 8;  // u64 offset of the zip64 end record
inline constexpr uint32_t kZip64EndSignature = 0x06064B50;
inline constexpr uint32_t kZip64EndBytes = 56;
inline constexpr uint32_t kZip64EndEntries = 32;       // u64 total entries
inline constexpr uint32_t kZip64EndDirectorySize = 40; // u64
inline constexpr uint32_t kZip64EndDirectoryOffset = 48;
inline constexpr uint32_t kCentralSignature = 0x02014B50;
inline constexpr uint32_t kCentralBytes = 46;
inline constexpr uint32_t kCentralMethod = 10;
inline constexpr uint32_t kCentralCompressedSize = 20;
inline constexpr uint32_t kCentralSize = 24;
inline constexpr uint32_t kCentralNameLength = 28;
inline constexpr uint32_t kCentralExtraLength = 30;
inline constexpr uint32_t kCentralCommentLength = 32;
inline constexpr uint32_t kCentralLocalOffset = 42;
inline constexpr uint32_t kLocalSignature = 0x04034B50;
inline constexpr uint32_t kLocalBytes = 30;
inline constexpr uint32_t kLocalMethod = 8;
inline constexpr uint32_t kLocalNameLength = 26;
inline constexpr uint32_t kLocalExtraLength = 28;
inline constexpr uint16_t kZip64ExtraId = 0x0001;
}  // namespace layout

}  // namespace qv::zip
