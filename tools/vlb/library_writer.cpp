#include "tools/vlb/library_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/common/byte_reader.h"
#include "engine/signature/library_cipher.h"
#include "engine/signature/library_format.h"
#include "engine/signature/signature_library.h"

namespace qv::vlbc {
namespace {

using namespace vlb;

constexpr const char* kMaker = "Quorvane signature library";
constexpr const char* kWebLine = "Updates: https://quorvane.example.org/signatures";
constexpr int64_t kFileTimeUnixOffset = 11644473600;  // seconds from 1601-01-01 to 1970-01-01

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  uint8_t b[4];
  StoreU32(b, v);
  out.insert(out.end(), b, b + 4);
}

void PutBytes(std::vector<uint8_t>& out, const std::vector<uint8_t>& bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

template <typename Record>
std::vector<const Record*> SortedById(const std::vector<Record>& records) {
  std::vector<const Record*> sorted;
  for (const Record& r : records) sorted.push_back(&r);
  std::stable_sort(sorted.begin(), sorted.end(), [](const Record* a, const Record* b) { return a->id < b->id; });
  return sorted;
}

std::vector<uint8_t> PatternSection(const LibrarySource& source) {
  std::vector<uint8_t> out;
  for (const PatternSource* p : SortedById(source.patterns)) AppendPatternRecord(out, p->id, p->flags, p->text, p->note);
  return out;
}

std::vector<uint8_t> RuleSection(const LibrarySource& source) {
  std::vector<uint8_t> out;
  for (const RuleSource* r : SortedById(source.rules)) AppendRuleRecord(out, r->id, r->flags, r->name, r->expression);
  return out;
}

// Days since 1970-01-01 -> civil date (proleptic Gregorian).
void CivilFromDays(int64_t z, int& y, unsigned& m, unsigned& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

}  // namespace

void AppendPatternRecord(std::vector<uint8_t>& out, uint32_t id, uint32_t flags, const std::vector<uint8_t>& text,
                         const std::vector<uint8_t>& note) {
  PutU32(out, id);
  PutU32(out, flags);
  PutU32(out, static_cast<uint32_t>(kPatternFixedBytes + text.size() + note.size()));
  PutU32(out, static_cast<uint32_t>(text.size()));
  PutU32(out, static_cast<uint32_t>(note.size()));
  PutU32(out, 0);  // reserved
  PutBytes(out, text);
  PutBytes(out, note);
}

void AppendRuleRecord(std::vector<uint8_t>& out, uint32_t id, uint32_t flags, const std::vector<uint8_t>& name,
                      const std::vector<uint8_t>& expression) {
  PutU32(out, id);
  PutU32(out, flags);
  PutU32(out, static_cast<uint32_t>(name.size()));
  PutBytes(out, name);
  PutU32(out, static_cast<uint32_t>(expression.size()));
  PutBytes(out, expression);
}

LibraryTime LibraryTime::FromUnixSeconds(int64_t seconds) {
  LibraryTime t;
  const int64_t days = (seconds >= 0 ? seconds : seconds - 86399) / 86400;
  const int64_t rest = seconds - days * 86400;
  int y;
  unsigned m, d;
  CivilFromDays(days, y, m, d);
  t.year = static_cast<uint16_t>(y);
  t.month = static_cast<uint16_t>(m);
  t.day = static_cast<uint16_t>(d);
  t.dayOfWeek = static_cast<uint16_t>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday (4)
  t.hour = static_cast<uint16_t>(rest / 3600);
  t.minute = static_cast<uint16_t>(rest / 60 % 60);
  t.second = static_cast<uint16_t>(rest % 60);
  t.fileTime = static_cast<uint64_t>(seconds + kFileTimeUnixOffset) * 10000000ull;
  return t;
}

std::vector<uint8_t> AssembleBody(const std::vector<uint8_t>& patterns, uint32_t patternCount,
                                  const std::vector<uint8_t>& rules, uint32_t ruleCount, const LibraryTime& time) {
  std::vector<uint8_t> body(kBodyHeaderBytes, 0);
  uint8_t* h = body.data();
  std::memcpy(h + kMagicOffset, kBodyMagic, 4);
  StoreU32(h + kVersionOffset, kFormatVersion);
  StoreU32(h + kVersion2Offset, kFormatVersion);
  StoreU32(h + kBuildTimeOffset, static_cast<uint32_t>(time.fileTime));
  StoreU32(h + kBuildTimeOffset + 4, static_cast<uint32_t>(time.fileTime >> 32));
  const uint32_t patternOffset = kBodyHeaderBytes;
  const uint32_t ruleOffset = static_cast<uint32_t>(patternOffset + patterns.size());
  StoreU32(h + kTotalSizeOffset, static_cast<uint32_t>(ruleOffset + rules.size()));
  StoreU32(h + kPatternOffsetOffset, patternOffset);
  StoreU32(h + kPatternSizeOffset, static_cast<uint32_t>(patterns.size()));
  StoreU32(h + kPatternCountOffset, patternCount);
  StoreU32(h + kRuleOffsetOffset, ruleOffset);
  StoreU32(h + kRuleSizeOffset, static_cast<uint32_t>(rules.size()));
  StoreU32(h + kRuleCountOffset, ruleCount);
  StoreU32(h + kPatternCrcOffset, LibraryCrc32(patterns.data(), patterns.size()));
  StoreU32(h + kRuleCrcOffset, LibraryCrc32(rules.data(), rules.size()));
  StoreU32(h + kHeaderCrcOffset, LibraryCrc32(h, kHeaderCrcOffset));
  body.insert(body.end(), patterns.begin(), patterns.end());
  body.insert(body.end(), rules.begin(), rules.end());
  return body;
}

std::vector<uint8_t> BuildLibraryBody(const LibrarySource& source, const LibraryTime& time) {
  return AssembleBody(PatternSection(source), static_cast<uint32_t>(source.patterns.size()), RuleSection(source),
                      static_cast<uint32_t>(source.rules.size()), time);
}

std::vector<uint8_t> BuildLibraryImage(const LibrarySource& source, const LibraryTime& time) {
  return WrapBody(BuildLibraryBody(source, time), time);
}

std::vector<uint8_t> WrapBody(const std::vector<uint8_t>& body, const LibraryTime& time) {
  std::vector<uint8_t> image(kFileHeaderBytes + body.size(), 0);
  uint8_t* h = image.data();
  std::memcpy(h + kFileMarkOffset, kFileMark, sizeof kFileMark);
  StoreU32(h + kFileUnusedOffset, kFormatVersion);
  StoreU32(h + kFileSizeOffset, static_cast<uint32_t>(image.size()));
  const uint16_t fields[8] = {time.year, time.month, time.dayOfWeek, time.day,
                              time.hour, time.minute, time.second, time.milliseconds};
  for (int i = 0; i < 8; ++i) StoreU16(h + kFileTimeOffset + 2 * i, fields[i]);
  char banner[kFileBannerBytes] = {};
  std::snprintf(banner, sizeof banner,
                "\r\n%s\r\nFile name: QZDATA.VLB\r\nFile size: %zu\r\nCreated date: %04u.%02u.%02u\r\n%s\r\n", kMaker,
                image.size(), unsigned{time.year}, unsigned{time.month}, unsigned{time.day}, kWebLine);
  std::memcpy(h + kFileBannerOffset, banner, sizeof banner);
  ApplyLibraryCipher(body.data(), h + kFileHeaderBytes, body.size());
  return image;
}

}  // namespace qv::vlbc
