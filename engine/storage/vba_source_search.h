// The candidate search of the module pass: finds, inside the bytes of one stream, the
// compressed container whose text begins with "Attribute".
#pragma once

#include <cstdint>
#include <span>

#include "engine/common/byte_reader.h"

namespace qv {

inline constexpr char kModuleSourceTag[] = "Attribute";  // every module source begins so
inline constexpr size_t kModuleSourceTagBytes = sizeof kModuleSourceTag - 1;

// True when a container may start at `position`: a signature byte 0x01 followed by a chunk
// header whose second byte carries signature 0b011 and the compressed flag. Needs three
// bytes after the position (the last byte of a stream is never part of a candidate).
bool IsContainerCandidate(ByteReader stream, size_t position);

// Searches `stream` (the stream's bytes as far as they could be read; `streamSize` is the
// size its directory entry gives) for module source and leaves the chosen candidate's text
// in `text`, zeros after it. Answers the length of the text to judge, 0 when there is
// nothing to judge:
//  - the first candidate whose text begins with "Attribute" gives its decompressed length;
//    when its decompression stopped with an error, the partial text is still judged with
//    streamSize, at most text.size(), as the length;
//  - without such a candidate, the last candidate gives its length when it decompressed
//    without error, else 0; a stream without candidates gives 0.
uint32_t FindModuleSource(ByteReader stream, uint32_t streamSize, std::span<uint8_t> text);

}  // namespace qv
