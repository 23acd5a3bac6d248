// The two C exports at their boundary: arguments, start-up failures, messages.
#include <gtest/gtest.h>

#include "engine/include/scanvirus.h"
#include "tests/support/engine/program_folder.h"

namespace qv::test {
namespace {

TEST(ScanFileVirusTest, MissingArgumentsAnswerZeroAndLeaveTheBufferAlone) {
  ProgramFolder program;
  char16_t text[260] = {u'k', u'e', u'e', u'p', 0};
  EXPECT_EQ(SCanFileVirus(nullptr, 1, Sv(text)), 0);
  EXPECT_EQ(std::u16string(text), u"keep");
  const std::u16string path = U16(program.bin());
  EXPECT_EQ(SCanFileVirus(Sv(path), 1, nullptr), 0);
}

TEST(ScanFileVirusTest, MissingLibraryPrintsItsMessageAndStillRuns) {
  ProgramFolder program(std::vector<uint8_t>{});  // no qzmacro.vlb
  TempDir docs;
  WriteFile(docs / "a.doc", CompoundSignatureOnly());
  const ExportCall call = CallScanFileVirus(U16(docs.path()), 1);
  EXPECT_EQ(call.result, 1);
  EXPECT_EQ(call.text, u"");
  EXPECT_EQ(call.console, "Load qzmacro.vlb failed\n");  // and no walk: nothing traced
  EXPECT_TRUE(Exists(program.logFile()));
  EXPECT_EQ(program.ReadLog(), "");
}

TEST(ScanFileVirusTest, UnwritableQuarantineFailsTheCall) {
  ProgramFolder program;
  WriteFile(program.quarantine(), std::string("a file where the folder should be"));
  TempDir docs;
  WriteFile(docs / "a.doc", CompoundSignatureOnly());
  const ExportCall call = CallScanFileVirus(U16(docs.path()), 1);
  EXPECT_EQ(call.result, 0);
  EXPECT_EQ(call.text, u"");
  EXPECT_EQ(call.console, "Create Log file failed \n");
}

TEST(ScanFileVirusTest, FilesThatAreNotCompoundDocumentsLeaveNoTrace) {
  ProgramFolder program;
  TempDir docs;
  WriteFile(docs / "notes.txt", std::string("plain text"));
  WriteFile(docs / "short.doc", std::vector<uint8_t>{0xD0, 0xCF, 0x11});
  WriteFile(docs / "package.docm", std::string("PK\x03\x04 not really a package"));
  const ExportCall call = CallScanFileVirus(U16(docs.path()), 1);
  EXPECT_EQ(call.result, 1);
  EXPECT_EQ(call.text, u"");
  EXPECT_EQ(TracedPaths(call.console).size(), 3u);  // each reached the gate ...
  EXPECT_EQ(program.ReadLog(), "");                  // ... and was left alone
}

}  // namespace
}  // namespace qv::test
