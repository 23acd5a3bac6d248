// quorvane-scan against a hostile file system: restores that never write through links nor
// overwrite without --force and leave the destination as it was on failure; names that are
// not UTF-8 in text and JSON output; folder links and /proc; a log on a full disk.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <tuple>

#include "tests/cli/cli_harness.h"
#include "tests/cli/sample_documents.h"

namespace qv::cli::test {
namespace {

namespace fs = std::filesystem;
using qv::test::ReadFile;
using qv::test::WriteFile;

// Every state a restore destination can be in, with and without --force.
TEST(CliRestore, DestinationsAreReplacedOnlyWithForceAndLinksNeverWrittenThrough) {
  RelocatedProgram program;
  fs::create_directories(program.quarantine());
  const std::vector<uint8_t> original = {'r', 'e', 's', 't', 'o', 'r', 'e', 'd'};
  const fs::path copy = program.quarantine() / "Report.doc.vir";
  WriteFile(copy, Scrambled(original));
  const fs::path target = program.work() / "link-target";
  const std::vector<uint8_t> targetBytes = {'t', 'a', 'r', 'g', 'e', 't'};

  enum class Dest { Missing, File, LinkToFile, DanglingLink };
  struct Case {
    const char* what;
    Dest dest;
    bool force;
    int exitCode;
    bool restored;  // the destination holds the restored bytes afterwards
  };
  const Case cases[] = {
      {"missing", Dest::Missing, false, 0, true},
      {"existing file", Dest::File, false, 2, false},
      {"existing file, --force", Dest::File, true, 0, true},
      {"link to a file", Dest::LinkToFile, false, 2, false},
      {"link to a file, --force", Dest::LinkToFile, true, 0, true},
      {"dangling link", Dest::DanglingLink, false, 2, false},
      {"dangling link, --force", Dest::DanglingLink, true, 0, true},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path dest = program.work() / ("dest" + std::to_string(++n) + ".doc");
    WriteFile(target, targetBytes);
    switch (c.dest) {
      case Dest::Missing: break;
      case Dest::File: WriteFile(dest, std::string("user's own file")); break;
      case Dest::LinkToFile: fs::create_symlink(target, dest); break;
      case Dest::DanglingLink: fs::create_symlink(program.work() / "nowhere", dest); break;
    }
    const fs::file_status before = fs::symlink_status(dest);
    std::vector<std::string> args = {"restore"};
    if (c.force) args.push_back("--force");
    args.insert(args.end(), {copy.string(), dest.string()});
    const ProgramRun run = program.Run(args);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    EXPECT_EQ(ReadFile(target), targetBytes) << "nothing is written through a link";
    EXPECT_FALSE(fs::exists(program.work() / "nowhere"));
    if (c.restored) {
      EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dest))) << "a link is replaced by the file";
      EXPECT_EQ(ReadFile(dest), original);
    } else {
      EXPECT_TRUE(Has(run.err, "exists already")) << run.err;
      EXPECT_EQ(fs::symlink_status(dest).type(), before.type());
    }
  }
  for (const auto& entry : fs::directory_iterator(program.work())) {
    EXPECT_FALSE(Has(entry.path().filename().string(), "quorvane-restore")) << "no work file is left";
  }
}

// On a full disk the destination keeps every byte it had; a new destination is not created.
TEST(CliRestore, AFailedRestoreLeavesTheDestinationExactlyAsBefore) {
  RelocatedProgram program;
  fs::create_directories(program.quarantine());
  const fs::path copy = program.quarantine() / "big.doc.vir";
  WriteFile(copy, Scrambled(std::vector<uint8_t>(64 * 1024, 0x41)));
  const fs::path existing = program.work() / "existing.doc";
  const std::string before(10000, 'k');
  WriteFile(existing, before);
  ::chmod(existing.c_str(), 0640);

  const ProgramRun replace = program.RunWithFileSizeLimit({"restore", "--force", copy.string(), existing.string()}, 4096);
  EXPECT_EQ(replace.exitCode, 2);
  EXPECT_TRUE(Has(replace.err, "nothing was changed")) << replace.err;
  EXPECT_EQ(ReadFile(existing), std::vector<uint8_t>(before.begin(), before.end()));
  struct stat st {};
  ASSERT_EQ(::stat(existing.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  const fs::path fresh = program.work() / "fresh.doc";
  EXPECT_EQ(program.RunWithFileSizeLimit({"restore", copy.string(), fresh.string()}, 4096).exitCode, 2);
  EXPECT_FALSE(fs::exists(fs::symlink_status(fresh)));
  for (const auto& entry : fs::directory_iterator(program.work())) {
    EXPECT_FALSE(Has(entry.path().filename().string(), "quorvane-restore")) << "no work file is left";
  }

  // The replaced file keeps its mode when the restore succeeds.
  EXPECT_EQ(program.Run({"restore", "--force", copy.string(), existing.string()}).exitCode, 0);
  ASSERT_EQ(::stat(existing.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadFile(existing).size(), 64u * 1024u);
}

class CliHostileNames : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!program.hasSignatures()) GTEST_SKIP() << "the build made no qzmacro.vlb (signature compiler vlbc)";
  }
  RelocatedProgram program;
};

