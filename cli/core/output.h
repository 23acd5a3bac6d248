// What quorvane-scan prints: one line per finding (text or JSON), the summary, messages.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

#include "engine/include/scan_engine.h"

namespace qv::cli {

std::string JsonString(std::string_view utf8);  // quoted and escaped

// "<path>: <rule> <action>" or {"path":…,"rule":…,"action":…}.
std::string FindingLine(const qv::api::Finding& finding, bool json);
// A document that was not examined: "<path>: not examined (<reason>)" for standard error,
// or {"path":…,"skipped":…} for standard output.
std::string SkippedNotice(const qv::api::Skipped& skipped);
std::string SkippedJson(const qv::api::Skipped& skipped);
// The progress line of the `number`-th document: "[k/total] path", or "[k] path" while the
// total is not known (the walk hands documents over as it reaches them).
std::string ProgressLine(size_t number, size_t total, const std::string& path);
// The summary: the scan run's own wording, or {"files":…,"detected":…,"repaired":…,"summary":…}.
std::string SummaryLine(int files, int detected, int repaired, bool json);

// Standard output and the progress line on standard error share one lock, so that a finding
// never lands in the middle of a progress line.
class Console {
 public:
  explicit Console(bool progress) : progress_(progress) {}
  void Line(const std::string& text);          // a line on standard output
  void Message(const std::string& text);       // "quorvane-scan: <text>" on standard error
  void Progress(const std::string& text);      // replaces the progress line (terminal only)
  void ClearProgress();

 private:
  void ClearLocked();
  std::mutex mutex_;
  bool progress_;
  bool shown_ = false;
};

// The end of `text` that fits in `width` display columns, with "..." in front when cut.
std::string FitToWidth(const std::string& text, int width);

}  // namespace qv::cli
