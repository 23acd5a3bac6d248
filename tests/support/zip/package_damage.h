// Damage done to a written package's bookkeeping, byte by byte, for the hostile-package tests
// and the fuzz seed corpus: entries made to share one local header, local header names that
// disagree with the central directory. Works on packages as WritePackage makes them (no
// archive comment, no zip64 records).
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

}  // namespace qv::test
