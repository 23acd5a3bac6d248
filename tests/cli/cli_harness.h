// Runs quorvane-scan as a user would: from its own program folder, copied into a fresh
// temporary folder per test (the quarantine and the signature library live beside the
// program, so the real build/bin is never written to).
#pragma once

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

 private:
  qv::test::TempDir temp_;
};

// Whether the build made the signature library (tests of real detections need it).
bool BuiltSignatureLibraryExists();

// Each line parsed as JSON by Python's json module and printed back with sorted keys and
// no ASCII escaping; a line that is not one JSON object comes back as "INVALID <line>".
std::vector<std::string> CanonicalJsonLines(const std::string& text);

}  // namespace qv::cli::test
