#include <windows.h>

#include <cstdlib>
#include <stdexcept>

#include "engine/platform/platform.h"
#include "tests/support/system/system.h"

namespace qv::test {
namespace {

std::wstring Wide(std::string_view utf8) {
  const std::u16string text = platform::FromUtf8(utf8);
  return std::wstring(text.begin(), text.end());
}

// One argument quoted as CommandLineToArgvW and the C runtime read it back.
void AppendQuoted(std::wstring& line, const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    line += argument;
    return;
  }
  line += L'"';
  for (auto it = argument.begin();; ++it) {
    size_t backslashes = 0;
    while (it != argument.end() && *it == L'\\') {
      ++it;
      ++backslashes;
    }
    if (it == argument.end()) {
      line.append(backslashes * 2, L'\\');
      break;
    }
    if (*it == L'"') {
      line.append(backslashes * 2 + 1, L'\\');
    } else {
      line.append(backslashes, L'\\');
    }
    line += *it;
  }
  line += L'"';
}

HANDLE OpenInherited(const std::filesystem::path& path, bool write) {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  return CreateFileW(path.wstring().c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                     write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

void SetEnvironment(const char* name, const char* value) {
  // _putenv_s keeps the C runtime's copy and the process environment (GetTempPathW) in step.
  _putenv_s(name, value != nullptr ? value : "");
  if (value == nullptr) SetEnvironmentVariableW(Wide(name).c_str(), nullptr);
}

const char* TempFolderVariable() { return "TMP"; }

unsigned long ProcessId() { return GetCurrentProcessId(); }

std::string ProgramFileName(std::string_view name) { return std::string(name) + ".exe"; }

bool MakeFifo(const std::filesystem::path&) { return false; }

std::optional<unsigned> PosixMode(const std::filesystem::path&) { return std::nullopt; }

// Paths the tests write with '/' take the native separator.
std::u16string PathU16(const std::filesystem::path& path) { return std::filesystem::path(path).make_preferred().u16string(); }
std::filesystem::path PathFromU16(const std::u16string& path) { return std::filesystem::path(path); }

std::filesystem::path MakeScratchFolder() {
  const std::u16string folder = platform::CreatePrivateTempFolder();
  if (folder.empty()) throw std::runtime_error("cannot make a temporary folder");
  return PathFromU16(folder);
}

std::string PathUtf8(const std::filesystem::path& path) {
  const std::wstring wide = path.wstring();
  return platform::ToUtf8(std::u16string(wide.begin(), wide.end()));
}

ChildRun RunProgram(const std::vector<std::string>& argv, const std::filesystem::path& input,
                    const std::filesystem::path& output, const std::filesystem::path& errors,
                    std::chrono::milliseconds limit, std::optional<uint64_t> /*fileSizeLimit*/) {
  if (argv.empty()) throw std::runtime_error("no program to run");
  std::wstring line;
  for (const auto& argument : argv) {
    if (!line.empty()) line += L' ';
    AppendQuoted(line, Wide(argument));
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = OpenInherited(input.empty() ? std::filesystem::path(L"NUL") : input, false);
  startup.hStdOutput = OpenInherited(output, true);
  startup.hStdError = OpenInherited(errors, true);
  PROCESS_INFORMATION process{};
  const std::wstring program = Wide(argv[0]);
  const bool started = startup.hStdInput != INVALID_HANDLE_VALUE && startup.hStdOutput != INVALID_HANDLE_VALUE &&
                       startup.hStdError != INVALID_HANDLE_VALUE &&
                       CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                      &startup, &process);
  for (HANDLE h : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  if (!started) throw std::runtime_error("cannot start " + argv[0]);
  ChildRun run;
  if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
    run.timedOut = true;
  } else {
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    run.exitCode = static_cast<int>(code);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return run;
}

}  // namespace qv::test
