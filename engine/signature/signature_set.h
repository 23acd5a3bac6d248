// What a SCanFileVirus call owns for matching: the parsed library, the matcher built over it
// and the work area that reports go to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/signature/rule_matcher.h"
#include "engine/signature/signature_library.h"
#include "engine/signature/signature_tables.h"

namespace qv {

struct SignatureTables {
  std::unique_ptr<SignatureLibrary> library;
  std::unique_ptr<RuleMatcher> matcher;  // refers to *library; released first
  WorkArea* area = nullptr;              // not owned; set before each macro pass
  ReportFn report = nullptr;

  ~SignatureTables() { matcher.reset(); }
};

// "qzmacro.vlb" in the folder of the given program file.
std::u16string LibraryPathBeside(const std::u16string& programPath);
// Reads a library file whole into `image`: kLibraryLoaded, kLibraryMissing (cannot be opened)
// or kLibraryNoMemory (too large to hold).
int LoadLibraryFile(const std::u16string& path, std::vector<uint8_t>& image);

// Deciphers a whole library file image, parses it and builds the matcher; null when the
// library is unusable or memory runs out. The image itself is left alone.
std::unique_ptr<SignatureTables> BuildTablesFromImage(const uint8_t* image, size_t length, ReportFn report);

// MatchRules with its count: the number of enabled rules whose score exceeds 0.0001.
int32_t MatchRulesCounted(const uint8_t* text, uint32_t length, SignatureTables& tables);

}  // namespace qv
