// Documents built for the dispatch and Word tests, and a way to take one up as the engine
// does (ExamineFile) so that a test can call the handlers directly.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/common/work_area.h"
#include "tests/support/bytes/test_bytes.h"
#include "writers/cfb/compound_writer.h"
#include "tests/support/engine/program_folder.h"

namespace qv::test {

// Source of a module that fires the shipped test signature.
std::string InfectedModuleSource();
std::string CleanModuleSource();

// A Word 97 document: "WordDocument" (FIB with fcCmds/lcbCmds), optional "1Table" or
// "0Table", and the VBA project in "Macros" with one module "Module1" holding `source`.
struct Word97Options {
  std::string moduleSource;
  const char* tableStream = "1Table";  // nullptr for none
  bool withMacros = true;
  bool withWordDocument = true;
  uint32_t fcCmds = 0x200;
  uint32_t padding = 0;                 // an extra stream of this many bytes (size tests)
  uint32_t wordDocumentBytes = 0;       // "WordDocument" cut to this many bytes; 0 keeps it whole
};
writers::CfbFile BuildWord97(const Word97Options& options);

// A file taken up as the engine's ExamineFile does; the document stays open.
class TakenUpDocument {
 public:
  explicit TakenUpDocument(const std::filesystem::path& path, uint8_t mode = 1);
  ~TakenUpDocument();
  int dispatched() const { return dispatched_; }
  WorkArea& area() { return *area_; }
  DocFile& doc() { return *area_->docFile; }

 private:
  std::unique_ptr<WorkArea> area_;
  int dispatched_ = 0;
};

}  // namespace qv::test
