#include "engine/signature/signature_library.h"

#include <zlib.h>

#include <algorithm>
#include <new>
#include <optional>

#include "engine/common/byte_reader.h"
#include "engine/common/capacities.h"
#include "engine/signature/library_cipher.h"

namespace qv {
namespace {

using namespace vlb;

// A section of the body: [offset, offset + size), checked to lie inside the total size.
struct Section {
  uint64_t offset = 0;
  uint64_t size = 0;
};

// Bounds and checksum of one section (the pattern or the rule section). The offset must not
// lie beyond the total size: the subtraction is unsigned and would otherwise wrap to a huge
// value.
std::optional<Section> CheckSection(const ByteReader& body, uint32_t total, size_t offsetField,
                                    size_t sizeField, size_t crcField) {
  ByteCursor fields(body);
  const uint32_t offset = fields.U32At(offsetField);
  const uint32_t size = fields.U32At(sizeField);
  const uint32_t crc = fields.U32At(crcField);
  if (fields.failed() || offset > total || total - offset < size || !body.Has(offset, size)) return std::nullopt;
  if (LibraryCrc32(body.data() + offset, size) != crc) return std::nullopt;
  return Section{offset, size};
}

template <typename Record>
bool ById(const Record& a, const Record& b) { return a.id < b.id; }

// Copies `length` bytes from the cursor into `out`; false when they run past the section.
template <typename Container>
bool TakeBytes(ByteCursor& cursor, uint64_t length, Container& out) {
  if (length > SIZE_MAX) return false;
  out.resize(static_cast<size_t>(length));
  return cursor.Bytes(out.data(), length);
}

// Reads `count` pattern records from the section; false when one runs past it.
bool ReadPatterns(const ByteReader& section, uint32_t count, std::vector<PatternRecord>& out) {
  if (count > cap::kMaxPatternRecords || count > section.size() / kPatternFixedBytes) return false;
  out.reserve(count);
  ByteCursor cursor(section);
  for (uint32_t i = 0; i < count; ++i) {
    PatternRecord record;
    record.id = cursor.U32();
    record.flags = cursor.U32();
    record.recordSize = cursor.U32();
    const uint32_t patternLength = cursor.U32();
    const uint32_t noteLength = cursor.U32();
    record.reserved = cursor.U32();
    if (cursor.failed() || !section.Has(cursor.position(), uint64_t{patternLength} + noteLength)) return false;
    if (!TakeBytes(cursor, patternLength, record.pattern) || !TakeBytes(cursor, noteLength, record.note)) return false;
    out.push_back(std::move(record));
  }
  return true;
}

// Reads `count` rule records from the section; false when one runs past it.
bool ReadRules(const ByteReader& section, uint32_t count, std::vector<RuleRecord>& out) {
  const size_t smallest = kRuleFixedBytes + kRuleExpressionLengthBytes;
  if (count > cap::kMaxRuleRecords || count > section.size() / smallest) return false;
  out.reserve(count);
  ByteCursor cursor(section);
  for (uint32_t i = 0; i < count; ++i) {
    RuleRecord record;
    record.id = cursor.U32();
    record.flags = cursor.U32();
    const uint32_t nameLength = cursor.U32();
    if (cursor.failed() || !section.Has(cursor.position(), uint64_t{nameLength} + kRuleExpressionLengthBytes)) {
      return false;
    }
    if (!TakeBytes(cursor, nameLength, record.name)) return false;
    const uint32_t expressionLength = cursor.U32();
    if (cursor.failed() || !section.Has(cursor.position(), expressionLength)) return false;
    if (!TakeBytes(cursor, expressionLength, record.expression)) return false;
    out.push_back(std::move(record));
  }
  return true;
}

template <typename Record>
int64_t FindById(const std::vector<Record>& records, uint32_t id) {
  const auto it = std::lower_bound(records.begin(), records.end(), id,
                                   [](const Record& r, uint32_t value) { return r.id < value; });
  if (it == records.end() || it->id != id) return -1;
  return it - records.begin();
}

}  // namespace

uint32_t LibraryCrc32(const uint8_t* data, size_t length) {
  uLong crc = crc32(0L, Z_NULL, 0);
  while (length > 0) {  // zlib takes 32-bit lengths
    const uInt chunk = static_cast<uInt>(std::min<size_t>(length, 1u << 30));
    crc = crc32(crc, data, chunk);
    data += chunk;
    length -= chunk;
  }
  return static_cast<uint32_t>(crc);
}

int64_t SignatureLibrary::FindPattern(uint32_t id) const { return FindById(patterns, id); }
int64_t SignatureLibrary::FindRule(uint32_t id) const { return FindById(rules, id); }

std::unique_ptr<SignatureLibrary> ParseSignatureBody(const uint8_t* data, size_t length) {
  if (data == nullptr || length < kBodyHeaderBytes) return nullptr;
  const ByteReader body(data, length);
  if (!std::equal(kBodyMagic, kBodyMagic + 4, data + kMagicOffset)) return nullptr;
  if (LibraryCrc32(data, kHeaderCrcOffset) != LoadU32(data + kHeaderCrcOffset)) return nullptr;
  const uint32_t total = LoadU32(data + kTotalSizeOffset);
  if (total > length) return nullptr;
  const auto patterns = CheckSection(body, total, kPatternOffsetOffset, kPatternSizeOffset, kPatternCrcOffset);
  if (!patterns) return nullptr;
  const auto rules = CheckSection(body, total, kRuleOffsetOffset, kRuleSizeOffset, kRuleCrcOffset);
  if (!rules) return nullptr;
  try {
    auto library = std::make_unique<SignatureLibrary>();
    std::copy(data, data + kBodyHeaderBytes, library->header.begin());
    if (!ReadPatterns(body.Slice(patterns->offset, patterns->size), LoadU32(data + kPatternCountOffset),
                      library->patterns) ||
        !ReadRules(body.Slice(rules->offset, rules->size), LoadU32(data + kRuleCountOffset), library->rules)) {
      return nullptr;
    }
    std::stable_sort(library->patterns.begin(), library->patterns.end(), ById<PatternRecord>);
    std::stable_sort(library->rules.begin(), library->rules.end(), ById<RuleRecord>);
    return library;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

std::vector<uint8_t> DecipherLibraryBody(const uint8_t* image, size_t length) {
  std::vector<uint8_t> body;
  if (image == nullptr || length <= kFileHeaderBytes) return body;
  body.resize(length - kFileHeaderBytes);
  ApplyLibraryCipher(image + kFileHeaderBytes, body.data(), body.size());
  return body;
}

}  // namespace qv
