#include "tests/cli/cli_harness.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace qv::cli::test {
namespace {

namespace fs = std::filesystem;

const fs::path kBuiltProgramDir = QV_PROGRAM_DIR;
constexpr auto kRunLimit = std::chrono::seconds(120);

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs `argv` with standard input from /dev/null, optionally feeding `input` instead, and
// collects both outputs through files (no pipe can fill up and stall the child).
ProgramRun Spawn(const std::vector<std::string>& argv, const fs::path& scratch, const std::string* input = nullptr) {
  const fs::path outPath = scratch / "stdout.txt", errPath = scratch / "stderr.txt", inPath = scratch / "stdin.txt";
  std::ofstream(inPath, std::ios::binary) << (input ? *input : std::string());
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    const int in = ::open(inPath.c_str(), O_RDONLY);
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  ProgramRun run;
  const auto deadline = std::chrono::steady_clock::now() + kRunLimit;
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      run.err = "did not end within the limit\n";
      return run;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = Slurp(outPath);
  run.err += Slurp(errPath);
  return run;
}

}  // namespace

std::vector<std::string> ProgramRun::outLines() const {
  std::vector<std::string> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool BuiltSignatureLibraryExists() { return fs::exists(kBuiltProgramDir / "qzmacro.vlb"); }

RelocatedProgram::RelocatedProgram(bool withSignatures) {
  fs::create_directories(bin());
  fs::create_directories(work());
  for (const char* name : {"quorvane-scan", "libquorvane-cli.so", "libSCanVirus.so"}) {
    fs::copy_file(kBuiltProgramDir / name, bin() / name);
  }
  if (withSignatures && BuiltSignatureLibraryExists()) {
    fs::copy_file(kBuiltProgramDir / "qzmacro.vlb", bin() / "qzmacro.vlb");
  }
}

bool RelocatedProgram::hasSignatures() const { return fs::exists(bin() / "qzmacro.vlb"); }

ProgramRun RelocatedProgram::Run(const std::vector<std::string>& args) const {
  std::vector<std::string> argv = {(bin() / "quorvane-scan").string()};
  argv.insert(argv.end(), args.begin(), args.end());
  return Spawn(argv, temp_.path());
}

std::vector<std::string> CanonicalJsonLines(const std::string& text) {
  qv::test::TempDir scratch;
  static const char kScript[] =
      "import json, sys\n"
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
