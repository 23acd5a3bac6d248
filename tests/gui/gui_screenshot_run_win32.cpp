// A real run of the Windows GUI program (under Wine and Xvfb, or on a desktop), for
// screenshots: starts the program as its own WinMain does, saves a picture of the window
// after start-up, scans the folder given on the command line through the scan_dir button,
// saves a picture while it scans and one once the run has ended, and closes the window.
// Run by tests/gui/screenshots.sh --windows.
//
//   gui_screenshot_run.exe FOLDER OUTPUT_DIR
// Pictures: startup.png, scanning.png (when the run lasts long enough), scanned.png.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "frontend/app/quorvane_app.h"
#include "frontend/toolkit/controls.h"
#include "frontend/toolkit/application.h"
#include "frontend/toolkit/list_ctrl.h"

namespace {
constexpr qv::ui::UINT kClose = qv::ui::WM_CLOSE;  // read before the system headers make WM_CLOSE a macro
}  // namespace

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
  int failures = 0;
  int phase = 0;  // 0 waiting to start, 1 scanning, 2 done
  bool midRunSaved = false;
  int settleTicks = 0;
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

void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
  qv::gui::CMainDlg& dlg = *g_run.dlg;
  if (g_run.phase == 0) {
    KillTimer(nullptr, timer);
    SaveScreenshot(g_run.out / "startup.png");
    dlg.FindChildByName2<qv::ui::SImageButton>("scan_dir")->Click();
    g_run.phase = 1;
    SetTimer(nullptr, 0, 30, Tick);
    return;
  }
  if (g_run.phase == 1) {
    const std::u16string info = dlg.FindChildByName("scanshow.info")->GetWindowText();
    const int progress = dlg.FindChildByName2<qv::ui::SProgress>("scanshow.prog")->GetValue();
    if (!g_run.midRunSaved && dlg.Driver().IsRunning() && progress >= 30 && progress < 90) {
      g_run.midRunSaved = true;
      UpdateWindow(static_cast<HWND>(dlg.Hwnd()));
      SaveScreenshot(g_run.out / "scanning.png");
    }
    if (dlg.Driver().IsRunning() || info.rfind(u"共扫描", 0) != 0) return;
    auto* list = dlg.FindChildByName2<qv::ui::SListCtrl>("virusshow");
    for (int row = 0; list && row < list->GetItemCount(); ++row) {
      std::printf("row %d: %s | %s | %s | %s\n", row, Utf8(list->GetSubItemText(row, 0)).c_str(),
                  Utf8(list->GetSubItemText(row, 1)).c_str(), Utf8(list->GetSubItemText(row, 2)).c_str(),
                  Utf8(list->GetSubItemText(row, 3)).c_str());
    }
    std::printf("status: %s\n", Utf8(info).c_str());
    std::fflush(stdout);
    g_run.phase = 2;
    return;
  }
  if (++g_run.settleTicks < 14) return;  // let the last paint reach the screen
  KillTimer(nullptr, timer);
  SaveScreenshot(g_run.out / "scanned.png");
  dlg.SendMessage(kClose);
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
  options.onShown = [](qv::gui::CMainDlg& dlg) {
    g_run.dlg = &dlg;
    SetTimer(nullptr, 0, 2500, Tick);
  };
  const int code = qv::gui::CQuorvaneApp().InitInstance(options);
  return code != 0 ? code : (g_run.failures ? 1 : 0);
}
