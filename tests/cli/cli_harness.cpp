#include "tests/cli/cli_harness.h"

#include <chrono>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "engine/common/quarantine.h"
#include "tests/support/system/system.h"

namespace qv::cli::test {
namespace {

namespace fs = std::filesystem;

const fs::path kBuiltProgramDir = QV_PROGRAM_DIR;
constexpr auto kRunLimit = std::chrono::seconds(120);

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The program's text output with "\n" line ends: a Windows text stream writes CRLF.
std::string TextLines(std::string text) {
#ifdef _WIN32
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.erase(at, 1);
#endif
  return text;
}

// Runs `argv` with standard input from an empty file, optionally feeding `input` instead, and
// collects both outputs through files (no pipe can fill up and stall the child).
ProgramRun Spawn(const std::vector<std::string>& argv, const fs::path& scratch, const std::string* input = nullptr,
                 std::optional<uint64_t> fileSizeLimit = std::nullopt) {
  const fs::path outPath = scratch / "stdout.txt", errPath = scratch / "stderr.txt", inPath = scratch / "stdin.txt";
  std::ofstream(inPath, std::ios::binary) << (input ? *input : std::string());
  const qv::test::ChildRun child =
      qv::test::RunProgram(argv, inPath, outPath, errPath, std::chrono::duration_cast<std::chrono::milliseconds>(kRunLimit),
                               fileSizeLimit);
  ProgramRun run;
  if (child.timedOut) {
    run.err = "did not end within the limit\n";
    return run;
  }
  run.exitCode = child.exitCode;
  run.out = TextLines(Slurp(outPath));
  run.err += TextLines(Slurp(errPath));
  return run;
}

}  // namespace

std::vector<std::string> ProgramRun::outLines() const {
  std::vector<std::string> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::vector<uint8_t> Scrambled(std::vector<uint8_t> plain) {
  qv::ScrambleBytes(plain.data(), plain.size());
  return plain;
}

bool BuiltSignatureLibraryExists() { return fs::exists(kBuiltProgramDir / "qzmacro.vlb"); }

RelocatedProgram::RelocatedProgram(bool withSignatures) {
  fs::create_directories(bin());
  fs::create_directories(work());
#ifdef _WIN32
  // The Windows program links the engine statically; the DLL ships beside it.
  const char* const kProgramFiles[] = {"quorvane-scan.exe", "SCanVirus.dll"};
#else
  const char* const kProgramFiles[] = {"quorvane-scan", "libquorvane-cli.so", "libSCanVirus.so"};
#endif
  for (const char* name : kProgramFiles) {
    fs::copy_file(kBuiltProgramDir / name, bin() / name);
  }
  if (withSignatures && BuiltSignatureLibraryExists()) {
    fs::copy_file(kBuiltProgramDir / "qzmacro.vlb", bin() / "qzmacro.vlb");
  }
}

bool RelocatedProgram::hasSignatures() const { return fs::exists(bin() / "qzmacro.vlb"); }

ProgramRun RelocatedProgram::Run(const std::vector<std::string>& args) const {
  std::vector<std::string> argv = {qv::test::PathUtf8(bin() / qv::test::ProgramFileName("quorvane-scan"))};
  argv.insert(argv.end(), args.begin(), args.end());
  return Spawn(argv, temp_.path());
}

ProgramRun RelocatedProgram::RunWithFileSizeLimit(const std::vector<std::string>& args, uint64_t bytes) const {
  std::vector<std::string> argv = {qv::test::PathUtf8(bin() / qv::test::ProgramFileName("quorvane-scan"))};
  argv.insert(argv.end(), args.begin(), args.end());
  return Spawn(argv, temp_.path(), nullptr, bytes);
}

std::vector<std::string> CanonicalJsonLines(const std::string& text) {
  qv::test::TempDir scratch;
  static const char kScript[] =
      "import json, sys\n"
      "sys.stdout.reconfigure(errors='surrogateescape')\n"
      "for line in sys.stdin.read().splitlines():\n"
      "    try:\n"
      "        value = json.loads(line)\n"
      "        assert isinstance(value, dict)\n"
      "        print(json.dumps(value, sort_keys=True, ensure_ascii=False))\n"
      "    except Exception:\n"
      "        print('INVALID ' + line)\n";
  const ProgramRun run = Spawn({"/usr/bin/python3", "-c", kScript}, scratch.path(), &text);
  if (run.exitCode != 0) throw std::runtime_error("python3 failed: " + run.err);
  return run.outLines();
}

}  // namespace qv::cli::test
