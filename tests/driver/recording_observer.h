// An observer that writes down every typed event of a run as a line, so that tests can
// compare whole runs as the command line sees them.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "tests/driver/recording_receiver.h"

namespace qv::frontend::test {

// Writes down every event as a line: "start", "searching", "timer on|off", "progress N",
// "file K/N PATH", "finding PATH|SIZE|NAME|ACTION", "finish", "summary F D R TEXT".
class RecordingObserver : public ScanObserver {
 public:
  void OnStart() override { Record("start"); }
  void OnSearching() override { Record("searching"); }
  void OnSearchTimer(bool running) override { Record(running ? "timer on" : "timer off"); }
  void OnProgress(int percent) override { Record("progress " + std::to_string(percent)); }
  void OnFile(const std::u16string& path, size_t number, size_t total) override {
    Record("file " + std::to_string(number) + "/" + std::to_string(total) + " " + Utf8(path));
  }
  void OnFinding(const ScanResultRow& row) override {
    Record("finding " + Utf8(row.path) + "|" + Utf8(row.sizeText) + "|" + Utf8(row.anomaly) + "|" + Utf8(row.action));
  }
  void OnFinish() override { Record("finish"); }
  void OnSummary(const std::u16string& text, int files, int detected, int repaired) override {
    Record("summary " + std::to_string(files) + " " + std::to_string(detected) + " " + std::to_string(repaired) + " " +
           Utf8(text));
  }
  void OnSearchError(std::u16string_view path, std::string_view what) override {
    std::lock_guard<std::mutex> lock(mutex_);
    searchErrors_.emplace_back(Utf8(path), what);
  }
  std::vector<std::string> lines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
  }
  // (folder, reason) of every part of the tree that could not be read.
  std::vector<std::pair<std::string, std::string>> searchErrors() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return searchErrors_;
  }
  // Called with each line as it is recorded (on the worker thread).
  std::function<void(const std::string&)> onLine;

 private:
  void Record(std::string line) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      lines_.push_back(line);
    }
    if (onLine) onLine(line);
  }
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
  std::vector<std::pair<std::string, std::string>> searchErrors_;
};

}  // namespace qv::frontend::test
