// Word 6.0/95 documents: a compound file whose "WordDocument" stream holds the FIB, the
// document text and the macro table with its WordBasic macros (descriptors, names, texts).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "writers/common/byte_sink.h"

namespace qv::writers {

struct WordBasicMacroText {
  std::string name;   // as the macro table's name record gives it
  uint8_t key = 0;    // stored text = text XOR key when the key is not zero
  Bytes text;         // the macro's text before it is keyed
};

struct Word6Document {
  std::string text;                       // ASCII, one paragraph
  std::vector<WordBasicMacroText> macros; // empty: a macro table without descriptors
  uint16_t wIdent = 0xA5DC;
};

// Where the parts of the "WordDocument" stream lie, for tests that damage or check them.
struct Word6Stream {
  Bytes bytes;
  uint32_t tableOffset = 0;                // FIB 0x118
  uint32_t tableLength = 0;                // FIB 0x11C
  std::vector<uint32_t> textOffsets;       // each macro's stored text
};

namespace word6 {
inline constexpr size_t kMacroTableOffset = 0x118;
inline constexpr size_t kMacroTableLength = 0x11C;
inline constexpr size_t kDescriptorsAt = 4;       // table offset of the first descriptor
inline constexpr size_t kDescriptorBytes = 24;
inline constexpr size_t kDescriptorKey = 1;
inline constexpr size_t kDescriptorMarker = 6;  // 0xFFFF: the list goes on to the next descriptor
inline constexpr size_t kDescriptorTextLength = 12;
inline constexpr size_t kDescriptorTextOffset = 20;
}  // namespace word6

Word6Stream BuildWord6Stream(const Word6Document& document);
// The compound file around BuildWord6Stream's stream.
Bytes BuildWord6Document(const Word6Document& document);

}  // namespace qv::writers
