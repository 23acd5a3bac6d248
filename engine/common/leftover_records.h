// Temporary files the engine makes outside the quarantine folder (a rebuilt package beside
// its document) are recorded in the quarantine's in-progress folder for as long as they
// exist, so that a run killed before removing one has the next run remove it, and only it:
// a record names the path and, once the file exists, its identity.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/common/byte_reader.h"

namespace qv {

// Record layout (little-endian): 4 units n, 2n path (UTF-16 units), 1 identity flag (0/1),
// then with the flag 8 device, 8 file number.
struct LeftoverRecordContent {
  std::u16string path;
  std::optional<std::pair<uint64_t, uint64_t>> identity;
};
std::vector<uint8_t> SerializeLeftoverRecord(const LeftoverRecordContent& content);
std::optional<LeftoverRecordContent> ParseLeftoverRecord(ByteReader bytes);

// One recorded temporary file. Made before the file is created; told its identity after; the
// record goes when this object does (the owner has removed or kept the file by then).
class LeftoverRecord {
 public:
  // Nullopt when the record cannot be written: the file must then not be made.
  static std::optional<LeftoverRecord> Before(const std::u16string& quarantineDir, const std::u16string& path);
  LeftoverRecord(LeftoverRecord&& other) noexcept : record_(std::move(other.record_)), path_(std::move(other.path_)) {
    other.record_.clear();
  }
  LeftoverRecord& operator=(LeftoverRecord&&) = delete;
  LeftoverRecord(const LeftoverRecord&) = delete;
  LeftoverRecord& operator=(const LeftoverRecord&) = delete;
  ~LeftoverRecord();
  // The file now exists: its identity goes into the record.
  void Created();

 private:
  LeftoverRecord(std::u16string record, std::u16string path) : record_(std::move(record)), path_(std::move(path)) {}
  std::u16string record_, path_;
};

// Removes what records in this quarantine folder name (a file of the recorded identity; a
// still empty file when the run died before the identity was written), then the records.
// Called with the quarantine's lock held. Answers the files removed.
std::vector<std::u16string> RemoveRecordedLeftovers(const std::u16string& quarantineDir);

}  // namespace qv