// A GBK name ("中文.doc") is scanned, printed with its own bytes in text, escaped as lone
// surrogates in JSON (valid JSON that a surrogateescape reader turns back into the bytes),
// quarantined and listed under its real name.
TEST_F(CliHostileNames, NamesThatAreNotUtf8AreScannedReportedAndQuarantined) {
  const std::string gbk = "\xD6\xD0\xCE\xC4.doc";
  const fs::path doc = program.work() / gbk;
  WriteFile(doc, WordDocumentWithMacro(true));

  const ProgramRun text = program.Run({"scan", program.work().string()});
  EXPECT_EQ(text.exitCode, 1) << text.err;
  EXPECT_EQ(text.outLines().at(0), doc.string() + ": Macro.Test.Signature reported");

  const ProgramRun json = program.Run({"scan", "--repair", "--json", program.work().string()});
  EXPECT_EQ(json.exitCode, 1) << json.err;
  EXPECT_TRUE(Has(json.out, "\\udcd6\\udcd0\\udcce\\udcc4.doc")) << json.out;
  EXPECT_EQ(CanonicalJsonLines(json.out).at(0),
            "{\"action\": \"repaired\", \"path\": \"" + doc.string() + "\", \"rule\": \"Macro.Test.Signature\"}");

  const fs::path copy = program.quarantine() / (gbk + ".vir");
  EXPECT_TRUE(fs::exists(copy));
  const ProgramRun list = program.Run({"quarantine", "list", "--json"});
  EXPECT_EQ(list.exitCode, 0);
  const std::vector<std::string> listed = CanonicalJsonLines(list.out);
  ASSERT_EQ(listed.size(), 1u) << list.out;
  EXPECT_TRUE(listed[0].starts_with("{\"bytes\": " + std::to_string(fs::file_size(copy)) + ", \"copy\": \"" +
                                    copy.string() + "\", \"from\": \"" + doc.string() + "\", \"restoresTo\": \"" +
                                    gbk + "\", \"rule\": \"Macro.Test.Signature\", \"time\": "))
      << listed[0];
}

// Folder links that lead outside the given paths are entered only with --follow-links; a link
// inside them is walked once; /proc is never entered (it leads everywhere through
// /proc/<pid>/cwd).
TEST_F(CliHostileNames, FolderLinksOutsideTheTargetsAndProcAreNotWalked) {
  const fs::path tree = program.work() / "tree";
  const fs::path outside = program.work() / "outside";
  fs::create_directories(tree / "inner");
  fs::create_directories(outside);
  WriteFile(tree / "inner" / "in.doc", WordDocumentWithMacro(true));
  WriteFile(outside / "out.doc", WordDocumentWithMacro(true));
  fs::create_directory_symlink(outside, tree / "to-outside");
  fs::create_directory_symlink(tree / "inner", tree / "to-inner");
  fs::create_directory_symlink("/proc", tree / "to-proc");

  const ProgramRun plain = program.Run({"scan", tree.string()});
  EXPECT_EQ(plain.exitCode, 1) << plain.err;
  EXPECT_EQ(plain.outLines(), (std::vector<std::string>{(tree / "inner" / "in.doc").string() +
                                                            ": Macro.Test.Signature reported",
                                                        "共扫描 1 个文件   检测到 1 个异常   修复 0 个异常"}));

  const ProgramRun follow = program.Run({"scan", "--follow-links", tree.string()});
  EXPECT_EQ(follow.exitCode, 1) << follow.err;
  EXPECT_EQ(follow.outLines().size(), 3u) << follow.out;
  EXPECT_TRUE(Has(follow.out, "out.doc: Macro.Test.Signature reported")) << follow.out;
  EXPECT_TRUE(Has(follow.out, "共扫描 2 个文件")) << "nothing of /proc: " << follow.out;

  const ProgramRun proc = program.Run({"scan", "--follow-links", "/proc"});
  EXPECT_EQ(proc.outLines(), (std::vector<std::string>{"共扫描 0 个文件   检测到 0 个异常   修复 0 个异常"}))
      << proc.err;
}

