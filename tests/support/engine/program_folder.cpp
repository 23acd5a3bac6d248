#include "tests/support/engine/program_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

#include "engine/include/scanvirus.h"
#include "engine/platform/platform.h"
#include "tests/support/system/system.h"

namespace qv::test {

TempDir::TempDir() {
  std::random_device seed;
  std::mt19937_64 rng(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = std::filesystem::temp_directory_path() / ("qvtest-" + std::to_string(rng()));
    std::error_code ec;
    if (std::filesystem::create_directory(candidate, ec)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot make a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  // Make everything writable again so removal works after read-only tests.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::remove_all(path_, ec);
}

ProgramFolder::ProgramFolder(std::optional<std::vector<uint8_t>> library) {
  std::filesystem::create_directories(bin());
  const auto target = bin() / "qzmacro.vlb";
  if (!library) {
    const std::filesystem::path built = std::filesystem::path(QV_PROGRAM_DIR) / "qzmacro.vlb";
    if (Exists(built)) {
      std::filesystem::copy_file(built, target);
    } else {
      WriteFile(target, std::string("library placeholder"));  // until the build makes one
    }
  } else if (!library->empty()) {
    WriteFile(target, *library);
  }
  platform::testing::OverrideProgramPath(U16(bin() / "program"));
  platform::testing::OverrideClock(platform::LocalTime{2016, 1, 5, 9, 7, 3});
  platform::testing::OverrideConsoleWidth(std::optional<int16_t>());
}

ProgramFolder::~ProgramFolder() {
  platform::testing::OverrideProgramPath(std::nullopt);
  platform::testing::OverrideClock(std::nullopt);
  platform::testing::OverrideConsoleWidth(std::nullopt);
}

std::string ProgramFolder::ReadLog() const {
  const auto bytes = ReadFile(logFile());
  std::string text(bytes.begin(), bytes.end());
#ifdef _WIN32
  // The log is a text stream: its lines end in CRLF on Windows (the platform tests check that).
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.erase(at, 1);
#endif
  return text;
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
  if (const char* old = std::getenv(name)) old_ = old;
  SetEnvironment(name, value);
}

ScopedEnv::~ScopedEnv() {
  SetEnvironment(name_.c_str(), old_ ? old_->c_str() : nullptr);
}

std::u16string U16(const std::filesystem::path& path) { return PathU16(path); }
#ifdef _WIN32
// Test texts are UTF-8 (the narrow code page is not).
std::u16string U16(const std::string& utf8) { return platform::FromUtf8(utf8); }
std::string Utf8(const std::u16string& text) { return platform::ToUtf8(text); }
#else
std::u16string U16(const std::string& utf8) { return platform::FromNarrow(utf8); }
std::string Utf8(const std::u16string& text) { return platform::ToNarrow(text); }
#endif

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteFile(const std::filesystem::path& path, const std::string& text) {
  WriteFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool Exists(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

std::vector<uint8_t> CompoundSignatureOnly(size_t padding) {
  std::vector<uint8_t> bytes = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  bytes.resize(bytes.size() + padding, 0);
  return bytes;
}

ExportCall CallScanFileVirus(const std::u16string& path, int mode) {
  ExportCall call;
  char16_t text[260] = {u'x', 0};
  ::testing::internal::CaptureStdout();
  call.result = SCanFileVirus(Sv(path), mode, Sv(text));
  call.console = ::testing::internal::GetCapturedStdout();
  call.text = text;
  return call;
}

std::vector<std::string> TracedPaths(const std::string& console) {
  std::vector<std::string> paths;
  size_t pos = 0;
  while (pos < console.size()) {
    const size_t bs = console.find('\b', pos);
    if (bs == std::string::npos) break;
    const std::string shown = console.substr(pos, bs - pos);
    const size_t n = shown.size();
    // shown, n backspaces, n spaces, n backspaces
    const std::string tail = std::string(n, '\b') + std::string(n, ' ') + std::string(n, '\b');
    if (console.compare(bs, tail.size(), tail) != 0) break;
    paths.push_back(shown);
    pos = bs + tail.size();
  }
  return paths;
}

}  // namespace qv::test
