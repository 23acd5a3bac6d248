// The few operating-system fixtures the tests need that differ between POSIX and Windows:
// environment variables, the process id, running a program with its standard streams in
// files, and the file name a built program has. One declaration, one implementation per
// platform (system_posix.cpp, system_win32.cpp).
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::test {

// Sets (nullptr: removes) an environment variable of this process, where the engine's own
// queries (getenv, GetTempPathW) see it.
void SetEnvironment(const char* name, const char* value);

// The variable that names the user's temporary folder: TMPDIR on POSIX, TMP on Windows.
const char* TempFolderVariable();

unsigned long ProcessId();

// "name" on POSIX, "name.exe" on Windows.
std::string ProgramFileName(std::string_view name);

struct ChildRun {
  int exitCode = -1;      // -1 when it did not end by itself
  bool timedOut = false;  // killed at the limit
};
// Runs argv[0] (a path; arguments are UTF-8) with standard input read from `input` (empty:
// nothing) and standard output and error written to `output` and `errors`, waiting at most
// `limit`. A `fileSizeLimit` caps the size of every file the program writes (POSIX only: a
// write past it fails as on a full disk; tests that need it skip elsewhere).
ChildRun RunProgram(const std::vector<std::string>& argv, const std::filesystem::path& input,
                    const std::filesystem::path& output, const std::filesystem::path& errors,
                    std::chrono::milliseconds limit, std::optional<uint64_t> fileSizeLimit = std::nullopt);

// What the file system offers the tests: symbolic links (on Windows only with a privilege the
// tests do not have), names that differ only in letter case naming two files (not on
// Windows), and named pipes (POSIX only; MakeFifo answers false elsewhere).
#ifdef _WIN32
inline constexpr bool kSymlinksInTests = false;
inline constexpr bool kCaseSensitiveNames = false;
#else
inline constexpr bool kSymlinksInTests = true;
inline constexpr bool kCaseSensitiveNames = true;
#endif
bool MakeFifo(const std::filesystem::path& path);
// The permission bits of a file or folder (links followed); nullopt on Windows, whose files
// carry no such bits, or when the path is missing.
std::optional<unsigned> PosixMode(const std::filesystem::path& path);
#ifdef _WIN32
inline constexpr bool kPosixModes = false;
#else
inline constexpr bool kPosixModes = true;
#endif

// A fresh folder below the user's temporary folder (the engine's own private temporary
// folder); throws when none can be made.
std::filesystem::path MakeScratchFolder();

// A path as the engine's UTF-16 and back.
std::u16string PathU16(const std::filesystem::path& path);
std::filesystem::path PathFromU16(const std::u16string& path);

// A path as UTF-8 (what the command line takes and prints on both platforms).
std::string PathUtf8(const std::filesystem::path& path);

}  // namespace qv::test
