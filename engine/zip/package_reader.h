// Reading a package: its entries in archive order and the checked, streamed content of one.
#pragma once

#include <minizip/unzip.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "engine/platform/platform.h"
#include "engine/zip/package_io.h"

namespace qv::zip {

// What the central directory says about one entry.
struct EntryInfo {
  std::string name;               // the stored name bytes (UTF-8 in Open XML packages)
  uint64_t size = 0;              // declared uncompressed size
  uint64_t compressedSize = 0;    // declared stored size
  uint32_t crc = 0;
  uint16_t flag = 0;              // general purpose bit flag
  uint16_t method = 0;
  uint16_t versionMadeBy = 0;
  uint16_t internalAttributes = 0;
  uint32_t externalAttributes = 0;
};

// Receives an entry's bytes chunk by chunk; answers false to stop the read (which then fails).
using ChunkSink = std::function<bool(const uint8_t* bytes, size_t length)>;

class PackageReader {
 public:
  // Opens the file at `path` as a zip archive; nullptr when it is not one or cannot be read.
  static std::unique_ptr<PackageReader> Open(const std::u16string& path);
  ~PackageReader();
  PackageReader(const PackageReader&) = delete;
  PackageReader& operator=(const PackageReader&) = delete;

  // Moves to the first / next entry in archive order. False at the end of the list and on a
  // damaged directory; AtEnd() tells the two apart.
  bool First();
  bool Next();
  bool AtEnd() const { return atEnd_; }

  // The entry the reader is at; nullopt when its directory record cannot be read.
  std::optional<EntryInfo> Current();

  // Streams the current entry's content to `sink`. True only when exactly `info.size` bytes
  // came out, none of them after `maxBytes`, and their checksum matched: a damaged, encrypted
  // or truncated entry, or one in an unknown method, is never passed off as complete.
  bool ReadCurrent(const EntryInfo& info, uint64_t maxBytes, const ChunkSink& sink);

 private:
  explicit PackageReader(platform::File file) : file_(std::move(file)) {}
  bool Moved(int code);

  platform::File file_;
  PackageStream stream_;
  unzFile archive_ = nullptr;
  bool atEnd_ = false;
};

// Visits the entries in archive order, at most `cap` of them, until `visit` answers false.
// Answers true when the walk reached the end of the list or was stopped by `visit`; false on
// a damaged directory or when the cap was hit first.
bool ForEachEntry(PackageReader& reader, uint64_t cap, const std::function<bool(const EntryInfo&)>& visit);

}  // namespace qv::zip
