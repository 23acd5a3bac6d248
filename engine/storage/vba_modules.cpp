#include "engine/storage/vba_modules.h"

#include <algorithm>

#include "engine/common/work_area.h"
#include "engine/signature/signature_tables.h"
#include "engine/storage/cfb_layout.h"
#include "engine/storage/compound_file.h"
#include "engine/storage/doc_file.h"
#include "engine/storage/streams.h"
#include "engine/storage/vba_layout.h"
#include "engine/storage/vba_source_search.h"

namespace qv {

namespace {

// The project's "dir" stream is compressed from its first byte but holds records, not
// source; it is never searched.
constexpr char16_t kDirStreamName[] = u"dir";

uint32_t CloseAndAnswer(DocFile& doc, uint32_t result) {
  CloseStream(doc);
  return result;
}

}  // namespace

uint32_t ExtractModuleSource(DocFile& doc, uint32_t id, uint32_t size) {
  if (id == cfb::kNoStream || doc.workArea == nullptr) return 0;
  if (OpenStream(doc, id) != kStreamOpened) return CloseAndAnswer(doc, 0);

  // A module stream begins with 0x01 (its performance cache or its source container).
  uint8_t first = 0;
  if (SeekStream(doc, 0, 0) != 1 || ReadStream(doc, &first, 1) != 1 || first != vba::kContainerSignature) {
    return CloseAndAnswer(doc, 0);
  }

  // The module block: the whole stream, as far as the stream layer can deliver it (never
  // past the sectors its chain lists, nor past the cap). Bytes a failed read leaves out stay
  // zero and hold no candidate.
  const uint64_t chainBytes = static_cast<uint64_t>(doc.current.chainLength) * doc.current.sectorSize;
  const auto blockBytes =
      static_cast<uint32_t>(std::min<uint64_t>({size, cap::kModuleBlockLimit, chainBytes}));
  AllocationRegister& allocations = doc.workArea->allocations;
  auto* block = static_cast<uint8_t*>(allocations.AllocateRegistered(blockBytes));
  if (block == nullptr) return CloseAndAnswer(doc, 0);
  SeekStream(doc, 0, 0);
  ReadStream(doc, block, static_cast<int32_t>(blockBytes));

  const uint32_t length = FindModuleSource(ByteReader(block, blockBytes), size, doc.sourceText);
  allocations.FreeBlock(block);
  return CloseAndAnswer(doc, length);
}

void ScanVbaModules(DocFile& doc, SignatureTables& tables) {
  // The entry is looked up afresh for every id: a repair made inside MatchRules may have
  // rewritten the directory, zero-filled streams or left memory mode.
  for (doc.ScanCursor = 0; doc.ScanCursor < doc.DirCount; ++doc.ScanCursor) {
    const DirEntry* entry = EntryAt(doc, doc.ScanCursor);
    if (entry == nullptr || EntryObjectType(*entry) != cfb::kTypeStream) continue;
    if (EntryNameMatches(*entry, kDirStreamName)) continue;
    const uint32_t length = ExtractModuleSource(doc, doc.ScanCursor, EntryStreamSize(*entry));
    if (length != 0) MatchRules(doc.sourceText, length, tables);
  }
}

}  // namespace qv
