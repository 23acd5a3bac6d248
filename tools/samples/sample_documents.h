// The harmless test samples: five documents that carry the test string
// QUORVANE-MACRO-TEST-SIGNATURE in a macro, so that detection, quarantine, repair and restore
// can be seen end to end without real malware. The macros never run by themselves; the VBA
// one only shows a message when started by hand.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace qv::samples {

inline constexpr char kTestString[] = "QUORVANE-MACRO-TEST-SIGNATURE";

enum class SampleKind { Word97, Excel97Vba, Excel97Macro4, WordPackage, ExcelPackage, Presentation97, EncryptedExcelPackage };

struct SampleInfo {
  SampleKind kind;
  const char* key;          // command-line name
  const char* fileName;
  const char* description;
};

const std::vector<SampleInfo>& Samples();

// Writes the sample into `folder` under its file name. False (and `error` set) on failure.
bool WriteSample(const SampleInfo& sample, const std::filesystem::path& folder, std::string* error);

}  // namespace qv::samples
