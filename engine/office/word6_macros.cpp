// The WordBasic pass: the macro table of a Word 6.0/95 document is walked on a copy of the
// "WordDocument" stream and each macro's decoded text is judged on its own.
#include "engine/office/word6_macros.h"

#include <algorithm>
#include <map>
#include <vector>

#include "engine/common/capacities.h"
#include "engine/signature/signature_tables.h"
#include "engine/storage/compound_file.h"
#include "engine/storage/doc_file.h"
#include "engine/storage/streams.h"
#include "engine/common/work_area.h"

namespace qv {
namespace {

constexpr uint32_t kRootStorage = 0;

// Word 6/95 FIB
constexpr uint64_t kMacroTableOffset = 0x0118;
constexpr uint64_t kMacroTableLength = 0x011C;

// Macro table
constexpr uint8_t kTableVersion = 0xFF;
constexpr uint8_t kDescriptorList = 0x01;
constexpr uint8_t kKeyList = 0x02;
constexpr uint8_t kMenuList = 0x03;
constexpr uint8_t kNameList = 0x10;
constexpr uint8_t kTableEnd = 0x40;
constexpr uint64_t kKeyBytes = 4;
constexpr uint64_t kMenuBytes = 12;

// Macro descriptor (24 bytes)
constexpr uint64_t kDescriptorBytes = 24;
constexpr uint64_t kDescriptorKey = 1;
constexpr uint64_t kDescriptorName = 2;
constexpr uint64_t kDescriptorTextLength = 12;
constexpr uint64_t kDescriptorTextOffset = 20;

struct Descriptor {
  uint8_t key;
  uint16_t nameIndex;
  uint32_t textLength;
  uint32_t textOffset;
};

struct MacroTable {
  std::vector<Descriptor> descriptors;
  std::map<uint16_t, std::string> names;
};

// A list of `count` fixed-size items after the record's type byte and 16-bit count; the
// position after it, or nullopt when it runs past the table.
std::optional<uint64_t> SkipFixedList(ByteReader table, uint64_t at, uint64_t itemBytes) {
  const auto count = table.U16(at + 1);
  if (!count) return std::nullopt;
  const uint64_t bytes = uint64_t{*count} * itemBytes;
  if (!table.Has(at + 3, bytes)) return std::nullopt;
  return at + 3 + bytes;
}

std::optional<uint64_t> ReadDescriptors(ByteReader table, uint64_t at, MacroTable& out) {
  const auto end = SkipFixedList(table, at, kDescriptorBytes);
  if (!end) return std::nullopt;
  const uint16_t count = *table.U16(at + 1);
  for (uint32_t i = 0; i < count && out.descriptors.size() < cap::kMaxWordBasicMacros; ++i) {
    const ByteReader d = table.Slice(at + 3 + i * kDescriptorBytes, kDescriptorBytes);
    out.descriptors.push_back(Descriptor{*d.U8(kDescriptorKey), *d.U16(kDescriptorName),
                                         *d.U32(kDescriptorTextLength), *d.U32(kDescriptorTextOffset)});
  }
  return end;
}

std::optional<uint64_t> ReadNames(ByteReader table, uint64_t at, MacroTable& out) {
  const auto count = table.U16(at + 1);
  if (!count) return std::nullopt;
  uint64_t pos = at + 3;
  for (uint32_t i = 0; i < *count; ++i) {
    const auto index = table.U16(pos);
    const auto length = table.U8(pos + 2);
    if (!index || !length || !table.Has(pos + 3, uint64_t{*length} + 1)) return std::nullopt;
    const ByteReader name = table.Slice(pos + 3, *length);
    out.names.emplace(*index, std::string(reinterpret_cast<const char*>(name.data()), name.size()));
    pos += 3 + uint64_t{*length} + 1;
  }
  return pos;
}

// The table's records; nullopt when the table is damaged.
std::optional<MacroTable> ReadMacroTable(ByteReader table) {
  if (table.U8(0) != kTableVersion) return std::nullopt;
  MacroTable out;
  uint64_t at = 1;
  for (uint32_t records = 0; records < cap::kMaxWordBasicRecords && at < table.size(); ++records) {
    std::optional<uint64_t> next;
    switch (*table.U8(at)) {
      case kDescriptorList: next = ReadDescriptors(table, at, out); break;
      case kKeyList: next = SkipFixedList(table, at, kKeyBytes); break;
      case kMenuList: next = SkipFixedList(table, at, kMenuBytes); break;
      case kNameList: next = ReadNames(table, at, out); break;
      case kTableEnd: return out;
      default: return std::nullopt;
    }
    if (!next) return std::nullopt;
    at = *next;
  }
  return out;  // a table may end without its end marker when its length ends first
}

// The FIB's macro table length as the document holds it now.
uint32_t TableLengthOnDisk(DocFile& doc, int32_t id) {
  uint32_t length = 0;
  if (OpenStream(doc, static_cast<uint32_t>(id)) == kStreamOpened && doc.current.size >= kMacroTableLength + 4) {
    length = ReadU32At(doc, static_cast<int32_t>(kMacroTableLength));
  }
  CloseStream(doc);
  return length;
}

}  // namespace

uint32_t ForEachWordBasicMacro(ByteReader stream,
                               const std::function<void(const WordBasicMacro&, std::string_view)>& visit) {
  const auto offset = stream.U32(kMacroTableOffset);
  const auto length = stream.U32(kMacroTableLength);
  if (!offset || !length || *length < 2 || !stream.Has(*offset, *length)) return 0;
  const auto table = ReadMacroTable(stream.Slice(*offset, *length));
  if (!table) return 0;

  uint32_t visited = 0;
  std::string text;
  for (const Descriptor& d : table->descriptors) {
    WordBasicMacro macro;
    if (const auto name = table->names.find(d.nameIndex); name != table->names.end()) macro.name = name->second;
    macro.key = d.key;
    macro.textOffset = d.textOffset;
    macro.textLength = std::min(d.textLength, cap::kWord6MacroTextBytes);
    const ByteReader body = stream.Slice(d.textOffset, macro.textLength);
    if (macro.textLength == 0 || body.size() != macro.textLength) break;  // text outside the stream
    text.assign(kWordBasicHeader);
    text += macro.name;
    text += "\r\n";
    const size_t start = text.size();
    text.append(reinterpret_cast<const char*>(body.data()), body.size());
    if (macro.key != 0) {
      for (size_t i = start; i < text.size(); ++i) text[i] = static_cast<char>(text[i] ^ macro.key);
    }
    visit(macro, text);
    ++visited;
  }
  return visited;
}

int ScanWordBasicMacros(DocFile& doc, SignatureTables& tables) {
  doc.ScanKind = 3;
  const int32_t id = FindEntry(doc, kRootStorage, u"WordDocument");
  if (id < 0) return 0;
  std::vector<uint8_t> copy;
  if (OpenStream(doc, static_cast<uint32_t>(id)) == kStreamOpened) {
    copy.resize(std::min(doc.current.size, cap::kWordDocumentCopyBytes));
    const int32_t got = copy.empty() ? 0 : ReadStream(doc, copy.data(), static_cast<int32_t>(copy.size()));
    copy.resize(got > 0 ? static_cast<size_t>(got) : 0);
  }
  CloseStream(doc);
  if (copy.empty()) return 0;
  // A repair empties the table on disk and overwrites the texts: the macros left in the
  // copy are then gone from the document, and judging them again would only report (and
  // quarantine) the repaired file. So the walk stops once the table length on disk changed.
  const ByteReader stream(copy.data(), copy.size());
  const uint32_t lengthAtStart = stream.U32(kMacroTableLength).value_or(0);
  bool repaired = false;
  ForEachWordBasicMacro(stream, [&](const WordBasicMacro&, std::string_view text) {
    if (repaired) return;
    MatchRules(reinterpret_cast<const uint8_t*>(text.data()), static_cast<uint32_t>(text.size()), tables);
    repaired = doc.workArea->repairMode != 0 && TableLengthOnDisk(doc, id) != lengthAtStart;
  });
  return 1;
}

}  // namespace qv
