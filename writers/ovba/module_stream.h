// Module streams of a VBA project ([MS-OVBA] 2.3.4.3): the performance cache, then the
// compressed source text, which begins with the attribute lines the editor writes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv::writers::ovba {

// A module's source text as the editor stores it: "Attribute VB_Name" first, then `body`
// (lines ending in CR LF).
std::string ModuleSource(std::string_view moduleName, std::string_view body);

// The source of a document module (ThisDocument, ThisWorkbook, Sheet1): the attribute lines
// of a class tied to the document, then `body`. `base` is its VB_Base, for example
// "1Normal.ThisDocument"; a base in "1Normal." marks the module as template derived.
std::string DocumentModuleSource(std::string_view moduleName, std::string_view base, std::string_view body);

struct ModuleStream {
  std::vector<uint8_t> bytes;
  uint32_t sourceOffset = 0;  // where the compressed source starts (the dir's MODULEOFFSET)
};

// `cache` (the performance cache, empty for a project compiled from source), then the
// compressed `source`.
ModuleStream BuildModuleStream(std::string_view source, const std::vector<uint8_t>& cache);

}  // namespace qv::writers::ovba
