// Fuzzes a whole engine call in repair mode on a compound document: the bytes (with the
// compound-file signature in front, so that every input passes the gate) are written as
// a document and scanned with the test signature library. Whatever the bytes, the call
// ends, and nothing but the document, its quarantine copy and the log is touched.
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "engine/flow/call_flow.h"
#include "engine/platform/platform.h"
#include "tests/support/system/system.h"
#include "tests/support/vlb/vlb_builder.h"

namespace {

namespace fs = std::filesystem;

constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "scan_repair invariant broken: %s\n", what.c_str());
  std::abort();
}

struct Sandbox {
  fs::path root, bin, quarantine, docs;

  Sandbox() {
    root = qv::test::MakeScratchFolder();
    bin = root / "bin";
    quarantine = bin / "RepairBrack";
    docs = root / "docs";
    fs::create_directories(quarantine);
    fs::create_directories(docs);
    const auto library = qv::test::BuildShippedLibrary();
    std::ofstream(bin / "qzmacro.vlb", std::ios::binary)
        .write(reinterpret_cast<const char*>(library.data()), static_cast<std::streamsize>(library.size()));
    qv::platform::testing::OverrideProgramPath(qv::test::PathU16(bin / "program"));
  }
  ~Sandbox() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
};

Sandbox& Box() {
  static Sandbox box;
  return box;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Sandbox& box = Box();
  const fs::path document = box.docs / "Report.doc";
  std::vector<uint8_t> bytes(kSignature, kSignature + sizeof kSignature);
  if (size >= sizeof kSignature && std::memcmp(data, kSignature, sizeof kSignature) == 0) bytes.clear();
  bytes.insert(bytes.end(), data, data + size);
  {
    std::ofstream out(document, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }

  qv::CallOptions options;
  options.mode = 1;
  options.consoleTrace = false;
  qv::RunScanCall(qv::test::PathU16(document), options);

  if (fs::exists(document) && fs::file_size(document) != bytes.size()) Fail("the document changed its size");
  for (const auto& entry : fs::directory_iterator(box.docs)) {
    if (entry.path() != document) Fail("something was left beside the document: " + entry.path().string());
  }
  for (const auto& entry : fs::directory_iterator(box.quarantine)) {
    const std::string name = entry.path().filename().string();
    if (name == "in-progress") {
      // Between calls it holds the lock file only: no journal, half-made copy or record.
      for (const auto& held : fs::directory_iterator(entry.path())) {
        if (held.path().filename() != "run.lock") Fail("left in progress: " + held.path().filename().string());
      }
      continue;
    }
    if (name != "log.txt" && name != "index.txt" && name != "Report.doc.vir") Fail("unexpected quarantine file " + name);
    if (name == "Report.doc.vir") {
      if (fs::file_size(entry.path()) != bytes.size()) Fail("the quarantine copy is not the whole document");
    }
    fs::remove(entry.path());
  }
  for (const auto& entry : fs::directory_iterator(box.bin)) {
    const std::string name = entry.path().filename().string();
    if (name != "qzmacro.vlb" && name != "RepairBrack") Fail("unexpected file beside the program " + name);
  }
  fs::remove(document);
  return 0;
}
