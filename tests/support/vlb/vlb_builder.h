// Signature libraries for tests, built with the signature compiler's own code.
//
//   auto image = qv::test::BuildLibrary(R"(
//     pattern 0x1 "AutoOpen"
//     rule 0x1 "Macro.Demo" = p(0x1))");
//   qv::test::WriteLibraryBeside(programFolder, image);   // as qzmacro.vlb
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/vlb/library_writer.h"
#include "tools/vlb/source_model.h"

namespace qv::test {

// The harmless test signature shipped in signatures/: this text fires the rule of this name.
inline constexpr char kTestSignatureText[] = "QUORVANE-MACRO-TEST-SIGNATURE";
inline constexpr char kTestSignatureName[] = "Macro.Test.Signature";

// A fixed build time, so that libraries built by tests are byte-for-byte reproducible.
vlbc::LibraryTime FixedLibraryTime();

// Compiles source text (the signature source format) into a library file image.
// Throws std::runtime_error carrying the compiler's messages when the source is bad.
std::vector<uint8_t> BuildLibrary(std::string_view sourceText);
// The same library's deciphered body (what ParseSignatureBody reads).
std::vector<uint8_t> BuildLibraryBody(std::string_view sourceText);
// The source records, parsed (for tests that want to change them before writing).
vlbc::LibrarySource ParseLibrarySource(std::string_view sourceText);

// The library compiled from the shipped signatures/ folder (the test signature until the
// real signature set exists).
std::vector<uint8_t> BuildShippedLibrary();

// A body whose records are written exactly in the order given (no sorting), with correct
// section checksums; for tests of the loader.
class RawBodyWriter {
 public:
  RawBodyWriter& Pattern(uint32_t id, uint32_t flags, std::string_view text, std::string_view note = {});
  RawBodyWriter& Rule(uint32_t id, uint32_t flags, std::string_view name, const std::vector<uint8_t>& expression);
  std::vector<uint8_t> Body() const;    // deciphered
  std::vector<uint8_t> Image() const;   // plain header + enciphered body

 private:
  std::vector<uint8_t> patterns_, rules_;
  uint32_t patternCount_ = 0, ruleCount_ = 0;
};

// Writes `image` as `folder`/qzmacro.vlb; false on failure.
bool WriteLibraryBeside(const std::string& folder, const std::vector<uint8_t>& image);

}  // namespace qv::test
