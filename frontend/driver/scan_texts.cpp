// What the driver computes and formats for the window, and its two default services.
#include <cstdio>
#include <mutex>

#include "engine/include/scanvirus.h"
#include "engine/platform/platform.h"
#include "frontend/driver/scan_driver.h"

namespace qv::frontend {

int ScanProgress(size_t k, size_t n) {
  if (n == 0) return 0;
  const double exact = static_cast<double>(k) / static_cast<double>(n) * 100.0;
  // The window always got this value through a float; keep its rounding (29 of 100 is 29).
  return static_cast<int>(static_cast<float>(exact));
}

std::u16string FormatSizeText(uint64_t bytes) {
  char text[64];
  std::snprintf(text, sizeof text, "%0.2fK", static_cast<double>(bytes) / 1024.0);
  return std::u16string(text, text + std::char_traits<char>::length(text));
}

std::u16string FormatSummary(int files, int detected, int repaired) {
  char text[4096];
  std::snprintf(text, sizeof text, "共扫描 %d 个文件   检测到 %d 个异常   修复 %d 个异常", files, detected,
                repaired);
  std::u16string summary = platform::FromUtf8(text);  // the text above is UTF-8 source
  if (summary.size() > 1023) summary.resize(1023);
  return summary;
}

EngineCall DefaultEngineCall() {
  return [](const char16_t* path, int mode, char16_t* text) {
    // The engine keeps process-wide state during a call: calls must never overlap.
    static std::mutex engineMutex;
    std::lock_guard<std::mutex> lock(engineMutex);
    static_assert(sizeof(sv_char16) == sizeof(char16_t));
    return SCanFileVirus(reinterpret_cast<const sv_char16*>(path), mode, reinterpret_cast<sv_char16*>(text));
  };
}

DriveLister DefaultDriveLister() {
  return [] {
    const auto roots = platform::LocalDriveRoots();
    return std::list<std::u16string>(roots.begin(), roots.end());
  };
}

}  // namespace qv::frontend
