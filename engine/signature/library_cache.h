// The signature tables of one engine session, kept between calls while qzmacro.vlb stays
// the same. Every call looks at the file: a missing file is told as such at once, and a
// replaced one is built on the very next call. The content is read and compared unless the
// file's stamp (identity, size, times) is the one of the last read and its last change lies
// well before that read.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/platform/platform.h"
#include "engine/signature/signature_set.h"
#include "engine/signature/signature_tables.h"

namespace qv {

// Result of LibraryCache::Acquire beside kLibraryLoaded, kLibraryMissing and kLibraryNoMemory.
inline constexpr int kLibraryUnusable = -3;  // "Macro scan engine initialize failed \n"

class LibraryCache {
 public:
  // Reads the library file at `path`. When its bytes are those the kept tables were built
  // from, answers kLibraryLoaded with those tables; otherwise deciphers, parses and builds
  // anew. kLibraryMissing and kLibraryNoMemory as LoadLibraryFile, kLibraryUnusable when the
  // bytes do not make a library; in every failure nothing stays kept. The tables stay owned
  // by the cache and must not be used by two scans at once.
  int Acquire(const std::u16string& path, ReportFn report, SignatureTables*& tables);
  // How many times tables were built (for tests and benchmarks).
  uint64_t Builds() const { return builds_; }
  // How many times the file's content was read.
  uint64_t Reads() const { return reads_; }

 private:
  std::vector<uint8_t> builtFrom_;  // the file's bytes behind tables_
  std::vector<uint8_t> image_;      // this call's read of the file
  std::unique_ptr<SignatureTables> tables_;
  // The file's stamp when builtFrom_ was read, kept only when that stamp can be trusted.
  std::optional<platform::FileStamp> stamp_;
  uint64_t builds_ = 0;
  uint64_t reads_ = 0;
};

}  // namespace qv
