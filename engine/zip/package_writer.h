// Writing a new package entry by entry into a file the engine created.
#pragma once

#include <minizip/zip.h>

#include <cstdint>
#include <memory>
#include <string>

#include "engine/platform/platform.h"
#include "engine/zip/package_io.h"

namespace qv::zip {

struct NewEntry {
  std::string name;               // stored as given; marked UTF-8 when not plain ASCII
  bool stored = false;            // true: no compression; false: deflate
  uint64_t sizeHint = 0;          // expected content size (selects the large-entry layout)
  uint16_t versionMadeBy = 0;
  uint16_t internalAttributes = 0;
  uint32_t externalAttributes = 0;
  platform::LocalTime time;
};

class PackageWriter {
 public:
  // Starts an empty archive in `file` (open for writing, empty). nullptr on failure.
  static std::unique_ptr<PackageWriter> Create(platform::File file);
  // Abandons an unfinished archive; the caller removes the file.
  ~PackageWriter();
  PackageWriter(const PackageWriter&) = delete;
  PackageWriter& operator=(const PackageWriter&) = delete;

  bool BeginEntry(const NewEntry& entry);
  bool Write(const uint8_t* bytes, size_t length);
  bool EndEntry();
  // Writes the central directory, flushes the file to disk and closes it. True only when
  // every byte of the archive was written.
  bool Finish();

 private:
  explicit PackageWriter(platform::File file) : file_(std::move(file)) {}

  platform::File file_;
  PackageStream stream_;
  zipFile archive_ = nullptr;
  bool entryOpen_ = false;
  bool failed_ = false;
};

}  // namespace qv::zip
