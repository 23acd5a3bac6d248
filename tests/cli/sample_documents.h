// Office documents for whole-program runs: a Word 97 document whose VBA project either holds
// the harmless test signature or only innocent macro text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qv::cli::test {

// The string the test signature fires on ("Macro.Test.Signature").
inline constexpr char kTestSignatureText[] = "QUORVANE-MACRO-TEST-SIGNATURE";
inline constexpr char kTestRuleName[] = "Macro.Test.Signature";

// A Word 97 compound document with "WordDocument", "0Table", "1Table", a "Data" stream of
// `dataBytes` filler bytes (to reach a wanted size) and a VBA project in "Macros" whose one
// module carries the test signature when `infected`.
std::vector<uint8_t> WordDocumentWithMacro(bool infected, size_t dataBytes = 0);

}  // namespace qv::cli::test
