// The document open in a work area: a file on disk, or a part held in memory (the VBA project
// part of a package, which then never touches the disk). Both are read and written alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "engine/platform/platform.h"

namespace qv {

// A document held in memory. Repairs overwrite its bytes in place; deleting it only marks it.
struct MemoryPart {
  std::vector<uint8_t> bytes;
  bool deleted = false;
};

class DocumentFile {
 public:
  DocumentFile(platform::File file) : file_(std::move(file)) {}  // NOLINT: an open file is a document
  explicit DocumentFile(std::shared_ptr<MemoryPart> part) : part_(std::move(part)) {}

  // Number of bytes moved; short at the end. A part in memory never grows: a write past its
  // end moves only the bytes that fit.
  size_t ReadAt(uint64_t offset, void* buffer, size_t length) const;
  size_t WriteAt(uint64_t offset, const void* buffer, size_t length);
  uint64_t Size() const;
  // Puts what was written on disk (a part in memory has nothing to flush).
  bool Flush() { return part_ || file_.Flush(); }
  void Close();
  // Access of a file on disk, changed only through the open file. A part in memory is never
  // read-only and has no identity of its own.
  bool IsReadOnly() const { return !part_ && file_.IsReadOnly(); }
  bool SetReadOnly(bool readOnly) { return part_ ? !readOnly : file_.SetReadOnly(readOnly); }
  std::optional<std::pair<uint64_t, uint64_t>> Identity() const {
    return part_ ? std::nullopt : file_.Identity();
  }
  // The part in memory, or null for a file on disk.
  MemoryPart* InMemory() const { return part_.get(); }

 private:
  platform::File file_;
  std::shared_ptr<MemoryPart> part_;
};

}  // namespace qv
