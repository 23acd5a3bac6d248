// Test fixtures for whole engine calls: a temporary folder tree, a relocated program folder
// (the quarantine "RepairBrack" and the signature library live beside the program), pinned
// clock and console, and small file helpers.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/include/scanvirus.h"

namespace qv::test {

// A fresh folder below the system temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  // `relative` may be written with '/': it takes the platform's separator.
  std::filesystem::path operator/(const std::string& relative) const { return (path_ / relative).make_preferred(); }

 private:
  std::filesystem::path path_;
};

// Makes the engine believe it runs from <root>/bin/program: the quarantine folder is
// <root>/bin/RepairBrack/ and the signature library <root>/bin/qzmacro.vlb. Undone on
// destruction. The clock is pinned to 2016-01-05 09:07:03 and there is no console.
class ProgramFolder {
 public:
  // `library`: the bytes of qzmacro.vlb to place; nullopt copies the library the build made
  // (build/bin/qzmacro.vlb); an empty vector places no library at all.
  explicit ProgramFolder(std::optional<std::vector<uint8_t>> library = std::nullopt);
  ~ProgramFolder();
  const std::filesystem::path& root() const { return temp_.path(); }
  std::filesystem::path bin() const { return temp_.path() / "bin"; }
  std::filesystem::path quarantine() const { return bin() / "RepairBrack"; }
  std::filesystem::path logFile() const { return quarantine() / "log.txt"; }
  // The log's text with "\n" line ends, whatever this platform writes.
  std::string ReadLog() const;

 private:
  TempDir temp_;
};

// Sets (or, with nullptr, removes) an environment variable until the end of the scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// The exports take UTF-16 as the platform spells it (wchar_t on Windows, char16_t elsewhere).
inline const sv_char16* Sv(const std::u16string& text) { return reinterpret_cast<const sv_char16*>(text.c_str()); }
inline sv_char16* Sv(char16_t* text) { return reinterpret_cast<sv_char16*>(text); }

std::u16string U16(const std::filesystem::path& path);
std::u16string U16(const std::string& utf8);
std::string Utf8(const std::u16string& text);

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
void WriteFile(const std::filesystem::path& path, const std::string& text);
std::vector<uint8_t> ReadFile(const std::filesystem::path& path);
bool Exists(const std::filesystem::path& path);

// The 8-byte compound-file signature followed by `padding` zero bytes: enough to pass the
// engine's signature gate without being a usable compound file.
std::vector<uint8_t> CompoundSignatureOnly(size_t padding = 504);

// Runs SCanFileVirus and captures what it writes to standard output.
struct ExportCall {
  int result = 0;
  std::u16string text;
  std::string console;
};
ExportCall CallScanFileVirus(const std::u16string& path, int mode);

// The paths the engine traced at its per-file gate, in order (console output with no
// console: whole paths, each followed by backspaces, spaces and backspaces).
std::vector<std::string> TracedPaths(const std::string& console);

}  // namespace qv::test
