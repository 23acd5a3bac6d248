// Wiping the streams below a storage and taking an entry out of its sibling tree.
#include <algorithm>
#include <bitset>

#include "engine/common/byte_reader.h"
#include "engine/common/work_area.h"
#include "engine/storage/compound_file.h"
#include "engine/storage/storage_internal.h"
#include "engine/storage/streams.h"
#include "engine/storage/writer.h"

namespace qv {
namespace {

using VisitedEntries = std::bitset<cap::kMaxDirCount>;

int32_t StreamSizeAsCount(uint32_t size) { return static_cast<int32_t>(std::min<uint32_t>(size, INT32_MAX)); }

uint32_t WipeVisit(DocFile& doc, uint32_t id, VisitedEntries& visited, bool& allWritten) {
  if (id == cfb::kNoStream || id == 0) return 0;
  const DirEntry* entry = EntryAt(doc, id);
  if (entry == nullptr || visited.test(id)) return 0;
  visited.set(id);
  const uint32_t child = EntryChild(*entry);
  const uint32_t left = EntryLeftSibling(*entry);
  const uint32_t right = EntryRightSibling(*entry);
  uint32_t count = child != cfb::kNoStream ? WipeVisit(doc, child, visited, allWritten) : 0;
  if (WipeEntryStream(doc, id) == kWipeIncomplete) allWritten = false;
  ++count;
  if (left != cfb::kNoStream) count += WipeVisit(doc, left, visited, allWritten);
  if (right != cfb::kNoStream) count += WipeVisit(doc, right, visited, allWritten);
  return count;
}

// Sets a link field of entry `target`; skipped for an invalid id and for the entry being
// unlinked, which keeps all its fields.
void SetLink(DocFile& doc, uint32_t target, uint32_t field, uint32_t value, uint32_t unlinked) {
  if (target >= doc.DirCount || target == unlinked) return;
  ByteWriter(doc.directory[target].raw, sizeof doc.directory[target].raw).U32(field, value);
}

// The rightmost node of the subtree from `top`: NOSTREAM for an empty subtree; DirCount
// (an invalid id) when the walk meets an invalid id or runs longer than the directory.
uint32_t RightmostNode(const DocFile& doc, uint32_t top) {
  if (top == cfb::kNoStream) return cfb::kNoStream;
  uint32_t node = top;
  for (uint32_t steps = 0; steps < doc.DirCount; ++steps) {
    const DirEntry* entry = EntryAt(doc, node);
    if (entry == nullptr) return doc.DirCount;
    const uint32_t right = EntryRightSibling(*entry);
    if (right == cfb::kNoStream) return node;
    node = right;
  }
  return doc.DirCount;
}

// Writes the directory table over its sectors, listed again from the FAT. 1 when every
// sector of the table was written.
int WriteDirectoryBack(DocFile& doc) {
  const uint32_t listed =
      storage_internal::CollectIntoTransientList(doc, storage_internal::HeaderU32(doc, cfb::kHeaderFirstDirSector));
  // The listing overwrote the fixed stream chain list: a current stream using it can no
  // longer transfer (rather than reach sector 0) until it is opened again.
  if (!doc.current.heapChainList) doc.current.chainLength = 0;
  const uint32_t* list = doc.workArea->readerTables.TransientList();
  const uint32_t sectors = (doc.DirCount - 1) / cap::kDirEntriesPerSector;
  const auto* bytes = reinterpret_cast<const uint8_t*>(doc.directory);
  const uint32_t writable = std::min(listed, sectors);
  for (uint32_t i = 0; i < writable; ++i) {
    if (WriteSector(doc, list[i], bytes + i * cap::kSectorBytes) != cap::kSectorBytes) return 0;
  }
  return writable == sectors ? 1 : 0;
}

}  // namespace

int WipeEntryStream(DocFile& doc, uint32_t id) {
  if (id == cfb::kNoStream) return 0;
  if (OpenStream(doc, id) != kStreamOpened) {
    CloseStream(doc);
    return 0;
  }
  const bool zeroed = ZeroStream(doc, StreamSizeAsCount(doc.current.size));
  CloseStream(doc);
  return zeroed ? kWipeDone : kWipeIncomplete;
}

uint32_t WipeSubtree(DocFile& doc, uint32_t id, bool* allWritten) {
  VisitedEntries visited;
  bool written = true;
  const uint32_t count = WipeVisit(doc, id, visited, written);
  if (allWritten != nullptr) *allWritten = written;
  return count;
}

int UnlinkEntry(DocFile& doc, uint32_t id) {
  const DirEntry* unlinked = EntryAt(doc, id);
  if (id == cfb::kNoStream || unlinked == nullptr) return 0;
  uint32_t parent = cfb::kNoStream, leftOf = cfb::kNoStream, rightOf = cfb::kNoStream;
  for (uint32_t i = 0; i < doc.DirCount; ++i) {
    const DirEntry& entry = doc.directory[i];
    if (EntryChild(entry) == id) parent = i;
    if (EntryLeftSibling(entry) == id) leftOf = i;
    if (EntryRightSibling(entry) == id) rightOf = i;
  }
  const uint32_t left = EntryLeftSibling(*unlinked);
  const uint32_t right = EntryRightSibling(*unlinked);
  const uint32_t rightmost = RightmostNode(doc, left);
  const bool hasLeft = left != cfb::kNoStream;

  if (parent != cfb::kNoStream) {
    // The entry is the top of its parent's tree.
    SetLink(doc, parent, cfb::kEntryChild, hasLeft ? left : right, id);
    if (hasLeft) SetLink(doc, rightmost, cfb::kEntryRightSibling, right, id);
  } else {
    if (rightOf != cfb::kNoStream) SetLink(doc, rightOf, cfb::kEntryRightSibling, hasLeft ? left : right, id);
    if (leftOf != cfb::kNoStream) SetLink(doc, leftOf, cfb::kEntryLeftSibling, hasLeft ? left : right, id);
    if (hasLeft && (rightOf != cfb::kNoStream || leftOf != cfb::kNoStream)) {
      SetLink(doc, rightmost, cfb::kEntryRightSibling, right, id);
    }
  }
  return WriteDirectoryBack(doc);
}

}  // namespace qv
