// Layout of qzmacro.vlb: a plain 256-byte header for people, then the body enciphered with
// RC4. The deciphered body starts with a 128-byte header; the pattern and rule sections
// follow, each covered by its own CRC-32. All integers are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv::vlb {

// ---- plain file header ---------------------------------------------------------------------
inline constexpr size_t kFileHeaderBytes = 256;
inline constexpr size_t kFileMarkOffset = 0;        // CD 20 CR LF "QZDATA.VLB" 1A 1A
inline constexpr uint8_t kFileMark[16] = {0xCD, 0x20, 0x0D, 0x0A, 'Q', 'Z', 'D', 'A',
                                          'T',  'A',  '.',  'V',  'L', 'B', 0x1A, 0x1A};
inline constexpr size_t kFileUnusedOffset = 20;     // 32-bit value not read by the engine
inline constexpr size_t kFileSizeOffset = 24;
inline constexpr size_t kFileTimeOffset = 48;       // SYSTEMTIME, eight 16-bit fields
inline constexpr size_t kFileBannerOffset = 64;     // ASCII, zero-padded to 256
inline constexpr size_t kFileBannerBytes = kFileHeaderBytes - kFileBannerOffset;

// ---- deciphered body header ----------------------------------------------------------------
inline constexpr size_t kBodyHeaderBytes = 128;
inline constexpr uint8_t kBodyMagic[4] = {'Q', 'D', 'L', 'B'};
inline constexpr uint32_t kFormatVersion = 0x00010000;
inline constexpr size_t kMagicOffset = 0;
inline constexpr size_t kVersionOffset = 4;
inline constexpr size_t kVersion2Offset = 8;
inline constexpr size_t kBuildTimeOffset = 12;      // FILETIME, 64-bit
inline constexpr size_t kTotalSizeOffset = 20;
inline constexpr size_t kPatternOffsetOffset = 24;
inline constexpr size_t kPatternSizeOffset = 28;
inline constexpr size_t kPatternCountOffset = 32;
inline constexpr size_t kRuleOffsetOffset = 36;
inline constexpr size_t kRuleSizeOffset = 40;
inline constexpr size_t kRuleCountOffset = 44;
inline constexpr size_t kHeaderCrcOffset = 116;     // CRC-32 of body bytes 0-115
inline constexpr size_t kPatternCrcOffset = 120;
inline constexpr size_t kRuleCrcOffset = 124;

// ---- records -------------------------------------------------------------------------------
inline constexpr size_t kPatternFixedBytes = 24;    // id, flags, record size, lengths, reserved
inline constexpr size_t kRuleFixedBytes = 12;       // id, flags, name length
inline constexpr size_t kRuleExpressionLengthBytes = 4;

inline constexpr uint32_t kPatternFlagPresent = 1;  // set in every record, not tested
inline constexpr uint32_t kPatternFlagCase = 2;     // compare case-sensitively
inline constexpr uint32_t kPatternFlagUtf16 = 4;    // also look for the UTF-16 form
inline constexpr uint32_t kRuleFlagEnabled = 1;

}  // namespace qv::vlb
