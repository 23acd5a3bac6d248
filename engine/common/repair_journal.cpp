#include "engine/common/repair_journal.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "engine/common/capacities.h"
#include "engine/common/work_area.h"
#include "engine/platform/platform.h"

namespace qv {
namespace {

constexpr uint64_t kFnvOffset = 0xcbf29ce484222325ull;
constexpr uint64_t kFnvPrime = 0x100000001b3ull;

uint64_t Fnv1a(const uint8_t* bytes, size_t length) {
  uint64_t hash = kFnvOffset;
  for (size_t i = 0; i < length; ++i) hash = (hash ^ bytes[i]) * kFnvPrime;
  return hash;
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutU64(std::vector<uint8_t>& out, uint64_t v) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
uint64_t U64(ByteCursor& at) {
  const uint64_t low = at.U32();
  return low | (uint64_t{at.U32()} << 32);
}

// One block from `at`, or nullopt when it is cut short, damaged or past the capacities.
std::optional<JournalBlock> ParseBlock(ByteReader bytes, uint64_t& at) {
  ByteCursor cursor(bytes, at);
  char magic[sizeof kJournalMagic];
  if (!cursor.Bytes(magic, sizeof magic) || std::memcmp(magic, kJournalMagic, sizeof magic) != 0) return std::nullopt;
  if (cursor.U32() != kJournalVersion) return std::nullopt;
  const uint32_t units = cursor.U32();
  if (cursor.failed() || units == 0 || units > cap::kMaxJournalPathUnits || !bytes.Has(cursor.position(), 2ull * units)) {
    return std::nullopt;
  }
  JournalBlock block;
  for (uint32_t i = 0; i < units; ++i) block.documentPath.push_back(static_cast<char16_t>(cursor.U16()));
  block.documentSize = U64(cursor);
  const uint32_t ranges = cursor.U32();
  if (cursor.failed() || ranges > cap::kMaxJournalRanges) return std::nullopt;
  for (uint32_t r = 0; r < ranges; ++r) {
    JournalRange range;
    range.offset = U64(cursor);
    const uint32_t length = cursor.U32();
    // Checked before anything is allocated: both copies must lie in the journal.
    if (cursor.failed() || !bytes.Has(cursor.position(), 2ull * length)) return std::nullopt;
    range.before.resize(length);
    range.after.resize(length);
    cursor.Bytes(range.before.data(), length);
    cursor.Bytes(range.after.data(), length);
    block.ranges.push_back(std::move(range));
  }
  const uint64_t end = cursor.position();
  const uint64_t stored = U64(cursor);
  if (cursor.failed() || stored != Fnv1a(bytes.data() + at, static_cast<size_t>(end - at))) return std::nullopt;
  at = cursor.position();
  return block;
}

std::optional<std::vector<uint8_t>> ReadWhole(const std::u16string& path, uint64_t limit) {
  auto file = platform::File::OpenRead(path);
  if (!file || file->Size() > limit) return std::nullopt;
  std::vector<uint8_t> bytes(static_cast<size_t>(file->Size()));
  if (file->ReadAt(0, bytes.data(), bytes.size()) != bytes.size()) return std::nullopt;
  return bytes;
}

// Adds a block to the current document's journal, flushed (with its folder the first time).
bool AppendJournalBlock(WorkArea& area, const JournalBlock& block) {
  const std::u16string path = JournalPath(area.quarantineDir);
  std::optional<platform::File> journal;
  if (!area.journalWritten) {
    // A journal left from another document (its roll-back failed) is never overwritten.
    platform::CreateFolder(InProgressFolder(area.quarantineDir));
    journal = platform::File::CreateExclusive(path);
  } else {
    journal = platform::File::OpenReadWrite(path);
  }
  if (!journal) return false;
  const std::vector<uint8_t> bytes = SerializeJournalBlock(block);
  const uint64_t at = journal->Size();
  if (journal->WriteAt(at, bytes.data(), bytes.size()) != bytes.size() || !journal->Flush()) {
    if (!area.journalWritten) {
      journal->Close();
      platform::DeletePath(path);
    }
    return false;
  }
  if (!area.journalWritten && !platform::FlushFolder(InProgressFolder(area.quarantineDir))) {
    journal->Close();
    platform::DeletePath(path);
    return false;
  }
  area.journalWritten = true;
  return true;
}

// Every range of a block still holds, byte by byte, what it held before or after the repair
// (a write cut short leaves a mix of both). Anything else: the document changed since.
bool HoldsBeforeOrAfter(platform::File& document, const JournalBlock& block) {
  for (const JournalRange& range : block.ranges) {
    std::vector<uint8_t> now(range.before.size());
    if (document.ReadAt(range.offset, now.data(), now.size()) != now.size()) return false;
    for (size_t i = 0; i < now.size(); ++i) {
      if (now[i] != range.before[i] && now[i] != range.after[i]) return false;
    }
  }
  return true;
}

template <typename Document>
bool PutBack(Document& document, const JournalBlock& block) {
  bool ok = true;
  for (const JournalRange& range : block.ranges) {
    ok = document.WriteAt(range.offset, range.before.data(), range.before.size()) == range.before.size() && ok;
  }
  return document.Flush() && ok;
}

}  // namespace

std::vector<uint8_t> SerializeJournalBlock(const JournalBlock& block) {
  std::vector<uint8_t> out(kJournalMagic, kJournalMagic + sizeof kJournalMagic);
  PutU32(out, kJournalVersion);
  PutU32(out, static_cast<uint32_t>(block.documentPath.size()));
  for (char16_t unit : block.documentPath) {
    out.push_back(static_cast<uint8_t>(unit));
    out.push_back(static_cast<uint8_t>(unit >> 8));
  }
  PutU64(out, block.documentSize);
  PutU32(out, static_cast<uint32_t>(block.ranges.size()));
  for (const JournalRange& range : block.ranges) {
    PutU64(out, range.offset);
    PutU32(out, static_cast<uint32_t>(range.before.size()));
    out.insert(out.end(), range.before.begin(), range.before.end());
    out.insert(out.end(), range.after.begin(), range.after.end());
  }
  PutU64(out, Fnv1a(out.data(), out.size()));
  return out;
}

std::vector<JournalBlock> ParseJournal(ByteReader bytes) {
  std::vector<JournalBlock> blocks;
  uint64_t at = 0;
  while (at < bytes.size() && blocks.size() < cap::kMaxJournalBlocks) {
    auto block = ParseBlock(bytes, at);
    if (!block) break;
    blocks.push_back(std::move(*block));
  }
  return blocks;
}

std::u16string InProgressFolder(const std::u16string& quarantineDir) {
  std::u16string folder = quarantineDir;
  if (folder.empty() || folder.back() != platform::kSep) folder.push_back(platform::kSep);
  return folder + u"in-progress" + platform::kSep;
}
std::u16string JournalPath(const std::u16string& quarantineDir) {
  return InProgressFolder(quarantineDir) + u"repair.journal";
}

void BeginRepairWrites(WorkArea& area) {
  area.heldWrites.clear();
  area.holdingWrites = area.document.has_value();
  area.heldLimit = area.document ? area.document->Size() : 0;
}

void DiscardRepairWrites(WorkArea& area) {
  area.holdingWrites = false;
  area.heldWrites.clear();
}

bool CommitRepairWrites(WorkArea& area) {
  area.holdingWrites = false;
  std::vector<HeldWrite> held = std::move(area.heldWrites);
  area.heldWrites.clear();
  if (held.empty()) return true;
  if (!area.document) return false;
  if (area.document->InMemory() != nullptr) {
    // A part held in memory: nothing on disk changes until its package is rebuilt whole.
    for (const HeldWrite& write : held) {
      if (area.document->WriteAt(write.offset, write.bytes.data(), write.bytes.size()) != write.bytes.size()) return false;
    }
    return true;
  }

  // Disjoint ranges covering every held write, each with its bytes before and after.
  std::vector<std::pair<uint64_t, uint64_t>> spans;
  for (const HeldWrite& write : held) spans.emplace_back(write.offset, write.offset + write.bytes.size());
  std::sort(spans.begin(), spans.end());
  std::vector<std::pair<uint64_t, uint64_t>> merged;
  for (const auto& span : spans) {
    if (!merged.empty() && span.first <= merged.back().second) {
      merged.back().second = std::max(merged.back().second, span.second);
    } else {
      merged.push_back(span);
    }
  }
  JournalBlock block;
  block.documentPath = area.currentPath;
  block.documentSize = area.document->Size();
  for (const auto& [from, to] : merged) {
    JournalRange range;
    range.offset = from;
    range.before.resize(static_cast<size_t>(to - from));
    if (area.document->ReadAt(from, range.before.data(), range.before.size()) != range.before.size()) return false;
    range.after = range.before;
    for (const HeldWrite& write : held) {  // in the order the repair made them
      const uint64_t lo = std::max(from, write.offset), hi = std::min(to, write.offset + write.bytes.size());
      if (lo < hi) std::memcpy(range.after.data() + (lo - from), write.bytes.data() + (lo - write.offset), hi - lo);
    }
    block.ranges.push_back(std::move(range));
  }
  if (!AppendJournalBlock(area, block)) return false;  // the document has not been touched

  bool applied = true;
  for (const JournalRange& range : block.ranges) {
    applied = applied && area.document->WriteAt(range.offset, range.after.data(), range.after.size()) == range.after.size();
  }
  applied = applied && area.document->Flush();
  if (applied) return true;
  if (!PutBack(*area.document, block)) area.journalMustStay = true;
  return false;
}

void FinishDocumentJournal(WorkArea& area) {
  DiscardRepairWrites(area);
  if (area.journalWritten && !area.journalMustStay) {
    platform::DeletePath(JournalPath(area.quarantineDir));
  } else if (area.journalMustStay) {
    area.interruptedRepairs.insert(area.currentPath);
  }
  area.journalWritten = false;
  area.journalMustStay = false;
}

JournalRecovery RecoverRepairJournal(const std::u16string& quarantineDir) {
  JournalRecovery out;
  const std::u16string path = JournalPath(quarantineDir);
  if (platform::GetPathKind(path) == platform::PathKind::Missing) return out;
  const auto bytes = ReadWhole(path, cap::kMaxJournalFileBytes);
  if (!bytes) {
    out.notUndone.push_back(path);  // unreadable: kept for a later try
    return out;
  }
  const std::vector<JournalBlock> blocks = ParseJournal(ByteReader(bytes->data(), bytes->size()));
  // Latest repair first, so every range goes back through the states it went through.
  std::vector<std::u16string> failed;
  for (auto block = blocks.rbegin(); block != blocks.rend(); ++block) {
    const std::u16string& document = block->documentPath;
    if (std::find(failed.begin(), failed.end(), document) != failed.end()) continue;
    if (platform::GetPathKind(document) == platform::PathKind::Missing) continue;  // deleted: nothing to undo
    auto file = platform::File::OpenReadWrite(document);
    if (!file || file->Size() != block->documentSize || !HoldsBeforeOrAfter(*file, *block) || !PutBack(*file, *block)) {
      failed.push_back(document);
      continue;
    }
    if (std::find(out.undone.begin(), out.undone.end(), document) == out.undone.end()) out.undone.push_back(document);
  }
  for (const auto& document : failed) {
    out.undone.erase(std::remove(out.undone.begin(), out.undone.end(), document), out.undone.end());
    out.notUndone.push_back(document);
  }
  if (out.notUndone.empty()) {
    platform::DeletePath(path);
    platform::FlushFolder(InProgressFolder(quarantineDir));
  }
  return out;
}

}  // namespace qv
