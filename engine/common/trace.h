// The engine log ("log.txt" in the quarantine folder) and the console trace on standard
// output. A report line is composed of time, path, rule name and one ending.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

struct WorkArea;

// The console information, captured at the start of every call into `held` (which belongs to
// the engine session making the call); when there is no console the last captured value
// stays (none when the session began).
void CaptureConsoleInfo(std::optional<int16_t>& held);

// The console form of a path: narrow text cut to fit a console whose largest possible
// window width is `width` (no console: nothing is cut).
std::string ShortenPathForConsole(const std::u16string& path, std::optional<int16_t> width);

// Console output of the engine (suppressed when the work area says so).
void ConsoleOut(const WorkArea& area, std::string_view text);

// Report line fragments, each to the log and the console.
void TraceReportTime(WorkArea& area);                 // "%4d-%.2d-%.2d %.2d:%.2d:%.2d  " / "%.2d:%.2d:%.2d  "
void TraceReportPath(WorkArea& area);                 // full path + "  " / shortened path + "  "
void TraceReportRule(WorkArea& area, const char* rule);  // plain / bright red
void TraceBoth(WorkArea& area, std::string_view text);   // the same text to both
void TraceBackupFailed(WorkArea& area);
void TraceSweepLine(WorkArea& area);                  // time, path, " , deleted\n"
// The file at the gate, shown until the next output: the shortened path, then as many
// backspaces, spaces and backspaces as it has characters.
void TraceGatePath(const WorkArea& area, const std::u16string& path);

}  // namespace qv
