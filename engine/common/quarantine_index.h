// The quarantine index "index.txt" beside the copies: one line per copy written, telling where
// the copy came from, so that a copy stored as "x(2).doc.vir" (because "x.doc.vir" was taken)
// still shows and restores as the x.doc it was, at its own place.
//
// A line is: "v1", the copy's file name, its size, the CRC-32 of the document's bytes (eight
// hex digits), the local time "YYYY-MM-DD hh:mm:ss", the rule ("" for a start-up file) and the
// document's full path, separated by tabs. Backslash, tab, CR and LF inside a field are written
// as \\, \t, \r and \n; names are UTF-8, a non-UTF-8 name's bytes as they are.
//
// The index only ever grows by whole appended lines. A reader trusts a line only while the
// copy it names exists with that size and checksum, takes the last such line per copy, and
// skips whatever it cannot parse: a missing or damaged index costs the origins, never a copy.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

inline constexpr char kQuarantineIndexName[] = "index.txt";

struct QuarantineRecord {
  std::u16string copyName;      // "Report(2).doc.vir"
  uint64_t bytes = 0;           // size of the copy (= of the document)
  uint32_t crc32 = 0;           // of the document's plain bytes
  std::string time;             // "2016-01-05 09:07:03", local time of the copy
  std::string rule;             // the rule that fired; empty for a swept start-up file
  std::u16string originalPath;  // where the document was
};

std::string FormatIndexLine(const QuarantineRecord& record);  // ends with "\n"
std::optional<QuarantineRecord> ParseIndexLine(std::string_view line);

// Appends a record to the index of `quarantineDir` (ending with the separator). False when the
// index cannot be written; the copy itself is good either way.
bool AppendIndexRecord(const std::u16string& quarantineDir, const QuarantineRecord& record);

// The records of the index that still describe their copies, by copy name.
std::map<std::u16string, QuarantineRecord> ReadQuarantineIndex(const std::u16string& quarantineDir);

// The CRC-32 (zlib's) of plain document bytes.
uint32_t DocumentChecksum(const uint8_t* bytes, size_t length);

}  // namespace qv
