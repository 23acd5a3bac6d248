// Directory entries: field accessors, name comparison and the look-up of entries by name.
#include "engine/common/ascii_case.h"
#include "engine/common/byte_reader.h"
#include "engine/storage/compound_file.h"

namespace qv {
namespace {

char16_t NameUnit(const DirEntry& entry, uint32_t index) {
  return static_cast<char16_t>(LoadU16(entry.raw + cfb::kEntryName + 2 * index));
}

// Units of the entry's name before its NUL (the whole field when it has none).
uint32_t NameLength(const DirEntry& entry) {
  uint32_t n = 0;
  while (n < cfb::kEntryNameUnits && NameUnit(entry, n) != 0) ++n;
  return n;
}

}  // namespace

const DirEntry* EntryAt(const DocFile& doc, uint32_t id) {
  if (doc.directory == nullptr || id >= doc.DirCount) return nullptr;
  return &doc.directory[id];
}

uint8_t EntryObjectType(const DirEntry& entry) { return entry.raw[cfb::kEntryObjectType]; }
uint32_t EntryLeftSibling(const DirEntry& entry) { return LoadU32(entry.raw + cfb::kEntryLeftSibling); }
uint32_t EntryRightSibling(const DirEntry& entry) { return LoadU32(entry.raw + cfb::kEntryRightSibling); }
uint32_t EntryChild(const DirEntry& entry) { return LoadU32(entry.raw + cfb::kEntryChild); }
uint32_t EntryStartSector(const DirEntry& entry) { return LoadU32(entry.raw + cfb::kEntryStartSector); }
uint32_t EntryStreamSize(const DirEntry& entry) { return LoadU32(entry.raw + cfb::kEntryStreamSize); }

std::u16string EntryName(const DirEntry& entry) {
  std::u16string name;
  const uint32_t n = NameLength(entry);
  for (uint32_t i = 0; i < n; ++i) name.push_back(NameUnit(entry, i));
  return name;
}

bool EntryNameMatches(const DirEntry& entry, std::u16string_view name) {
  const size_t nul = name.find(u'\0');
  if (nul != std::u16string_view::npos) name = name.substr(0, nul);
  return name.size() == NameLength(entry) &&
         UnitsEqualFoldingAscii(name.size(), [&](size_t i) { return NameUnit(entry, static_cast<uint32_t>(i)); },
                                [&](size_t i) { return name[i]; });
}

int32_t SearchSiblings(DocFile& doc, uint32_t id, std::u16string_view name) {
  // Recursion goes left, the loop goes right; every step spends one visit of the budget,
  // which bounds both the work and the recursion depth on looping trees.
  while (true) {
    if (doc.visitCounter >= doc.visitBudget) {
      ++doc.visitCounter;
      return -1;
    }
    ++doc.visitCounter;
    const DirEntry* entry = EntryAt(doc, id);
    if (entry == nullptr) return -1;
    if (EntryNameMatches(*entry, name)) return static_cast<int32_t>(id);
    const int32_t hit = SearchSiblings(doc, EntryLeftSibling(*entry), name);
    if (hit != -1) return hit;
    id = EntryRightSibling(*entry);
  }
}

int32_t FindEntry(DocFile& doc, uint32_t storageId, std::u16string_view name) {
  const DirEntry* storage = EntryAt(doc, storageId);
  if (storage == nullptr) return -1;
  const uint32_t child = EntryChild(*storage);
  if (child == 0) return 0;
  doc.visitCounter = 0;
  const int32_t hit = SearchSiblings(doc, child, name);
  if (hit != -1) return hit;
  // The sibling tree does not hold it (damaged, or the name lives in another storage):
  // the first entry of that name anywhere in the directory.
  for (uint32_t id = 0; id < doc.DirCount; ++id) {
    if (EntryNameMatches(doc.directory[id], name)) return static_cast<int32_t>(id);
  }
  return -1;
}

}  // namespace qv
