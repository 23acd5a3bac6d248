// The streams of a VBA project as Office writes them ([MS-OVBA] 2.2, 2.3): "PROJECT" (the
// project's text properties), "PROJECTwm" (module names), "VBA/_VBA_PROJECT" (with version
// 0xFFFF and no performance cache, so that Office compiles the project from its source),
// "VBA/dir" (the compressed information, reference and module records) and one compressed
// source stream per module.
#pragma once

#include <string>
#include <vector>

#include "tools/samples/byte_sink.h"

namespace qv::samples {

struct VbaModule {
  std::string name;        // ASCII; also the stream name
  bool document = false;   // a document module (ThisDocument, ThisWorkbook, Sheet1)
  std::string code;        // the code after the attribute lines, lines ending in CR LF
  std::string base;        // VB_Base of a document module, e.g. "1Normal.ThisDocument"
};

struct VbaStream {
  std::string path;  // relative to the project's storage: "PROJECT", "VBA/dir", "VBA/Module1"
  Bytes bytes;
};

// The module's full source text: the attribute lines the editor writes, then its code.
std::string ModuleSourceText(const VbaModule& module);

// `projectName`: "Project" in Word, "VBAProject" in Excel.
std::vector<VbaStream> BuildVbaProjectStreams(const std::vector<VbaModule>& modules, const std::string& projectName);

// Project protection values in the "PROJECT" stream are enciphered ([MS-OVBA] 2.4.3) with a
// key derived from the project identifier; `seed` is the cipher's first byte.
std::string EncryptProjectData(const Bytes& data, const std::string& projectId, uint8_t seed);

}  // namespace qv::samples
