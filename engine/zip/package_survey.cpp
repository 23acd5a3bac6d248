#include "engine/zip/package_survey.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "engine/common/byte_reader.h"
#include "engine/common/capacities.h"
#include "engine/zip/entry_rules.h"

namespace qv::zip {
namespace {

using namespace layout;

// Reads `length` bytes at `offset`; empty when they are not all there.
std::vector<uint8_t> ReadBytes(const platform::File& file, uint64_t offset, uint64_t length) {
  if (length > SIZE_MAX) return {};
  std::vector<uint8_t> bytes(static_cast<size_t>(length));
  if (file.ReadAt(offset, bytes.data(), bytes.size()) != bytes.size()) return {};
  return bytes;
}

struct DirectoryPlace {
  uint64_t entries = 0;
  uint64_t size = 0;
  uint64_t offset = 0;
  uint64_t endRecordAt = 0;  // where the directory must end: the (zip64) end record
};

// The end record is the last signature in the file's last 64 KiB + 22 bytes.
std::optional<DirectoryPlace> FindDirectory(const platform::File& file) {
  const uint64_t size = file.Size();
  if (size < kEndBytes) return std::nullopt;
  const uint64_t tail = std::min<uint64_t>(size, kEndBytes + 0xFFFF);
  const std::vector<uint8_t> bytes = ReadBytes(file, size - tail, tail);
  if (bytes.empty()) return std::nullopt;
  const ByteReader reader(bytes.data(), bytes.size());
  for (uint64_t at = tail - kEndBytes + 1; at-- > 0;) {
    ByteCursor end(reader, at);
    if (end.U32() != kEndSignature) continue;
    DirectoryPlace place;
    place.entries = end.U16At(at + kEndEntries);
    place.size = end.U32At(at + kEndDirectorySize);
    place.offset = end.U32At(at + kEndDirectoryOffset);
    place.endRecordAt = size - tail + at;
    if (end.failed()) return std::nullopt;
    if (place.entries != 0xFFFF && place.size != 0xFFFFFFFF && place.offset != 0xFFFFFFFF) return place;
    // A zip64 package: the locator sits right before the end record. Without one, a count
    // of 0xFFFF may stand for more entries (writers saturate it): the records are walked by
    // the directory's size, and a walk that finds another count makes the package unsound.
    const bool fieldsFit = place.size != 0xFFFFFFFF && place.offset != 0xFFFFFFFF;
    if (place.endRecordAt < kZip64LocatorBytes) return fieldsFit ? std::optional(place) : std::nullopt;
    const auto locatorBytes = ReadBytes(file, place.endRecordAt - kZip64LocatorBytes, kZip64LocatorBytes);
    ByteCursor locator(ByteReader(locatorBytes.data(), locatorBytes.size()));
    if (locator.U32() != kZip64LocatorSignature) return fieldsFit ? std::optional(place) : std::nullopt;
    const uint64_t low = locator.U32At(kZip64LocatorEndOffset);
    const uint64_t high = locator.U32();
    const uint64_t zip64At = low | (high << 32);
    const auto recordBytes = ReadBytes(file, zip64At, kZip64EndBytes);
    ByteCursor record(ByteReader(recordBytes.data(), recordBytes.size()));
    if (record.U32() != kZip64EndSignature) return std::nullopt;
    auto u64 = [&record](uint64_t offset) {
      const uint64_t lo = record.U32At(offset);
      return lo | (static_cast<uint64_t>(record.U32()) << 32);
    };
    place.entries = u64(kZip64EndEntries);
    place.size = u64(kZip64EndDirectorySize);
    place.offset = u64(kZip64EndDirectoryOffset);
    place.endRecordAt = zip64At;
    if (record.failed() || locator.failed()) return std::nullopt;
    return place;
  }
  return std::nullopt;
}

struct Span {
  uint64_t begin = 0;
  uint64_t end = 0;
};

// The 64-bit values a zip64 extra field holds for the 32-bit fields that are all ones, in
// their fixed order. False when the extra field lies about its lengths.
bool ApplyZip64Extra(ByteReader extra, uint64_t& size, uint64_t& compressed, uint64_t& local) {
  ByteCursor cursor(extra);
  // Each field header is four bytes: the walk moves forward by at least that much.
  while (cursor.ok() && cursor.position() + 4 <= extra.size()) {
    const uint16_t id = cursor.U16();
    const uint16_t length = cursor.U16();
    const uint64_t next = cursor.position() + length;
    if (id == kZip64ExtraId) {
      auto take = [&cursor](uint64_t& field) {
        if (field != 0xFFFFFFFF) return;
        const uint64_t lo = cursor.U32();
        field = lo | (static_cast<uint64_t>(cursor.U32()) << 32);
      };
      take(size);
      take(compressed);
      take(local);
      return cursor.ok() && cursor.position() <= next;
    }
    cursor.Seek(next);
  }
  return cursor.ok();
}

// Checks the local header at span.begin against its central record and sets span.end to the
// end of the entry's data. False when it disagrees or cannot be read.
bool LocalHeaderAgrees(const platform::File& file, const std::string& name, uint16_t method, uint64_t compressed,
                       Span& span) {
  const auto head = ReadBytes(file, span.begin, kLocalBytes);
  ByteCursor local(ByteReader(head.data(), head.size()));
  if (local.U32() != kLocalSignature) return false;
  const uint16_t localMethod = local.U16At(kLocalMethod);
  const uint16_t nameLength = local.U16At(kLocalNameLength);
  const uint16_t extraLength = local.U16At(kLocalExtraLength);
  if (local.failed() || localMethod != method || nameLength != name.size()) return false;
  const auto localName = ReadBytes(file, span.begin + kLocalBytes, nameLength);
  if (localName.size() != name.size() ||
      (!name.empty() && std::memcmp(localName.data(), name.data(), name.size()) != 0)) {
    return false;
  }
  const uint64_t dataStart = span.begin + kLocalBytes + nameLength + extraLength;
  if (compressed > UINT64_MAX - dataStart) return false;
  span.end = dataStart + compressed;
  return true;
}

}  // namespace

PackageSurvey SurveyPackage(platform::File& file) {
  PackageSurvey survey;
  const auto place = FindDirectory(file);
  if (!place || place->offset > place->endRecordAt || place->size > place->endRecordAt - place->offset) {
    return survey;
  }
  // A directory too large to hold is not looked at: the walk cannot be complete.
  const uint64_t held = std::min<uint64_t>(place->size, cap::kMaxCentralDirectoryBytes);
  const std::vector<uint8_t> directory = ReadBytes(file, place->offset, held);
  if (directory.size() != held) return survey;
  survey.readable = true;
  bool consistent = place->offset + place->size == place->endRecordAt;
  bool complete = held == place->size;

  const ByteReader reader(directory.data(), directory.size());
  std::vector<Span> spans;
  uint64_t at = 0;
  while (at < directory.size()) {
    if (survey.entries == cap::kMaxPackageEntries) {
      complete = false;
      break;
    }
    ByteCursor record(reader, at);
    if (record.U32() != kCentralSignature) {
      consistent = false;  // bytes after the records, or a record that is not one
      break;
    }
    const uint16_t method = record.U16At(at + kCentralMethod);
    uint64_t compressed = record.U32At(at + kCentralCompressedSize);
    uint64_t size = record.U32At(at + kCentralSize);
    const uint16_t nameLength = record.U16At(at + kCentralNameLength);
    const uint16_t extraLength = record.U16At(at + kCentralExtraLength);
    const uint16_t commentLength = record.U16At(at + kCentralCommentLength);
    uint64_t local = record.U32At(at + kCentralLocalOffset);
    std::string name(nameLength, '\0');
    record.Seek(at + kCentralBytes);
    record.Bytes(name.data(), nameLength);
    const ByteReader extra = reader.Slice(record.position(), extraLength);
    if (record.failed() || extra.size() != extraLength) {
      complete = false;  // a record cut by the end of the directory
      break;
    }
    if (!ApplyZip64Extra(extra, size, compressed, local)) consistent = false;
    ++survey.entries;
    survey.declaredBytes += std::min<uint64_t>(size, UINT64_MAX - survey.declaredBytes);
    if (IsProjectEntryName(name)) survey.projectEntries.push_back(name);

    Span span{local, local};
    if (local >= place->offset || !LocalHeaderAgrees(file, name, method, compressed, span) ||
        span.end > place->offset) {
      consistent = false;
    }
    spans.push_back(span);
    at += kCentralBytes + static_cast<uint64_t>(nameLength) + extraLength + commentLength;
  }
  if (complete && survey.entries != place->entries) consistent = false;  // the end record miscounts

  // Entries must not share bytes: sorted by start, each ends before the next begins.
  std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.begin < b.begin; });
  for (size_t i = 1; i < spans.size() && consistent; ++i) {
    if (spans[i].begin < spans[i - 1].end) consistent = false;
  }
  survey.complete = complete;
  survey.consistent = consistent;
  return survey;
}

}  // namespace qv::zip
