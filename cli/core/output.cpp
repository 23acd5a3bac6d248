#include "cli/core/output.h"

#include <vector>

#include "cli/core/terminal.h"
#include "engine/platform/platform.h"
#include "frontend/driver/scan_driver.h"

namespace qv::cli {

// Text is escaped as JSON wants; a byte of a file name that is not UTF-8 (a GBK name, say)
// becomes the escape of its lone surrogate, "\udcff" for 0xFF, so the line stays valid
// JSON and the name is still exact: a reader that maps such surrogates back to bytes (as
// Python's surrogateescape does) gets the name on disk.
std::string JsonString(std::string_view utf8) {
  const std::u16string text = platform::FromUtf8(utf8);
  std::string out = "\"";
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    char escaped[8];
    switch (c) {
      case u'"': out += "\\\""; break;
      case u'\\': out += "\\\\"; break;
      case u'\n': out += "\\n"; break;
      case u'\r': out += "\\r"; break;
      case u'\t': out += "\\t"; break;
      default:
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
          out += platform::ToUtf8(std::u16string_view(text).substr(i, 2));  // a pair: one character
          ++i;
        } else if (c < 0x20 || c == 0x7F || (c >= 0xD800 && c <= 0xDFFF)) {
          // control characters, escaped bytes and any other lone surrogate
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          out += escaped;
        } else {
          out += platform::ToUtf8(std::u16string_view(&text[i], 1));
        }
    }
  }
  out += "\"";
  return out;
}

std::string FindingLine(const qv::api::Finding& finding, bool json) {
  const std::string path = platform::ToUtf8(finding.path);
  const std::string action = qv::api::ActionName(finding.action);
  if (json) {
    return "{\"path\":" + JsonString(path) + ",\"rule\":" + JsonString(finding.ruleName) +
           ",\"action\":" + JsonString(action) + "}";
  }
  return path + ": " + (finding.ruleName.empty() ? std::string("-") : finding.ruleName) + " " + action;
}

std::string SkippedNotice(const qv::api::Skipped& skipped) {
  return platform::ToUtf8(skipped.path) + ": not examined (" + skipped.reason + ")";
}

std::string SkippedJson(const qv::api::Skipped& skipped) {
  return "{\"path\":" + JsonString(platform::ToUtf8(skipped.path)) + ",\"skipped\":" + JsonString(skipped.reason) + "}";
}

std::string ProgressLine(size_t number, size_t total, const std::string& path) {
  // Appended piece by piece: `"[" + std::string` trips a false -Wrestrict of GCC 12 at -O3.
  std::string line = "[";
  line += std::to_string(number);
  if (total != 0) {
    line += '/';
    line += std::to_string(total);
  }
  line += "] ";
  line += path;
  return line;
}

std::string SummaryLine(int files, int detected, int repaired, bool json) {
  const std::string text = platform::ToUtf8(qv::frontend::FormatSummary(files, detected, repaired));
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


namespace {

// Columns a code point takes on a terminal: East Asian wide forms take two.
int Columns(char32_t c) { return (c >= 0x1100 && (c <= 0x115F || (c >= 0x2E80 && c <= 0xFFDC))) ? 2 : 1; }

}  // namespace

std::string FitToWidth(const std::string& text, int width) {
  const std::u16string wide = platform::FromUtf8(text);
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
  return "..." + platform::ToUtf8(std::u16string_view(wide).substr(start));
}

}  // namespace qv::cli
