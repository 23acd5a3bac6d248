// A receiver that writes down every notification as a line of text, and a fake engine that
// writes down every call, so that tests can compare whole runs.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "engine/platform/platform.h"
#include "frontend/driver/scan_driver.h"

namespace qv::frontend::test {

// The test's own narrow text: UTF-8 on Windows (whose narrow code page is not), the
// platform's narrow form elsewhere.
#ifdef _WIN32
inline std::string Utf8(std::u16string_view text) { return platform::ToUtf8(text); }
inline std::u16string FromTestText(std::string_view text) { return platform::FromUtf8(text); }
#else
inline std::string Utf8(std::u16string_view text) { return platform::ToNarrow(text); }
inline std::u16string FromTestText(std::string_view text) { return platform::FromNarrow(text); }
#endif

// Lines: "START", "TEXT <text>", "PROGRESS <n>", "FINISH",
// "RESULT <path>|<size>|<anomaly>|<action>", "SETTIMER <id> <ms>", "KILLTIMER <id>".
class RecordingReceiver : public ScanReceiver {
 public:
  void SendScanMessage(uint32_t message, uintptr_t wParam) override {
    std::string line;
    switch (message) {
      case UM_SCAN_START: line = "START"; break;
      case UM_SCAN_TEXT: line = "TEXT " + Utf8(reinterpret_cast<const char16_t*>(wParam)); break;
      case UM_SCAN_PROGRESS: line = "PROGRESS " + std::to_string(wParam); break;
      case UM_SCAN_FINISH: line = "FINISH"; break;
      case UM_SCAN_RESULT: {
        const auto* row = reinterpret_cast<const ScanResultRow*>(wParam);
        line = "RESULT " + Utf8(row->path) + "|" + Utf8(row->sizeText) + "|" + Utf8(row->anomaly) + "|" +
               Utf8(row->action);
        break;
      }
      default: line = "UNKNOWN " + std::to_string(message);
    }
    Record(line);
  }
  void SetTimer(uint32_t id, uint32_t ms) override {
    Record("SETTIMER " + std::to_string(id) + " " + std::to_string(ms));
  }
  void KillTimer(uint32_t id) override { Record("KILLTIMER " + std::to_string(id)); }
  void OutputDebugText(std::string_view text) override {
    std::lock_guard<std::mutex> lock(mutex_);
    debug_.emplace_back(text);
  }
  void OnSearchError(std::u16string_view path, std::string_view what) override {
    std::lock_guard<std::mutex> lock(mutex_);
    searchErrors_.push_back(Utf8(path));
  }

  std::vector<std::string> lines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
  }
  std::vector<std::string> debug() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return debug_;
  }
  std::vector<std::string> searchErrors() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return searchErrors_;
  }
  // Lines starting with `prefix`, with the prefix removed.
  std::vector<std::string> linesOf(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& line : lines()) {
      if (line.rfind(prefix, 0) == 0) out.push_back(line.substr(prefix.size()));
    }
    return out;
  }

  // Called with each line as it is recorded (on the worker thread).
  std::function<void(const std::string&)> onLine;

 private:
  void Record(const std::string& line) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      lines_.push_back(line);
    }
    if (onLine) onLine(line);
  }
  mutable std::mutex mutex_;
  std::vector<std::string> lines_, debug_, searchErrors_;
};

// Records the paths and modes it is called with; reports the text given for a path (clean
// otherwise). `during` runs inside the call, before it answers.
class FakeEngine {
 public:
  std::map<std::string, std::string> reports;  // UTF-8 path -> virus name
  std::function<void(const std::string&)> during;

  EngineCall call() {
    return [this](const char16_t* path, int mode, char16_t* text) {
      const std::string p = Utf8(path);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.push_back(p);
        modes_.push_back(mode);
      }
      if (during) during(p);
      auto it = reports.find(p);
      if (it != reports.end()) {
        const std::u16string name = FromTestText(it->second);
        std::char_traits<char16_t>::copy(text, name.c_str(), name.size() + 1);
      }
      return 1;
    };
  }
  std::vector<std::string> calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }
  std::vector<int> modes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return modes_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> calls_;
  std::vector<int> modes_;
};

// A one-shot gate a fake engine call can wait on.
class Latch {
 public:
  void Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    cv_.notify_all();
  }
  bool Wait(std::chrono::seconds timeout = std::chrono::seconds(20)) {
    std::unique_lock<std::mutex> lock(mutex_);
    return cv_.wait_for(lock, timeout, [this] { return open_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool open_ = false;
};

}  // namespace qv::frontend::test
