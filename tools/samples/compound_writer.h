// Writes compound files (version 3, 512-byte sectors): storages and streams by path, small
// streams in the mini stream, each storage's children in a red-black tree in the format's
// name order, FAT and mini FAT chains laid out front to back. Files up to 109 FAT sectors
// (about 7 MB), which is far more than a sample needs.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/samples/byte_sink.h"

namespace qv::samples {

class CompoundWriter {
 public:
  // Adds a stream; "Macros/VBA/dir" creates the storages on its way. Names are ASCII, at
  // most 31 characters. Throws std::invalid_argument for a bad or repeated path.
  void AddStream(std::string_view path, Bytes bytes);
  // The class identifier of a storage ("" for the root).
  void SetClassId(std::string_view storagePath, const std::array<uint8_t, 16>& clsid);
  Bytes Finish() const;

 private:
  struct Node {
    std::string name;
    bool storage = false;
    Bytes bytes;
    std::array<uint8_t, 16> clsid{};
    std::vector<size_t> children;  // node indexes
  };
  size_t Storage(std::string_view path);
  size_t Child(size_t parent, std::string_view name, bool storage);
  std::vector<Node> nodes_{Node{"Root Entry", true, {}, {}, {}}};
};

}  // namespace qv::samples
