// Zip packages for tests: read back with minizip, and the parts of typical macro-enabled Word,
// Excel and PowerPoint packages with hostile touches (see MacroEnabledPackage).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "writers/zip/package_writer.h"

namespace qv::test {

// Packages are written with the shared writer; a part may be raw or stored.
using writers::PackagePart;
using writers::WritePackage;

// One entry as a package holds it.
struct StoredEntry {
  std::string name;
  std::vector<uint8_t> data;
  int method = -1;                  // 0 stored, 8 deflated
  uint16_t flag = 0;                // general purpose bit flag (0x0800: UTF-8 name)
  bool intact = false;              // read completely and the checksum matched
};
// Every entry in archive order; empty when the file is not a readable zip archive.
std::vector<StoredEntry> ReadPackage(const std::filesystem::path& path);
std::vector<std::string> EntryNames(const std::vector<StoredEntry>& entries);
const StoredEntry* FindEntry(const std::vector<StoredEntry>& entries, const std::string& name);

// Raw deflate (no zlib header) of `data`, as zip entries hold it.
std::vector<uint8_t> RawDeflate(const std::vector<uint8_t>& data);
uint32_t Crc32(const std::vector<uint8_t>& data);

enum class OfficeKind { Word, Excel, PowerPoint };
// "word", "xl" or "ppt".
std::string PartFolder(OfficeKind kind);
// "<folder>/vbaProject.bin".
std::string ProjectEntryName(OfficeKind kind);
// The parts of a macro-enabled document of that kind, with `project` as its VBA project part
// in the middle of the archive (not last), an embedded archive (stored by name) and a
// relationship part whose name mentions vbaProject.bin without containing the entry name.
std::vector<PackagePart> MacroEnabledPackage(OfficeKind kind, const std::vector<uint8_t>& project);

std::vector<uint8_t> Bytes(const std::string& text);

}  // namespace qv::test
