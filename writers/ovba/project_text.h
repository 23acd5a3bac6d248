// The text streams of a VBA project ([MS-OVBA] 2.3.1, 2.3.3): "PROJECT" (the project's
// properties as lines of text, with the enciphered protection values) and "PROJECTwm" (the
// module names twice, in the code page and in UTF-16).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv::writers::ovba {

struct ModuleSpec;

// Fixed, so that a project is the same bytes on every run.
inline constexpr char kProjectId[] = "{5C1D8C2E-7A43-4E0B-9D61-3F2A8B47C915}";

std::string ProjectText(const std::vector<ModuleSpec>& modules, const std::string& projectName);
std::vector<uint8_t> ProjectWm(const std::vector<ModuleSpec>& modules);

// Project protection values in the "PROJECT" stream are enciphered ([MS-OVBA] 2.4.3) with a
// key derived from the project identifier; `seed` is the cipher's first byte. Answers the
// enciphered bytes as upper-case hexadecimal text.
std::string EncryptProjectData(const std::vector<uint8_t>& data, const std::string& projectId, uint8_t seed);

}  // namespace qv::writers::ovba