// Two documents of one name: the second copy is "x(2).doc.vir", yet both list as x.doc with
// their own origin, and restore without DEST puts each back where it was, never over a file.
TEST_F(CliHostileNames, TheQuarantineIndexRestoresEveryCopyToWhereItCameFrom) {
  const fs::path first = program.work() / "one" / "x.doc";
  const fs::path second = program.work() / "two" / "x.doc";
  fs::create_directories(first.parent_path());
  fs::create_directories(second.parent_path());
  WriteFile(first, WordDocumentWithMacro(true));
  WriteFile(second, WordDocumentWithMacro(true, 3000));
  const std::vector<uint8_t> firstBytes = ReadFile(first), secondBytes = ReadFile(second);
  // One worker: the copies are named in path order (with more, whichever is first takes "x.doc.vir").
  ASSERT_EQ(program.Run({"scan", "--repair", "--jobs", "1", first.string(), second.string()}).exitCode, 1);

  const fs::path copy1 = program.quarantine() / "x.doc.vir", copy2 = program.quarantine() / "x(2).doc.vir";
  const ProgramRun list = program.Run({"quarantine", "list", "--json"});
  const std::vector<std::string> lines = CanonicalJsonLines(list.out);
  ASSERT_EQ(lines.size(), 2u) << list.out;
  for (const auto& [line, copy, from] : {std::tuple{lines[0], copy2, second}, std::tuple{lines[1], copy1, first}}) {
    EXPECT_TRUE(Has(line, "\"copy\": \"" + copy.string() + "\"")) << line;
    EXPECT_TRUE(Has(line, "\"from\": \"" + from.string() + "\"")) << line;
    EXPECT_TRUE(Has(line, "\"restoresTo\": \"x.doc\"")) << line;
    EXPECT_TRUE(Has(line, "\"rule\": \"Macro.Test.Signature\"")) << line;
  }

  const ProgramRun refused = program.Run({"restore", "x(2).doc.vir"});
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_TRUE(Has(refused.err, "exists already")) << refused.err;
  fs::remove(first);
  fs::remove(second);
  EXPECT_EQ(program.Run({"restore", "x(2).doc.vir"}).exitCode, 0);
  EXPECT_EQ(program.Run({"restore", copy1.string()}).exitCode, 0);
  EXPECT_EQ(ReadFile(second), secondBytes);
  EXPECT_EQ(ReadFile(first), firstBytes);

  // Into a folder a copy restores under the document's own name, not its copy's.
  const fs::path folder = program.work() / "restored";
  fs::create_directories(folder);
  EXPECT_EQ(program.Run({"restore", copy2.string(), folder.string()}).exitCode, 0);
  EXPECT_EQ(ReadFile(folder / "x.doc"), secondBytes);

  // A damaged index costs the origins, never the copies.
  WriteFile(program.quarantine() / "index.txt", std::string("\x01garbage\nv1\tcut"));
  const ProgramRun damaged = program.Run({"quarantine", "list"});
  EXPECT_EQ(damaged.exitCode, 0);
  EXPECT_EQ(damaged.outLines(), (std::vector<std::string>{
                                    copy2.string() + "\tx(2).doc\t" + std::to_string(secondBytes.size()),
                                    copy1.string() + "\tx.doc\t" + std::to_string(firstBytes.size())}));
  const ProgramRun unknown = program.Run({"restore", "x.doc.vir"});
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_TRUE(Has(unknown.err, "does not tell where")) << unknown.err;
}

// On a full disk the log lines are lost, but not without a word: one message, however many
// lines were lost, and the scan itself goes on.
TEST_F(CliHostileNames, ALogThatCannotBeWrittenIsSaidOnce) {
  WriteFile(program.work() / "a.doc", WordDocumentWithMacro(true));
  WriteFile(program.work() / "b.doc", WordDocumentWithMacro(true));
  const uint64_t limit = 1 << 20;  // copies and documents fit; the log is full already
  fs::create_directories(program.quarantine());
  WriteFile(program.quarantine() / "log.txt", std::string(limit, '.'));

  const ProgramRun run = program.RunWithFileSizeLimit({"scan", "--repair", program.work().string()}, limit);
  EXPECT_EQ(run.exitCode, 1) << run.err;
  const std::string notice = "the log could not be written";
  const size_t first = run.err.find(notice);
  ASSERT_NE(first, std::string::npos) << run.err;
  EXPECT_EQ(run.err.find(notice, first + 1), std::string::npos) << "said once: " << run.err;
  EXPECT_TRUE(Has(run.out, "a.doc: Macro.Test.Signature repaired")) << run.out;
  EXPECT_TRUE(Has(run.out, "b.doc: Macro.Test.Signature repaired")) << run.out;

  WriteFile(program.work() / "c.doc", WordDocumentWithMacro(true));
  const ProgramRun roomy = program.Run({"scan", program.work().string()});
  EXPECT_EQ(roomy.exitCode, 1) << roomy.err;
  EXPECT_FALSE(Has(roomy.err, notice)) << "the log has room again: " << roomy.err;
}

}  // namespace
}  // namespace qv::cli::test
