// Runs quorvane-scan as a user would: from its own program folder, copied into a fresh
// temporary folder per test (the quarantine and the signature library live beside the
// program, so the real build/bin is never written to).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/engine/program_folder.h"

namespace qv::cli::test {

struct ProgramRun {
  int exitCode = -1;  // -1: killed or did not end
  std::string out, err;
  std::vector<std::string> outLines() const;
};

class RelocatedProgram {
 public:
  // Copies quorvane-scan, its scanner and engine libraries and, when `withSignatures` and
  // the build made one, qzmacro.vlb.
  explicit RelocatedProgram(bool withSignatures = true);
  std::filesystem::path bin() const { return temp_.path() / "bin"; }
  std::filesystem::path quarantine() const { return bin() / "RepairBrack"; }
  std::filesystem::path work() const { return temp_.path() / "work"; }  // a folder for documents
  bool hasSignatures() const;

  ProgramRun Run(const std::vector<std::string>& args) const;
  // As Run, with every file the program writes limited to `bytes` (a full disk, as far as the
  // program can tell: writes past the limit fail).
  ProgramRun RunWithFileSizeLimit(const std::vector<std::string>& args, uint64_t bytes) const;

 private:
  qv::test::TempDir temp_;
};

// Whether `text` holds `part`.
bool Has(const std::string& text, const std::string& part);
// The quarantine copy of `plain`, as the engine writes it.
std::vector<uint8_t> Scrambled(std::vector<uint8_t> plain);

// Whether the build made the signature library (tests of real detections need it).
bool BuiltSignatureLibraryExists();

// Whether CanonicalJsonLines can run: it needs the build machine's Python, which the Windows
// test programs (run under Wine) cannot start. Tests skip their JSON checks where it cannot.
#ifdef _WIN32
inline constexpr bool kHaveJsonParser = false;
#else
inline constexpr bool kHaveJsonParser = true;
#endif
inline constexpr const char* kNoJsonParser = "no Python to check the JSON lines on this platform";

// Each line parsed as JSON by Python's json module and printed back with sorted keys and
// no ASCII escaping; a line that is not one JSON object comes back as "INVALID <line>".
// Escaped lone surrogates \udc80..\udcff come back as the bytes of a name that is not UTF-8
// (Python's surrogateescape), so a name compares with its bytes on disk.
std::vector<std::string> CanonicalJsonLines(const std::string& text);

}  // namespace qv::cli::test
