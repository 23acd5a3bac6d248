// Opens arbitrary bytes as a compound file, looks up a few names, reads every stream from
// the memory image and again from the file (the two must agree), then runs the in-place
// writes on the file and reads everything once more. The file's length and its header
// must never change.
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/storage/compound_file.h"
#include "engine/storage/streams.h"
#include "engine/storage/writer.h"
#include "tests/support/doc/doc_harness.h"

namespace {

using namespace qv;

constexpr size_t kMaxInput = 4u << 20;
constexpr uint64_t kReadBudget = 8u << 20;  // bytes read per pass, so that huge sizes stay quick

// A digest of every stream: what ReadStream answered for each piece, and the bytes.
std::vector<uint64_t> ReadEverything(DocFile& doc) {
  std::vector<uint64_t> digest;
  uint64_t budget = kReadBudget;
  static uint8_t piece[2048];
  for (uint32_t id = 0; id < doc.DirCount; ++id) {
    const int opened = OpenStream(doc, id);
    digest.push_back(static_cast<uint64_t>(opened));
    if (opened == kStreamOpened) {
      uint64_t hash = 1469598103934665603ull;
      // Uneven piece sizes cross sector and mini sector boundaries in every way.
      for (int32_t length = 1; budget > 0; length = length % 1900 + 97) {
        const int32_t got = ReadStream(doc, piece, length);
        if (got <= 0) break;
        if (got > length) __builtin_trap();
        budget -= static_cast<uint64_t>(got) < budget ? got : budget;
        for (int32_t i = 0; i < got; ++i) hash = (hash ^ piece[i]) * 1099511628211ull;
      }
      digest.push_back(hash);
      // A typed read answers what a plain read of the same bytes gives (when that read can
      // supply them; otherwise its value is not meaningful and is left out).
      uint8_t bytes[4] = {};
      if (SeekStream(doc, 0, 0) == 1 && ReadStream(doc, bytes, 4) == 4) {
        const uint32_t value = ReadU32At(doc, 0);
        if (value != (bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24)) {
          __builtin_trap();
        }
        digest.push_back(value);
      }
      digest.push_back(static_cast<uint64_t>(SeekStream(doc, 64, 0)) << 1 | SkipStream(doc, -63));
      digest.push_back(static_cast<uint32_t>(TellStream(doc)));
    }
    CloseStream(doc);
  }
  return digest;
}

void LookUpNames(DocFile& doc) {
  static const char16_t* const kNames[] = {u"WordDocument", u"Macros", u"VBA", u"Workbook", u"dir", u"1Table"};
  for (const char16_t* name : kNames) {
    const int32_t id = FindEntry(doc, 0, name);
    if (id < -1 || id >= static_cast<int32_t>(doc.DirCount)) __builtin_trap();
    if (id > 0) FindEntry(doc, static_cast<uint32_t>(id), u"Module1");
  }
}

void RunWrites(DocFile& doc, const uint8_t* data, size_t size) {
  const uint32_t count = doc.DirCount;
  const uint32_t pick = size > 4 ? data[size - 1] | data[size - 2] << 8 : 1;
  WipeEntryStream(doc, pick % count);
  if (OpenStream(doc, (pick >> 3) % count) == kStreamOpened) {
    WriteU16At(doc, static_cast<int32_t>(pick), 0x40FF);
    const uint8_t bytes[700] = {0x5A};
    WriteStream(doc, bytes, sizeof bytes);
  }
  CloseStream(doc);
  const DirEntry* root = EntryAt(doc, 0);
  if (root != nullptr) WipeSubtree(doc, EntryChild(*root));
  UnlinkEntry(doc, (pick >> 5) % count);
  UnlinkEntry(doc, static_cast<uint32_t>(FindEntry(doc, 0, u"Macros")));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static test::DocHarness harness;
  if (size > kMaxInput) return 0;
  if (!harness.Load(data, size, test::ReadMode::Memory)) return 0;
  DocFile& doc = harness.doc();
  if (OpenCompoundFile(doc) != 1) return 0;
  if (doc.DirCount == 0 || doc.DirCount > cap::kMaxDirCount) __builtin_trap();

  LookUpNames(doc);
  const std::vector<uint64_t> fromImage = ReadEverything(doc);
  LeaveMemoryMode(doc);
  if (ReadEverything(doc) != fromImage) __builtin_trap();

  RunWrites(doc, data, size);
  ReadEverything(doc);
  const std::vector<uint8_t> after = harness.DiskBytes();
  if (after.size() != size) __builtin_trap();
  if (size >= 512 && std::memcmp(after.data(), data, 512) != 0) __builtin_trap();
  return 0;
}
