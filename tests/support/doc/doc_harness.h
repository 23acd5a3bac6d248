// Opens built bytes the way the engine opens a document: a temporary file holding them, a
// WorkArea with it open for reading and writing, a fresh DocFile, and in memory mode an
// image of exactly the file's size (so that AddressSanitizer sees any read past it).
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <vector>

#include "engine/common/work_area.h"
#include "engine/storage/doc_file.h"

namespace qv::test {

enum class ReadMode { File, Memory };
inline void PrintTo(ReadMode mode, std::ostream* os) { *os << (mode == ReadMode::File ? "file" : "memory"); }

class DocHarness {
 public:
  DocHarness();
  DocHarness(const std::vector<uint8_t>& bytes, ReadMode mode);
  ~DocHarness();
  DocHarness(const DocHarness&) = delete;
  DocHarness& operator=(const DocHarness&) = delete;

  // Replaces the document with `bytes` (any earlier DocFile is released). False when the
  // file or the memory image cannot be set up.
  bool Load(const uint8_t* bytes, size_t size, ReadMode mode);

  DocFile& doc() { return *doc_; }
  WorkArea& area() { return *area_; }
  int Open() { return OpenCompoundFile(*doc_); }
  // The document file's bytes as they are on disk now.
  std::vector<uint8_t> DiskBytes() const;
  // OpenStream, one ReadStream of the entry's size, CloseStream; nullopt when the open fails.
  std::optional<std::vector<uint8_t>> ReadWhole(uint32_t id);

 private:
  void Release();
  std::filesystem::path path_;
  std::unique_ptr<WorkArea> area_;
  DocFile* doc_ = nullptr;
};

}  // namespace qv::test
