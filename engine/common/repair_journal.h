// The repair journal: the original bytes of every range a repair is about to overwrite,
// flushed in the quarantine folder before the document's first byte changes and removed when
// the document is done. A run that dies in between leaves it; the next run that takes the
// quarantine puts the original bytes back, so an interrupted repair leaves the document
// either as it was or fully repaired, never half-way.
//
// A repair's writes are first held in the work area (reads of the repair see them), then
// applied together by CommitRepairWrites: journal block written and flushed, writes made,
// document flushed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/common/byte_reader.h"

namespace qv {

struct WorkArea;

// ---- the journal file ------------------------------------------------------------------
// A journal is a run of blocks, one per committed repair of one document. Block layout
// (little-endian):
//   0   8      magic "QVREPAIR"
//   8   4      format version (1)
//   12  4      n = units in the document's path
//   16  2n     the path, UTF-16 code units as the engine holds them
//   +0  8      the document's size
//   +8  4      r = number of ranges
//   then r ranges: 8 offset, 4 length L, L bytes before the repair, L bytes after it
//   +0  8      FNV-1a 64 of every byte of the block before this field
// A block whose checksum does not match was being written when the run died: no write of
// its repair had begun, so it and everything after it are ignored.
inline constexpr char kJournalMagic[8] = {'Q', 'V', 'R', 'E', 'P', 'A', 'I', 'R'};
inline constexpr uint32_t kJournalVersion = 1;

struct JournalRange {
  uint64_t offset = 0;
  std::vector<uint8_t> before, after;  // equal lengths
};
struct JournalBlock {
  std::u16string documentPath;
  uint64_t documentSize = 0;
  std::vector<JournalRange> ranges;
};

std::vector<uint8_t> SerializeJournalBlock(const JournalBlock& block);
// The complete blocks at the start of a journal's bytes, in order; parsing stops at the first
// block that is cut short, damaged or beyond the capacities (the blocks before it stand).
std::vector<JournalBlock> ParseJournal(ByteReader bytes);

// The folder, inside the quarantine folder, of what a run has in hand: the journal, a
// quarantine copy being written, records of temporary files made elsewhere. With the trailing
// separator.
std::u16string InProgressFolder(const std::u16string& quarantineDir);
std::u16string JournalPath(const std::u16string& quarantineDir);

// ---- repairs in the work area ----------------------------------------------------------
// From here to Commit or Discard, WriteAt(area, …) is held in the work area and ReadAt sees it.
void BeginRepairWrites(WorkArea& area);
// Applies the held writes: journal block first (flushed, with its folder), then the writes,
// then a flush of the document. True when every write reached the document; otherwise what
// was written is put back at once, and the document is as before this repair.
bool CommitRepairWrites(WorkArea& area);
void DiscardRepairWrites(WorkArea& area);
// The document is done: its journal goes, unless a failed roll-back needs it kept for the
// next run.
void FinishDocumentJournal(WorkArea& area);

// ---- recovery --------------------------------------------------------------------------
struct JournalRecovery {
  std::vector<std::u16string> undone;         // documents put back as they were
  std::vector<std::u16string> notUndone;      // changed since, unwritable: left alone, journal kept
};
// Rolls back the journal a dead run left in this quarantine folder. Called with the
// quarantine's lock held, so no living run owns it.
JournalRecovery RecoverRepairJournal(const std::u16string& quarantineDir);

}  // namespace qv
