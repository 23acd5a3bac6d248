#include "engine/zip/package_reader.h"

#include <vector>

#include "engine/common/capacities.h"

namespace qv::zip {
namespace {

constexpr uint16_t kEncryptedFlag = 0x0001;

}  // namespace

std::unique_ptr<PackageReader> PackageReader::Open(const std::u16string& path) {
  auto file = platform::File::OpenRead(path);
  if (!file) return nullptr;
  std::unique_ptr<PackageReader> reader(new PackageReader(std::move(*file)));
  reader->stream_.file = &reader->file_;
  zlib_filefunc64_def functions = PackageFileFunctions(reader->stream_);
  reader->archive_ = unzOpen2_64(kStreamName, &functions);
  if (reader->archive_ == nullptr) return nullptr;
  return reader;
}

PackageReader::~PackageReader() {
  if (archive_ != nullptr) unzClose(archive_);
}

bool PackageReader::Moved(int code) {
  atEnd_ = code == UNZ_END_OF_LIST_OF_FILE;
  return code == UNZ_OK;
}

bool PackageReader::First() { return Moved(unzGoToFirstFile(archive_)); }
bool PackageReader::Next() { return Moved(unzGoToNextFile(archive_)); }

std::optional<EntryInfo> PackageReader::Current() {
  unz_file_info64 raw{};
  if (unzGetCurrentFileInfo64(archive_, &raw, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return std::nullopt;
  EntryInfo info;
  info.name.resize(raw.size_filename);  // a 16-bit field: at most 65,535 bytes
  if (!info.name.empty() &&
      unzGetCurrentFileInfo64(archive_, &raw, info.name.data(), static_cast<uLong>(info.name.size()), nullptr, 0,
                              nullptr, 0) != UNZ_OK) {
    return std::nullopt;
  }
  info.size = raw.uncompressed_size;
  info.compressedSize = raw.compressed_size;
  info.crc = static_cast<uint32_t>(raw.crc);
  info.flag = static_cast<uint16_t>(raw.flag);
  info.method = static_cast<uint16_t>(raw.compression_method);
  info.versionMadeBy = static_cast<uint16_t>(raw.version);
  info.internalAttributes = static_cast<uint16_t>(raw.internal_fa);
  info.externalAttributes = static_cast<uint32_t>(raw.external_fa);
  return info;
}

bool PackageReader::ReadCurrent(const EntryInfo& info, uint64_t maxBytes, const ChunkSink& sink) {
  if (info.size > maxBytes || (info.flag & kEncryptedFlag) != 0) return false;
  if (unzOpenCurrentFile(archive_) != UNZ_OK) return false;
  std::vector<uint8_t> chunk(cap::kPackageCopyChunk);
  uint64_t total = 0;
  bool intact = true;
  for (;;) {
    const int got = unzReadCurrentFile(archive_, chunk.data(), static_cast<unsigned>(chunk.size()));
    if (got == 0) break;
    if (got < 0 || static_cast<uint64_t>(got) > info.size - total) {
      intact = false;
      break;
    }
    total += static_cast<uint64_t>(got);
    if (!sink(chunk.data(), static_cast<size_t>(got))) {
      intact = false;
      break;
    }
  }
  // The checksum is only checked once every declared byte was read, so the count comes first.
  const int closed = unzCloseCurrentFile(archive_);
  return intact && total == info.size && closed == UNZ_OK;
}

bool ForEachEntry(PackageReader& reader, uint64_t cap, const std::function<bool(const EntryInfo&)>& visit) {
  bool more = reader.First();
  for (uint64_t seen = 0; more; ++seen) {
    if (seen == cap) return false;
    const auto info = reader.Current();
    if (!info) return false;
    if (!visit(*info)) return true;
    more = reader.Next();
  }
  return reader.AtEnd();
}

}  // namespace qv::zip
