// A run's events as the window messages and timer calls of a window.
#include "frontend/driver/scan_driver.h"

namespace qv::frontend {

void ScanMessageAdapter::OnStart() { receiver_.SendScanMessage(UM_SCAN_START, 0); }
void ScanMessageAdapter::OnSearching() {
  receiver_.SendScanMessage(UM_SCAN_TEXT, reinterpret_cast<uintptr_t>(kSearchNotice));
}
void ScanMessageAdapter::OnSearchTimer(bool running) {
  if (running) {
    receiver_.SetTimer(ID_TIMER_SEARCH, kSearchTimerPeriodMs);
  } else {
    receiver_.KillTimer(ID_TIMER_SEARCH);
  }
}
void ScanMessageAdapter::OnProgress(int percent) {
  receiver_.SendScanMessage(UM_SCAN_PROGRESS, static_cast<uintptr_t>(percent));
}
void ScanMessageAdapter::OnFile(const std::u16string& path, size_t, size_t) {
  receiver_.SendScanMessage(UM_SCAN_TEXT, reinterpret_cast<uintptr_t>(path.c_str()));
}
void ScanMessageAdapter::OnFinding(const ScanResultRow& row) {
  receiver_.SendScanMessage(UM_SCAN_RESULT, reinterpret_cast<uintptr_t>(&row));
}
void ScanMessageAdapter::OnFinish() { receiver_.SendScanMessage(UM_SCAN_FINISH, 0); }
void ScanMessageAdapter::OnSummary(const std::u16string& text, int, int, int) {
  receiver_.SendScanMessage(UM_SCAN_TEXT, reinterpret_cast<uintptr_t>(text.c_str()));
}
void ScanMessageAdapter::OutputDebugText(std::string_view text) { receiver_.OutputDebugText(text); }
void ScanMessageAdapter::OnSearchError(std::u16string_view path, std::string_view what) {
  receiver_.OnSearchError(path, what);
}

}  // namespace qv::frontend
