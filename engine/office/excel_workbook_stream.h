// The "Workbook" stream of the open document as the workbook handlers use it: a copy in a
// registered heap block to walk, and in-place writes back into the stream.
#pragma once

#include <cstdint>

#include "engine/common/byte_reader.h"

namespace qv {

struct DocFile;

// A copy of the readable part of the "Workbook" stream (at most cap::kWorkbookCopyBytes),
// optionally followed by a zero-filled visit map of one bit per stream byte. The block is
// registered, so an abandoned document cannot leak it; the destructor frees it. The stream
// is closed again once the copy is made.
class WorkbookCopy {
 public:
  WorkbookCopy(DocFile& doc, bool withVisitMap);
  ~WorkbookCopy();
  WorkbookCopy(const WorkbookCopy&) = delete;
  WorkbookCopy& operator=(const WorkbookCopy&) = delete;

  // False when there is no "Workbook" stream, it cannot be opened or the block is lacking.
  bool ok() const { return block_ != nullptr; }
  uint8_t* bytes() { return block_; }
  uint32_t size() const { return size_; }
  ByteReader reader() const { return ByteReader(block_, size_); }
  // (size() + 7) / 8 zero bytes, or null when not asked for.
  uint8_t* visitMap() { return visitMap_; }
  uint32_t entryId() const { return entryId_; }

 private:
  DocFile& doc_;
  uint8_t* block_ = nullptr;
  uint8_t* visitMap_ = nullptr;
  uint32_t size_ = 0;
  uint32_t entryId_ = 0;
};

// Where the changes of a workbook clean-up go besides the copy.
class WorkbookSink {
 public:
  // Writes `length` bytes at stream offset `offset`; false when not all were written.
  virtual bool Write(uint32_t offset, const uint8_t* bytes, uint32_t length) = 0;

 protected:
  ~WorkbookSink() = default;
};

// Writes into the "Workbook" stream of the document on disk: the stream is opened for the
// clean-up and closed when the sink goes.
class WorkbookStreamSink final : public WorkbookSink {
 public:
  WorkbookStreamSink(DocFile& doc, uint32_t entryId);
  ~WorkbookStreamSink();
  WorkbookStreamSink(const WorkbookStreamSink&) = delete;
  WorkbookStreamSink& operator=(const WorkbookStreamSink&) = delete;
  bool opened() const { return opened_; }
  bool Write(uint32_t offset, const uint8_t* bytes, uint32_t length) override;

 private:
  DocFile& doc_;
  bool opened_ = false;
};

}  // namespace qv
