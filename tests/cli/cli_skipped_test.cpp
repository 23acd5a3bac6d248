// quorvane-scan on a document it cannot examine (a package encrypted with a password other
// than the default one): not counted as clean or as found, one notice on standard error,
// with --json a {"path":…,"skipped":"encrypted"} line, and exit status 2, never 0.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/cli/cli_harness.h"
#include "writers/crypto/encrypted_package_writer.h"
#include "writers/zip/package_writer.h"

namespace qv::cli::test {
namespace {

namespace fs = std::filesystem;
using qv::test::ReadFile;
using qv::test::WriteFile;

TEST(CliSkipped, AnEncryptedPackageIsNamedAsNotExamined) {
  RelocatedProgram program;
  if (!program.hasSignatures()) GTEST_SKIP() << "the build made no qzmacro.vlb";
  const fs::path book = program.work() / "locked.xlsm";
  const auto project = writers::BuildProjectPart({writers::ovba::CodeModule("Module1", "Sub A()\r\nEnd Sub\r\n")}, "VBAProject");
  writers::WritePackage(book, writers::ExcelPackageParts("text", project));
  writers::EncryptedPackageOptions options;
  options.password = u"a password of its own";
  options.spinCount = 1000;
  WriteFile(book, writers::BuildEncryptedPackage(ReadFile(book), options));

  const ProgramRun run = program.Run({"scan", book.string()});
  EXPECT_EQ(run.exitCode, 2) << "not examined is not clean\n" << run.err;
  EXPECT_EQ(run.outLines(), (std::vector<std::string>{"共扫描 1 个文件   检测到 0 个异常   修复 0 个异常"}));
  EXPECT_NE(run.err.find("quorvane-scan: " + book.string() + ": not examined (encrypted)\n"), std::string::npos)
      << run.err;

  const ProgramRun json = program.Run({"scan", "--json", book.string()});
  if (!kHaveJsonParser) GTEST_SKIP() << kNoJsonParser;
  EXPECT_EQ(CanonicalJsonLines(json.out),
            (std::vector<std::string>{"{\"path\": \"" + book.string() + "\", \"skipped\": \"encrypted\"}",
                                      "{\"detected\": 0, \"files\": 1, \"repaired\": 0, \"summary\": "
                                      "\"共扫描 1 个文件   检测到 0 个异常   修复 0 个异常\"}"}));

  // Beside a finding the status says what was found; the notice still names the other one.
  const fs::path infected = program.work() / "infected.xlsm";
  const auto bad = writers::BuildProjectPart(
      {writers::ovba::CodeModule("Module1", "Sub Auto_Open()\r\n    ' QUORVANE-MACRO-TEST-SIGNATURE\r\nEnd Sub\r\n")},
      "VBAProject");
  writers::WritePackage(infected, writers::ExcelPackageParts("text", bad));
  const ProgramRun both = program.Run({"scan", book.string(), infected.string()});
  EXPECT_EQ(both.exitCode, 1) << both.err;
  EXPECT_NE(both.err.find(book.string() + ": not examined (encrypted)"), std::string::npos) << both.err;
}

}  // namespace
}  // namespace qv::cli::test
