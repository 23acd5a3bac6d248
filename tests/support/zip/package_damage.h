// Damage done to a written package's bookkeeping, byte by byte, for the hostile-package tests
// and the fuzz seed corpus: entries made to share one local header, local header names that
// disagree with the central directory. Works on packages as WritePackage makes them (no
// archive comment; no zip64 records but the end record of a package of more than 0xFFFF
// entries).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qv::test {

// The file offsets of every central directory record, in archive order.
std::vector<size_t> CentralRecords(const std::vector<uint8_t>& package);
// The name stored in the central record at `record`.
std::string CentralName(const std::vector<uint8_t>& package, size_t record);
// The local header offset the central record at `record` points at.
uint32_t LocalOffsetOf(const std::vector<uint8_t>& package, size_t record);
// The central record of the entry named `name`; throws when there is none.
size_t RecordNamed(const std::vector<uint8_t>& package, const std::string& name);

// Points every central record at the local header of entry `name`: all entries share its bytes.
void ShareOneLocalHeader(std::vector<uint8_t>& package, const std::string& name);
// Changes one byte of entry `name`'s name in its local header only.
void FlipLocalName(std::vector<uint8_t>& package, const std::string& name);
// Removes the zip64 end record and its locator, which newer minizip versions write for more
// than 0xFFFF entries (the Windows build's does, Debian's libminizip does not): the classic
// end record with its saturated count is all that is left.
void DropZip64EndRecords(std::vector<uint8_t>& package);

}  // namespace qv::test
