#include "engine/zip/package_writer.h"

#include <zlib.h>

#include "engine/common/capacities.h"
#include "engine/zip/entry_rules.h"

namespace qv::zip {
namespace {

constexpr uLong kUtf8NamesFlag = 0x0800;
// Entries this close to 4 GiB get the 64-bit layout, so that neither size can overflow.
constexpr uint64_t kLargeEntryBytes = 0xFFFFFFFFull - 0x100000;

zip_fileinfo FileInfoOf(const NewEntry& entry) {
  zip_fileinfo info{};
  info.tmz_date.tm_sec = static_cast<uInt>(entry.time.second);
  info.tmz_date.tm_min = static_cast<uInt>(entry.time.minute);
  info.tmz_date.tm_hour = static_cast<uInt>(entry.time.hour);
  info.tmz_date.tm_mday = static_cast<uInt>(entry.time.day);
  info.tmz_date.tm_mon = static_cast<uInt>(entry.time.month > 0 ? entry.time.month - 1 : 0);
  info.tmz_date.tm_year = static_cast<uInt>(entry.time.year);
  info.internal_fa = entry.internalAttributes;
  info.external_fa = entry.externalAttributes;
  return info;
}

}  // namespace

std::unique_ptr<PackageWriter> PackageWriter::Create(platform::File file) {
  std::unique_ptr<PackageWriter> writer(new PackageWriter(std::move(file)));
  writer->stream_.file = &writer->file_;
  zlib_filefunc64_def functions = PackageFileFunctions(writer->stream_);
  writer->archive_ = zipOpen2_64(kStreamName, APPEND_STATUS_CREATE, nullptr, &functions);
  if (writer->archive_ == nullptr) return nullptr;
  return writer;
}

PackageWriter::~PackageWriter() {
  if (archive_ != nullptr) zipClose(archive_, nullptr);  // frees minizip's state
}

bool PackageWriter::BeginEntry(const NewEntry& entry) {
  if (archive_ == nullptr || entryOpen_ || failed_) return false;
  // minizip takes names as C strings: a name with a zero byte cannot be written faithfully.
  if (entry.name.find('\0') != std::string::npos) return false;
  const zip_fileinfo info = FileInfoOf(entry);
  const int method = entry.stored ? 0 : Z_DEFLATED;
  const uLong flags = HasNonAsciiBytes(entry.name) ? kUtf8NamesFlag : 0;
  const int large = entry.sizeHint >= kLargeEntryBytes ? 1 : 0;
  const int opened = zipOpenNewFileInZip4_64(archive_, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                             method, cap::kDeflateLevel, 0, -MAX_WBITS, DEF_MEM_LEVEL,
                                             Z_DEFAULT_STRATEGY, nullptr, 0, entry.versionMadeBy, flags, large);
  entryOpen_ = opened == ZIP_OK;
  failed_ = !entryOpen_;
  return entryOpen_;
}

bool PackageWriter::Write(const uint8_t* bytes, size_t length) {
  if (!entryOpen_ || failed_) return false;
  while (length > 0) {
    const size_t piece = length < cap::kPackageCopyChunk ? length : cap::kPackageCopyChunk;
    if (zipWriteInFileInZip(archive_, bytes, static_cast<unsigned>(piece)) != ZIP_OK || stream_.failed) {
      failed_ = true;
      return false;
    }
    bytes += piece;
    length -= piece;
  }
  return true;
}

bool PackageWriter::EndEntry() {
  if (!entryOpen_) return false;
  entryOpen_ = false;
  if (zipCloseFileInZip(archive_) != ZIP_OK || stream_.failed) failed_ = true;
  return !failed_;
}

bool PackageWriter::Finish() {
  if (archive_ == nullptr || entryOpen_) return false;
  const int closed = zipClose(archive_, nullptr);
  archive_ = nullptr;
  const bool written = closed == ZIP_OK && !failed_ && !stream_.failed;
  const bool flushed = file_.Flush();
  file_.Close();
  return written && flushed;
}

}  // namespace qv::zip
