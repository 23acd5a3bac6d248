#include "engine/common/trace.h"

#include <cstdio>

#include "engine/common/capacities.h"
#include "engine/common/work_area.h"
#include "engine/platform/platform.h"

namespace qv {
namespace {

std::string Format(const char* format, int a, int b, int c, int d = 0, int e = 0, int f = 0) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, a, b, c, d, e, f);
  return buffer;
}

std::string LogTime(const platform::LocalTime& t) {
  return Format("%4d-%.2d-%.2d %.2d:%.2d:%.2d  ", t.year, t.month, t.day, t.hour, t.minute, t.second);
}
std::string ConsoleTime(const platform::LocalTime& t) {
  return Format("%.2d:%.2d:%.2d  ", t.hour, t.minute, t.second);
}

void LogOut(WorkArea& area, std::string_view text) { area.log.Write(text); }

}  // namespace

void CaptureConsoleInfo(std::optional<int16_t>& held) {
  if (auto width = platform::ConsoleMaxWidth()) held = width;
}

std::string ShortenPathForConsole(const std::u16string& path, std::optional<int16_t> width) {
  std::string narrow = platform::ToNarrow(path);
  if (const size_t nul = narrow.find('\0'); nul != std::string::npos) narrow.resize(nul);
  const int limit = static_cast<int>(width.value_or(0)) - cap::kConsoleMargin;  // L = W - 40
  const size_t n = narrow.size();
  // Compared as unsigned: with no console (L negative) nothing is cut.
  if (n <= static_cast<size_t>(static_cast<uint32_t>(limit))) return narrow;
  if (limit < 5) return narrow.substr(0, static_cast<size_t>(limit));
  const char sep = static_cast<char>(platform::kSep);
  for (size_t pos = 2; pos < n; ++pos) {
    if (narrow[pos] == sep && 5 + (n - pos) <= static_cast<size_t>(limit)) {
      return narrow.substr(0, 2) + "..." + narrow.substr(pos);
    }
  }
  return narrow.substr(0, 2) + "..." + narrow.substr(n - static_cast<size_t>(limit - 5));
}

void ConsoleOut(const WorkArea& area, std::string_view text) {
  if (area.consoleTrace) platform::ConsoleWrite(text);
}

void TraceReportTime(WorkArea& area) {
  ConsoleOut(area, ConsoleTime(area.takenUpAt));
  LogOut(area, LogTime(area.takenUpAt));
}

void TraceReportPath(WorkArea& area) {
  ConsoleOut(area, ShortenPathForConsole(area.currentPath, area.consoleWidth) + "  ");
  LogOut(area, platform::ToNarrow(area.currentPath) + "  ");
}

void TraceReportRule(WorkArea& area, const char* rule) {
  if (area.consoleTrace) {
    platform::SetConsoleColour(platform::ConsoleColour::BrightRed);
    platform::ConsoleWrite(rule);
    platform::SetConsoleColour(platform::ConsoleColour::Normal);
  }
  LogOut(area, rule);
}

void TraceBoth(WorkArea& area, std::string_view text) {
  ConsoleOut(area, text);
  LogOut(area, text);
}

void TraceBackupFailed(WorkArea& area) {
  ConsoleOut(area, "\nBackup " + ShortenPathForConsole(area.currentPath, area.consoleWidth) + " failed,kill Abort!\n");
  LogOut(area, "\nBackup " + platform::ToNarrow(area.currentPath) + " failed,kill Abort!\n");
}

void TraceGatePath(const WorkArea& area, const std::u16string& path) {
  if (!area.consoleTrace) return;
  const std::string shown = ShortenPathForConsole(path, area.consoleWidth);
  platform::ConsoleWrite(shown + std::string(shown.size(), '\b') + std::string(shown.size(), ' ') +
                         std::string(shown.size(), '\b'));
}

void TraceSweepLine(WorkArea& area) {
  TraceReportTime(area);
  ConsoleOut(area, ShortenPathForConsole(area.currentPath, area.consoleWidth));
  LogOut(area, platform::ToNarrow(area.currentPath));
  TraceBoth(area, " , deleted\n");
}

}  // namespace qv
