// The parts of the platform layer that every platform shares: the test seams, the file
// handle's ownership and the log stream's writes.
#include <atomic>
#include <cstdio>
#include <mutex>

#include "engine/platform/platform.h"
#include "engine/platform/test_overrides.h"

namespace qv::platform {
namespace {

// Test seams: set only by tests, before any engine call.
struct Overrides {
  std::mutex lock;
  std::optional<std::u16string> programPath;
  std::optional<LocalTime> clock;
  std::optional<std::optional<int16_t>> consoleWidth;
  std::atomic<bool> hasFaultHook{false};
  testing::FaultHook faultHook;
};
Overrides& TestOverrides() {
  static Overrides overrides;
  return overrides;
}

}  // namespace

namespace testing {
void OverrideProgramPath(std::optional<std::u16string> path) {
  std::lock_guard g(TestOverrides().lock);
  TestOverrides().programPath = std::move(path);
}
void OverrideClock(std::optional<LocalTime> time) {
  std::lock_guard g(TestOverrides().lock);
  TestOverrides().clock = time;
}
void OverrideConsoleWidth(std::optional<std::optional<int16_t>> width) {
  std::lock_guard g(TestOverrides().lock);
  TestOverrides().consoleWidth = width;
}
void SetFaultHook(FaultHook hook) {
  std::lock_guard g(TestOverrides().lock);
  TestOverrides().hasFaultHook.store(static_cast<bool>(hook), std::memory_order_relaxed);
  TestOverrides().faultHook = std::move(hook);
}
}  // namespace testing

void RaceWindow(std::string_view window) {
  if (!TestOverrides().hasFaultHook.load(std::memory_order_relaxed)) return;
  (void)detail::FaultInjected(testing::FaultSite::RaceWindow, std::u16string(window.begin(), window.end()));
}

namespace detail {
std::optional<std::u16string> OverriddenProgramPath() {
  std::lock_guard g(TestOverrides().lock);
  return TestOverrides().programPath;
}
std::optional<LocalTime> OverriddenClock() {
  std::lock_guard g(TestOverrides().lock);
  return TestOverrides().clock;
}
std::optional<std::optional<int16_t>> OverriddenConsoleWidth() {
  std::lock_guard g(TestOverrides().lock);
  return TestOverrides().consoleWidth;
}
bool FaultInjected(testing::FaultSite site, const std::u16string& path) {
  if (!TestOverrides().hasFaultHook.load(std::memory_order_relaxed)) return false;
  testing::FaultHook hook;
  {
    std::lock_guard g(TestOverrides().lock);
    hook = TestOverrides().faultHook;
  }
  return hook && hook(site, path) == testing::FaultVerdict::Fail;
}
}  // namespace detail

File::~File() { Close(); }
File::File(File&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

FileLock::~FileLock() { Release(); }
FileLock::FileLock(FileLock&& other) noexcept : handle_(other.handle_) { other.handle_ = -1; }
FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = other.handle_;
    other.handle_ = -1;
  }
  return *this;
}

AppendLog::~AppendLog() { Close(); }

void AppendLog::Write(std::string_view text) {
  if (stream_ == nullptr) return;
  if (std::fwrite(text.data(), 1, text.size(), static_cast<FILE*>(stream_)) != text.size()) failed_ = true;
}

void AppendLog::Flush() {
  if (stream_ != nullptr && std::fflush(static_cast<FILE*>(stream_)) != 0) failed_ = true;
}

void AppendLog::Close() {
  if (stream_ != nullptr) {
    auto* stream = static_cast<FILE*>(stream_);
    if (std::ferror(stream) != 0) failed_ = true;
    if (std::fclose(stream) != 0) failed_ = true;  // the buffered rest is written here
  }
  stream_ = nullptr;
}

}  // namespace qv::platform
