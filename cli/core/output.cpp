#include "cli/core/output.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <vector>

#include "engine/platform/platform.h"
#include "frontend/driver/scan_driver.h"

namespace qv::cli {

std::string JsonString(std::string_view utf8) {
  std::string out = "\"";
  for (const unsigned char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out.push_back(static_cast<char>(c));
        }
    }
  }
  out += "\"";
  return out;
}

std::string FindingLine(const qv::api::Finding& finding, bool json) {
  const std::string path = platform::ToNarrow(finding.path);
  const std::string action = qv::api::ActionName(finding.action);
  if (json) {
    return "{\"path\":" + JsonString(path) + ",\"rule\":" + JsonString(finding.ruleName) +
           ",\"action\":" + JsonString(action) + "}";
  }
  return path + ": " + (finding.ruleName.empty() ? std::string("-") : finding.ruleName) + " " + action;
}

std::string SkippedNotice(const qv::api::Skipped& skipped) {
  return platform::ToNarrow(skipped.path) + ": not examined (" + skipped.reason + ")";
}

std::string SkippedJson(const qv::api::Skipped& skipped) {
  return "{\"path\":" + JsonString(platform::ToNarrow(skipped.path)) + ",\"skipped\":" + JsonString(skipped.reason) + "}";
}

std::string SummaryLine(int files, int detected, int repaired, bool json) {
  const std::string text = platform::ToNarrow(qv::frontend::FormatSummary(files, detected, repaired));
  if (!json) return text;
  return "{\"files\":" + std::to_string(files) + ",\"detected\":" + std::to_string(detected) +
         ",\"repaired\":" + std::to_string(repaired) + ",\"summary\":" + JsonString(text) + "}";
}

void Console::ClearLocked() {
  if (!shown_) return;
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  shown_ = false;
}

void Console::Line(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  ClearLocked();
  std::fputs(text.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void Console::Message(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  ClearLocked();
  std::fprintf(stderr, "quorvane-scan: %s\n", text.c_str());
  std::fflush(stderr);
}

void Console::Progress(const std::string& text) {
  if (!progress_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  std::fputs("\r\033[K", stderr);
  std::fputs(FitToWidth(text, TerminalWidth() - 1).c_str(), stderr);
  std::fflush(stderr);
  shown_ = true;
}

void Console::ClearProgress() {
  std::lock_guard<std::mutex> lock(mutex_);
  ClearLocked();
}

int TerminalWidth() {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

namespace {

// Columns a code point takes on a terminal: East Asian wide forms take two.
int Columns(char32_t c) { return (c >= 0x1100 && (c <= 0x115F || (c >= 0x2E80 && c <= 0xFFDC))) ? 2 : 1; }

}  // namespace

std::string FitToWidth(const std::string& text, int width) {
  const std::u16string wide = platform::FromNarrow(text);
  int total = 0;
  for (char16_t c : wide) total += Columns(c);
  if (total <= width) return text;
  if (width <= 3) return std::string(static_cast<size_t>(std::max(width, 0)), '.');
  // keep the end (the file name), cut at the front
  int used = 3;
  size_t start = wide.size();
  while (start > 0) {
    size_t prev = start - 1;
    if (prev > 0 && (wide[prev] & 0xFC00) == 0xDC00 && (wide[prev - 1] & 0xFC00) == 0xD800) --prev;
    const int cols = Columns(wide[prev]);
    if (used + cols > width) break;
    used += cols;
    start = prev;
  }
  return "..." + platform::ToNarrow(std::u16string_view(wide).substr(start));
}

}  // namespace qv::cli
