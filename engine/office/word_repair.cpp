// In-place repairs of Word documents. Nothing moves: the detected stream is zero-filled,
// the command table is emptied, the "Macros" storage leaves the directory tree, and Word 6
// macro texts are overwritten with a filler of their own length.
#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/common/byte_reader.h"
#include "engine/common/capacities.h"
#include "engine/office/dispatch.h"
#include "engine/office/document_kind.h"
#include "engine/storage/compound_file.h"
#include "engine/storage/streams.h"
#include "engine/storage/writer.h"

namespace qv {
namespace {

constexpr uint32_t kRootStorage = 0;
constexpr uint8_t kEmptyCommandTable[2] = {0xFF, 0x40};  // version byte, then the end marker

// Word 97 FIB
constexpr int32_t kFcCmds = 0x015A;
constexpr int32_t kLcbCmds = 0x015E;
// Word 6/95 FIB
constexpr int32_t kMacroTableOffset = 0x0118;
constexpr int32_t kMacroTableLength = 0x011C;
// Word 6/95 macro descriptors
constexpr uint32_t kFirstDescriptor = 4;
constexpr uint32_t kDescriptorBytes = 24;
constexpr uint32_t kDescriptorMarker = 6;
constexpr uint32_t kDescriptorTextLength = 12;
constexpr uint32_t kDescriptorTextOffset = 20;

// Writes `length` bytes at `offset` of the current stream; true when all were written.
bool WriteAtOffset(DocFile& doc, int32_t offset, const void* bytes, int32_t length) {
  return SeekStream(doc, offset, 0) == 1 && WriteStream(doc, bytes, length) == length;
}

bool OpenNamed(DocFile& doc, std::u16string_view name) {
  const int32_t id = FindEntry(doc, kRootStorage, name);
  return id >= 0 && OpenStream(doc, static_cast<uint32_t>(id)) == kStreamOpened;
}

}  // namespace

void FillWord6MacroText(uint8_t* out, uint32_t length) {
  uint32_t at = 0;
  auto put = [&](uint8_t b) {
    if (at < length) out[at++] = b;
  };
  put(0x01);
  put(0x00);
  uint32_t r = length >= 2 ? length - 2 : 0;
  while (r > 17) {
    put(0x64);
    put(0x70);
    put(0x0E);
    for (int i = 0; i < 14; ++i) put(0x00);
    r -= 17;
  }
  if (r > 2) put(0x64), --r;
  if (r > 1) put(0x70), --r;
  if (r > 0) --r, put(static_cast<uint8_t>(r));
  while (r-- > 0) put(0x00);
}

// Every write's result counts: a repair that could not write all it meant to answers
// kRepairFailed (the quarantine copy already exists). The FIB fields are read, checked,
// before anything else is written, so a "WordDocument" stream too short for them leaves
// the document as it was but for the wiped module.
int RepairWord97Document(DocFile& doc, uint32_t entryId) {
  bool complete = WipeEntryStream(doc, entryId) != kWipeIncomplete;  // an id that names no stream is skipped
  const int32_t word = FindEntry(doc, kRootStorage, u"WordDocument");
  if (word < 0 || OpenStream(doc, static_cast<uint32_t>(word)) != kStreamOpened) {
    CloseStream(doc);
    return kRepairFailed;
  }
  StreamFields fib(doc);
  const uint32_t fcCmds = fib.U32At(kFcCmds);
  fib.U32At(kLcbCmds);  // the field cleared below must be there too
  if (fib.failed()) {
    CloseStream(doc);
    return kRepairFailed;
  }
  const uint8_t zero[4] = {0, 0, 0, 0};
  complete = WriteAtOffset(doc, kLcbCmds, zero, 4) && complete;
  const int32_t macros = FindEntry(doc, kRootStorage, u"Macros");
  if (macros < 0) {
    CloseStream(doc);
    return kRepairFailed;
  }
  complete = UnlinkEntry(doc, static_cast<uint32_t>(macros)) == 1 && complete;
  CloseStream(doc);
  const int32_t table = FindEntry(doc, kRootStorage, u"1Table");
  if (table < 0) return complete ? kRepaired : kRepairFailed;
  if (OpenStream(doc, static_cast<uint32_t>(table)) != kStreamOpened) {
    CloseStream(doc);
    return kRepairFailed;
  }
  complete = WriteAtOffset(doc, static_cast<int32_t>(fcCmds), kEmptyCommandTable, 2) && complete;
  CloseStream(doc);
  return complete ? kRepaired : kRepairFailed;
}

int RepairWord6Document(DocFile& doc) {
  if (!OpenNamed(doc, u"WordDocument")) {
    CloseStream(doc);
    return kRepairFailed;
  }
  StreamFields fib(doc);
  const int32_t t = static_cast<int32_t>(fib.U32At(kMacroTableOffset));
  const uint32_t n = fib.U32At(kMacroTableLength);
  if (fib.failed()) {
    CloseStream(doc);
    return kRepairFailed;
  }
  const uint8_t two[4] = {2, 0, 0, 0};
  bool complete = WriteAtOffset(doc, kMacroTableLength, two, 4);
  if (t >= 0) complete = WriteAtOffset(doc, t, kEmptyCommandTable, 2) && complete;
  if (n <= 1 || t < 0) return complete ? kRepaired : kRepairFailed;

  uint8_t table[cap::kWord6MacroTableBytes];
  const uint32_t m = std::min<uint32_t>(n, cap::kWord6MacroTableBytes);
  if (SeekStream(doc, t, 0) != 1 || ReadStream(doc, table, static_cast<int32_t>(m)) != static_cast<int32_t>(m)) {
    return kRepairFailed;  // the macro texts it lists could not be found
  }
  static_assert(cap::kWord6MacroTextBytes <= 65536);
  std::vector<uint8_t> text(cap::kWord6MacroTextBytes);
  ByteCursor descriptors(ByteReader(table, m));
  // At most m / 24 descriptors fit in the copy, which bounds the walk.
  for (uint32_t at = kFirstDescriptor; ByteReader(table, m).Has(at, kDescriptorBytes); at += kDescriptorBytes) {
    const uint32_t c = descriptors.U32At(at + kDescriptorTextLength);
    const int32_t p = static_cast<int32_t>(descriptors.U32At(at + kDescriptorTextOffset));
    const uint16_t marker = descriptors.U16At(at + kDescriptorMarker);
    if (descriptors.failed() || c <= 1) break;
    const uint32_t length = std::min<uint32_t>(c, cap::kWord6MacroTextBytes);
    if (p < 0 || SeekStream(doc, p, 0) != 1 ||
        ReadStream(doc, text.data(), static_cast<int32_t>(length)) != static_cast<int32_t>(length)) {
      complete = false;
      break;
    }
    FillWord6MacroText(text.data(), length);
    complete = WriteAtOffset(doc, p, text.data(), static_cast<int32_t>(length)) && complete;
    if (marker != 0xFFFF) break;
  }
  return complete ? kRepaired : kRepairFailed;
}

}  // namespace qv
