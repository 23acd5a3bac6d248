// Where the bytes of one compound-file stream lie in the file (or in a memory image), so
// that a repair can overwrite a few of them in place after the stream was read whole.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace qv {

struct DocFile;
struct WorkArea;

namespace ppt {

struct StreamPlacement {
  std::vector<uint32_t> chain;      // sector ids of the stream in order
  bool mini = false;                // 64-byte mini sectors inside the mini stream
  std::vector<uint32_t> rootChain;  // sectors of the mini stream (for a mini stream)
  uint32_t size = 0;                // bytes of the stream covered by the chain and its size

  struct Run {
    uint64_t fileOffset;
    uint32_t length;  // contiguous bytes from there (to the end of the sector or the stream)
  };
  // The file offset of stream byte `at`; nothing outside the chain.
  std::optional<Run> Locate(uint32_t at) const;
};

// Opens entry `id` of `doc`, reads up to `limit` bytes of it into `bytes` and notes where
// they lie. False when the stream cannot be opened or read.
bool ReadPlacedStream(DocFile& doc, uint32_t id, uint32_t limit, std::vector<uint8_t>& bytes,
                      StreamPlacement& placement);

// Writes `length` bytes at stream offset `at` of a placed stream into the document file of
// `area`. True when every byte was written.
bool WritePlaced(WorkArea& area, const StreamPlacement& placement, uint32_t at, const uint8_t* bytes, uint32_t length);

// Zero-fills every byte of a placed stream in a memory image of its file; false when a piece
// lies outside the image.
bool ZeroPlaced(std::vector<uint8_t>& image, const StreamPlacement& placement);

}  // namespace ppt
}  // namespace qv
