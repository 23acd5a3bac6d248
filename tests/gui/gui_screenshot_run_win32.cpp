// A real run of the Windows GUI program (under Wine and Xvfb, or on a desktop), for
// screenshots: starts the program as its own WinMain does, saves a picture of the window
// after start-up, scans the folder given on the command line through the scan_dir button,
// saves a picture while it scans and one once the run has ended, and closes the window.
// Run by tests/gui/screenshots.sh --windows.
//
//   gui_screenshot_run.exe FOLDER OUTPUT_DIR
// Pictures: startup.png, scanning.png (when the run lasts long enough), scanned.png.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "frontend/app/quorvane_app.h"
#include "frontend/toolkit/controls.h"
#include "frontend/toolkit/application.h"
#include "frontend/toolkit/list_ctrl.h"

#include "frontend/toolkit/win32/system_headers.h"

namespace {


// Answers the folder chooser with the folder to scan; the restore dialogs are not used.
class ScriptedDialogs : public qv::gui::FileDialogs {
 public:
  explicit ScriptedDialogs(std::u16string folder) : folder_(std::move(folder)) {}
  std::optional<std::u16string> ChooseFolder(qv::ui::SHostWnd*, const std::u16string&) override { return folder_; }
  std::optional<std::u16string> OpenFile(const qv::gui::FileRequest&) override { return std::nullopt; }
  std::optional<std::u16string> SaveFile(const qv::gui::FileRequest&) override { return std::nullopt; }

 private:
  std::u16string folder_;
};

struct Run {
  qv::gui::CMainDlg* dlg = nullptr;
  std::filesystem::path out;
  std::atomic<int> failures{0};
  std::atomic<size_t> engineCalls{0};
  size_t files = 0;  // in the folder to scan
};
Run g_run;

bool PngEncoder(CLSID* clsid) {
  UINT count = 0, bytes = 0;
  Gdiplus::GetImageEncodersSize(&count, &bytes);
  if (bytes == 0) return false;
  std::vector<unsigned char> buffer(bytes);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  Gdiplus::GetImageEncoders(count, bytes, codecs);
  for (UINT i = 0; i < count; ++i) {
    if (std::wstring(codecs[i].MimeType) == L"image/png") {
      *clsid = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

// What the screen shows where the window is, as a PNG file.
bool SaveScreenshot(const std::filesystem::path& path) {
  HWND hwnd = static_cast<HWND>(g_run.dlg->Hwnd());
  RECT r;
  GetWindowRect(hwnd, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  bool saved = false;
  CLSID png;
  if (PngEncoder(&png)) {
    Gdiplus::Bitmap image(bitmap, nullptr);
    saved = image.Save(path.wstring().c_str(), &png, nullptr) == Gdiplus::Ok;
  }
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  std::printf("%s %s\n", saved ? "saved" : "could not save", path.string().c_str());
  std::fflush(stdout);
  if (!saved) ++g_run.failures;
  return saved;
}

std::string Utf8(const std::u16string& text) { return qv::ui::Utf8Of(text); }

constexpr UINT kClickMessage = WM_APP + 0x200;
constexpr UINT kReportMessage = WM_APP + 0x201;
void Report(qv::gui::CMainDlg& dlg);

LRESULT CALLBACK Requests(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (message == kClickMessage) {
    g_run.dlg->FindChildByName2<qv::ui::SImageButton>("scan_dir")->Click();
    return 0;
  }
  if (message == kReportMessage) {
    Report(*g_run.dlg);
    return 0;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

// Drives the run from a thread of its own: the window's thread is busy with the worker's
// notifications and their painting, which go before any timer of its own.
void Drive() {
  using namespace std::chrono_literals;
  qv::gui::CMainDlg& dlg = *g_run.dlg;
  std::this_thread::sleep_for(2500ms);
  SaveScreenshot(g_run.out / "startup.png");
  // The click as the window's thread would take it.
  SendMessageW(static_cast<HWND>(dlg.Hwnd()), kClickMessage, 0, 0);
  bool midRunSaved = false;
  for (int waited = 0; waited < 60000 && !dlg.Driver().IsRunning(); waited += 10) std::this_thread::sleep_for(10ms);
  while (dlg.Driver().IsRunning()) {
    const size_t calls = g_run.engineCalls.load();
    if (!midRunSaved && g_run.files > 0 && calls * 100 >= g_run.files * 40) {
      midRunSaved = true;
      SaveScreenshot(g_run.out / "scanning.png");
    }
    std::this_thread::sleep_for(20ms);
  }
  // The worker has ended: every notification it sent has been handled.
  std::this_thread::sleep_for(1500ms);
  SendMessageW(static_cast<HWND>(dlg.Hwnd()), kReportMessage, 0, 0);
  SaveScreenshot(g_run.out / "scanned.png");
  SendMessageW(static_cast<HWND>(dlg.Hwnd()), WM_CLOSE, 0, 0);
}

// Prints the rows and the status line (on the window's thread).
void Report(qv::gui::CMainDlg& dlg) {
  auto* list = dlg.FindChildByName2<qv::ui::SListCtrl>("virusshow");
  for (int row = 0; list && row < list->GetItemCount(); ++row) {
    std::printf("row %d: %s | %s | %s | %s\n", row, Utf8(list->GetSubItemText(row, 0)).c_str(),
                Utf8(list->GetSubItemText(row, 1)).c_str(), Utf8(list->GetSubItemText(row, 2)).c_str(),
                Utf8(list->GetSubItemText(row, 3)).c_str());
  }
  std::printf("status: %s\n", Utf8(dlg.FindChildByName("scanshow.info")->GetWindowText()).c_str());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: gui_screenshot_run FOLDER OUTPUT_DIR\n");
    return 2;
  }
  std::wstring module(32768, L'\0');
  module.resize(GetModuleFileNameW(nullptr, module.data(), DWORD(module.size())));
  const std::filesystem::path folder = std::filesystem::absolute(argv[1]);
  g_run.out = std::filesystem::absolute(argv[2]);
  qv::gui::AppOptions options;
  options.programDir = std::filesystem::path(module).parent_path();
  options.deps.dialogs = std::make_shared<ScriptedDialogs>(folder.u16string());
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) g_run.files += entry.is_regular_file();
  options.deps.engine = [engine = qv::frontend::DefaultEngineCall()](const char16_t* path, int mode, char16_t* text) {
    ++g_run.engineCalls;
    return engine(path, mode, text);
  };
  std::thread driver;
  options.onShown = [&driver](qv::gui::CMainDlg& dlg) {
    g_run.dlg = &dlg;
    // The driving thread's requests, handled on the window's thread.
    SetWindowSubclass(static_cast<HWND>(dlg.Hwnd()), Requests, 1, 0);
    driver = std::thread(Drive);
  };
  const int code = qv::gui::CQuorvaneApp().InitInstance(options);
  if (driver.joinable()) driver.join();
  return code != 0 ? code : (g_run.failures.load() ? 1 : 0);
}
