// Reads a compound file the way the engine does (ExamineFile, then the engine's directory
// and stream operations), so that the sample writers are checked against an independent
// reader, and repaired samples can be shown to still be usable compound files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qv::test {

struct CompoundContent {
  std::map<std::string, std::vector<uint8_t>> streams;  // "Macros/VBA/dir" -> bytes, reachable from the root
  std::vector<std::string> storages;                   // reachable storages, "Macros", "Macros/VBA"
  std::vector<std::string> faults;        // broken links, names out of order, unreadable streams
  std::vector<std::string> colourFaults;  // sibling trees that are not red-black trees
};

// Every stream and storage reachable from the root through the sibling trees; nullopt when
// the engine does not take the file up as a compound file.
std::optional<CompoundContent> ReadCompound(const std::filesystem::path& path);

}  // namespace qv::test
