// Queries and edits of a built compound file.
#include <algorithm>
#include <stdexcept>

#include "writers/cfb/compound_writer.h"

namespace qv::writers {

using namespace cfbc;

uint32_t CfbFile::IdOf(std::string_view path) const {
  for (uint32_t id = 0; id < entries.size(); ++id) {
    if (entries[id].path == path) return id;
  }
  throw std::invalid_argument("no entry " + std::string(path));
}

uint64_t CfbFile::EntryOffset(uint32_t id) const {
  if (id / 4 >= directorySectors.size()) throw std::out_of_range("entry beyond the directory");
  return SectorOffset(directorySectors[id / 4]) + (id % 4) * 128;
}

std::vector<ByteRange> CfbFile::StreamRanges(uint32_t id) const {
  const Entry& entry = entries.at(id);
  std::vector<ByteRange> ranges;
  const uint32_t unit = entry.mini ? kMiniSector : kSector;
  for (size_t i = 0; i < entry.sectors.size(); ++i) {
    const uint64_t length = std::min<uint64_t>(unit, entry.size - i * unit);
    uint64_t offset = SectorOffset(entry.sectors[i]);
    if (entry.mini) {
      const uint64_t inMiniStream = static_cast<uint64_t>(entry.sectors[i]) * kMiniSector;
      offset = SectorOffset(miniStreamSectors.at(inMiniStream / kSector)) + inMiniStream % kSector;
    }
    ranges.push_back({offset, length});
  }
  return ranges;
}

std::vector<uint8_t> CfbFile::StreamBytes(uint32_t id) const {
  std::vector<uint8_t> out;
  for (const ByteRange& range : StreamRanges(id)) {
    out.insert(out.end(), bytes.begin() + range.offset, bytes.begin() + range.offset + range.length);
  }
  return out;
}

uint32_t CfbFile::U32(uint64_t offset) const {
  bytes.at(offset + 3);
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | bytes[offset + i];
  return value;
}

void CfbFile::SetU16(uint64_t offset, uint16_t value) {
  bytes.at(offset + 1);
  bytes[offset] = static_cast<uint8_t>(value);
  bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void CfbFile::SetU32(uint64_t offset, uint32_t value) {
  bytes.at(offset + 3);
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

void CfbFile::SetFatEntry(uint32_t sector, uint32_t next) {
  SetU32(SectorOffset(fatSectors.at(sector / 128)) + 4 * (sector % 128), next);
}

void CfbFile::SetMiniFatEntry(uint32_t miniSector, uint32_t next) {
  SetU32(SectorOffset(miniFatSectors.at(miniSector / 128)) + 4 * (miniSector % 128), next);
}

void CfbFile::SetEntryU32(uint32_t id, uint32_t field, uint32_t value) { SetU32(EntryOffset(id) + field, value); }

void CfbFile::SetEntryType(uint32_t id, uint8_t type) { bytes.at(EntryOffset(id) + kObjectType) = type; }

void CfbFile::Fill(const std::vector<ByteRange>& ranges, uint8_t value) {
  for (const ByteRange& range : ranges) {
    std::fill_n(bytes.begin() + range.offset, range.length, value);
  }
}

void CfbFile::PutStreamBytes(uint32_t id, uint64_t offset, const std::vector<uint8_t>& data) {
  if (offset + data.size() > entries.at(id).size) throw std::out_of_range("write past the stream");
  uint64_t streamAt = 0;
  for (const ByteRange& range : StreamRanges(id)) {
    for (uint64_t i = 0; i < range.length; ++i, ++streamAt) {
      if (streamAt >= offset && streamAt < offset + data.size()) bytes[range.offset + i] = data[streamAt - offset];
    }
  }
}

}  // namespace qv::writers
