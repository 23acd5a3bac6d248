#include "engine/common/quarantine_index.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "engine/common/capacities.h"
#include "engine/common/quarantine.h"
#include "engine/platform/platform.h"

namespace qv {
namespace {

constexpr std::string_view kVersion = "v1";
constexpr size_t kFields = 7;

std::string Escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

std::optional<std::string> Unescaped(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out.push_back(text[i]);
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case '\\': out.push_back('\\'); break;
      case 't': out.push_back('\t'); break;
      case 'r': out.push_back('\r'); break;
      case 'n': out.push_back('\n'); break;
      default: return std::nullopt;
    }
  }
  return out;
}

std::optional<uint64_t> Number(std::string_view text, int base, size_t maxDigits) {
  if (text.empty() || text.size() > maxDigits) return std::nullopt;
  uint64_t value = 0;
  for (const char c : text) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (digit < 0) return std::nullopt;
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
  }
  return value;
}

// The plain bytes of a copy, when it can be read whole.
std::optional<std::vector<uint8_t>> PlainCopy(const std::u16string& path) {
  auto bytes = ReadWholeFile(path);
  if (bytes) ScrambleBytes(bytes->data(), bytes->size());
  return bytes;
}

}  // namespace

uint32_t DocumentChecksum(const uint8_t* bytes, size_t length) {
  uLong crc = crc32(0L, Z_NULL, 0);
  while (length > 0) {
    const uInt chunk = static_cast<uInt>(std::min<size_t>(length, 1u << 30));
    crc = crc32(crc, bytes, chunk);
    bytes += chunk;
    length -= chunk;
  }
  return static_cast<uint32_t>(crc);
}

std::string FormatIndexLine(const QuarantineRecord& record) {
  char crc[9];
  std::snprintf(crc, sizeof crc, "%08x", static_cast<unsigned>(record.crc32));
  std::string line(kVersion);
  for (const std::string& field : {Escaped(platform::ToUtf8(record.copyName)), std::to_string(record.bytes),
                                   std::string(crc), Escaped(record.time), Escaped(record.rule),
                                   Escaped(platform::ToUtf8(record.originalPath))}) {
    line += '\t';
    line += field;
  }
  line += '\n';
  return line;
}

std::optional<QuarantineRecord> ParseIndexLine(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  std::vector<std::string_view> fields;
  for (size_t start = 0; fields.size() <= kFields;) {
    const size_t tab = line.find('\t', start);
    if (tab == std::string_view::npos) {
      fields.push_back(line.substr(start));
      break;
    }
    fields.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
  if (fields.size() != kFields || fields[0] != kVersion) return std::nullopt;
  const auto copy = Unescaped(fields[1]);
  const auto bytes = Number(fields[2], 10, 20);
  const auto crc = fields[3].size() == 8 ? Number(fields[3], 16, 8) : std::nullopt;
  const auto time = Unescaped(fields[4]);
  const auto rule = Unescaped(fields[5]);
  const auto path = Unescaped(fields[6]);
  if (!copy || copy->empty() || !bytes || !crc || !time || !rule || !path || path->empty()) return std::nullopt;
  QuarantineRecord record;
  record.copyName = platform::FromUtf8(*copy);
  if (record.copyName.find_first_of(u"\\/") != std::u16string::npos) return std::nullopt;  // a name, not a path (either separator)
  record.bytes = *bytes;
  record.crc32 = static_cast<uint32_t>(*crc);
  record.time = *time;
  record.rule = *rule;
  record.originalPath = platform::FromUtf8(*path);
  return record;
}

bool AppendIndexRecord(const std::u16string& quarantineDir, const QuarantineRecord& record) {
  platform::AppendLog index;
  if (!index.Open(quarantineDir + platform::FromUtf8(kQuarantineIndexName))) return false;
  index.Write(FormatIndexLine(record));
  index.Close();
  return !index.WriteFailed();
}

std::map<std::u16string, QuarantineRecord> ReadQuarantineIndex(const std::u16string& quarantineDir) {
  std::map<std::u16string, QuarantineRecord> out;
  auto file = platform::File::OpenRead(quarantineDir + platform::FromUtf8(kQuarantineIndexName));
  if (!file) return out;
  const uint64_t size = file->Size();
  if (size > cap::kMaxQuarantineIndexBytes) return out;
  std::string text(static_cast<size_t>(size), '\0');
  text.resize(file->ReadAt(0, text.data(), text.size()));
  std::map<std::u16string, QuarantineRecord> candidates;  // the last record per copy name
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (auto record = ParseIndexLine(std::string_view(text).substr(start, end - start))) {
      candidates[record->copyName] = std::move(*record);
    }
    start = end + 1;
  }
  for (auto& [name, record] : candidates) {
    const auto plain = PlainCopy(quarantineDir + name);
    if (!plain || plain->size() != record.bytes || DocumentChecksum(plain->data(), plain->size()) != record.crc32) {
      continue;  // the copy is gone or is another one now: the record tells nothing about it
    }
    out.emplace(name, std::move(record));
  }
  return out;
}

}  // namespace qv
