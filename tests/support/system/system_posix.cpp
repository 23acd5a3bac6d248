#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <thread>

#include "engine/platform/platform.h"
#include "tests/support/system/system.h"

namespace qv::test {

void SetEnvironment(const char* name, const char* value) {
  if (value != nullptr) {
    ::setenv(name, value, 1);
  } else {
    ::unsetenv(name);
  }
}

const char* TempFolderVariable() { return "TMPDIR"; }

unsigned long ProcessId() { return static_cast<unsigned long>(::getpid()); }

std::string ProgramFileName(std::string_view name) { return std::string(name); }

bool MakeFifo(const std::filesystem::path& path) { return ::mkfifo(path.c_str(), 0600) == 0; }

std::optional<unsigned> PosixMode(const std::filesystem::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return static_cast<unsigned>(st.st_mode & 07777);
}

std::u16string PathU16(const std::filesystem::path& path) { return platform::FromNarrow(path.string()); }
std::filesystem::path PathFromU16(const std::u16string& path) { return platform::ToNarrow(path); }

std::filesystem::path MakeScratchFolder() {
  const std::u16string folder = platform::CreatePrivateTempFolder();
  if (folder.empty()) throw std::runtime_error("cannot make a temporary folder");
  return PathFromU16(folder);
}

std::string PathUtf8(const std::filesystem::path& path) { return path.string(); }

ChildRun RunProgram(const std::vector<std::string>& argv, const std::filesystem::path& input,
                    const std::filesystem::path& output, const std::filesystem::path& errors,
                    std::chrono::milliseconds limit, std::optional<uint64_t> fileSizeLimit) {
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    const int in = ::open(input.empty() ? "/dev/null" : input.c_str(), O_RDONLY);
    const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    if (fileSizeLimit) {
      ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of ending the program
      const rlimit cap{*fileSizeLimit, *fileSizeLimit};
      ::setrlimit(RLIMIT_FSIZE, &cap);
    }
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  ChildRun run;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      run.timedOut = true;
      return run;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace qv::test
