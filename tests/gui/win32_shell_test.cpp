// The Win32 backend with the shell's own machinery, under Wine: a drag of two files carried
// by OLE (DoDragDrop) onto the drop box, and the native dialogs of the restore flow and of
// the folder scan, answered by a helper thread the way a person would fill them in.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <thread>

#include "engine/common/quarantine.h"
#include "engine/include/scanvirus.h"
#include "frontend/app/main_dlg.h"
#include "frontend/app/restore_flow.h"
#include "frontend/toolkit/application.h"
#include "frontend/toolkit/controls.h"
#include "frontend/toolkit/win32/system_headers.h"
#include "tests/gui/win32_fixture.h"

namespace qv::ui {
namespace {

using namespace std::chrono_literals;

using test::MakeHDrop;
using test::PumpUntil;

// Handles the window's messages for `span`.
void PumpFor(std::chrono::milliseconds span) {
  const auto end = std::chrono::steady_clock::now() + span;
  PumpUntil([&] { return std::chrono::steady_clock::now() > end; });
}

std::wstring W(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// ---- a drag source as the shell's would be ----

HGLOBAL MakeUnicodeText(const std::wstring& text) {
  HGLOBAL block = GlobalAlloc(GHND, (text.size() + 1) * sizeof(wchar_t));
  std::copy(text.begin(), text.end(), static_cast<wchar_t*>(GlobalLock(block)));
  GlobalUnlock(block);
  return block;
}

// Data of one format in global memory; every GetData hands out a fresh copy.
class OneFormatData : public ::IDataObject {
 public:
  OneFormatData(CLIPFORMAT format, HGLOBAL block) : format_(format), block_(block) {}
  virtual ~OneFormatData() { GlobalFree(block_); }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
    if (id == IID_IUnknown || id == IID_IDataObject) {
      *object = static_cast<::IDataObject*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++count_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG count = --count_;
    if (count == 0) delete this;
    return count;
  }
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
    const SIZE_T size = GlobalSize(block_);
    HGLOBAL copy = GlobalAlloc(GHND, size);
    std::memcpy(GlobalLock(copy), GlobalLock(block_), size);
    GlobalUnlock(copy);
    GlobalUnlock(block_);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = copy;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
    return format && format->cfFormat == format_ && (format->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    if (out) out->ptd = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override {
    if (direction != DATADIR_GET) return E_NOTIMPL;
    FORMATETC one{format_, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    return SHCreateStdEnumFmtEtc(1, &one, formats);
  }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

 private:
  CLIPFORMAT format_;
  HGLOBAL block_;
  ULONG count_ = 1;
};

// Holds the drag over the window for a few rounds of the drag loop, then lets go (as a
// person releasing the mouse button does).
class ReleasingSource : public ::IDropSource {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
    if (id == IID_IUnknown || id == IID_IDropSource) {
      *object = static_cast<::IDropSource*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the test's stack
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD) override {
    if (escape) return DRAGDROP_S_CANCEL;
    return ++rounds_ >= 4 ? DRAGDROP_S_DROP : S_OK;
  }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override {
    feedback_.push_back(effect);
    return DRAGDROP_S_USEDEFAULTCURSORS;
  }
  const std::vector<DWORD>& Feedback() const { return feedback_; }

 private:
  int rounds_ = 0;
  std::vector<DWORD> feedback_;
};

// The main window shown, with OLE ready on this thread and the real engine's restore.
class ShellTest : public test::Win32MainWindow {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    Win32MainWindow::SetUp();
    if (HasFatalFailure()) return;
    dlg_->ShowWindow(SW_SHOWNORMAL);
    ASSERT_TRUE(PumpUntil([&] { return dlg_->IsWindowVisible(); }));
    folder_ = std::filesystem::temp_directory_path() / "quorvane-shell-test";
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }
  void AdjustDeps(gui::MainDlgDeps& deps) override {
    deps.restore = [this](const std::u16string& vir, const std::u16string& dest) {
      restoreCalls_.emplace_back(vir, dest);
      return ReVirFile(reinterpret_cast<const sv_char16*>(vir.c_str()), reinterpret_cast<const sv_char16*>(dest.c_str()));
    };
  }
  void TearDown() override {
    Win32MainWindow::TearDown();
    std::filesystem::remove_all(folder_);
    OleUninitialize();
  }
  // The screen point in the middle of a named element.
  POINT ScreenPointOf(const char* name) {
    const PixelRect box = dlg_->FindChildByName(name)->GetWindowRect();
    POINT point{box.x + box.width / 2, box.y + box.height / 2};
    ClientToScreen(static_cast<HWND>(dlg_->Hwnd()), &point);
    return point;
  }
  // Drags `data` with the cursor at `at` and lets go; answers the effect DoDragDrop reports.
  DWORD DragAndRelease(::IDataObject* data, POINT at, ReleasingSource& source) {
    SetCursorPos(at.x, at.y);
    DWORD effect = DROPEFFECT_NONE;
    const HRESULT result = DoDragDrop(data, &source, DROPEFFECT_COPY | DROPEFFECT_LINK, &effect);
    EXPECT_TRUE(result == DRAGDROP_S_DROP || result == DRAGDROP_S_CANCEL) << std::hex << result;
    return result == DRAGDROP_S_DROP ? effect : DROPEFFECT_NONE;
  }

  std::vector<std::pair<std::u16string, std::u16string>> restoreCalls_;
  std::filesystem::path folder_;
};

TEST_F(ShellTest, AnOleDragOfTwoFilesOntoTheDropBoxScansBoth) {
  const std::filesystem::path a = folder_ / L"甲 文档.doc", b = folder_ / "b.xls";
  std::ofstream(a) << "a";
  std::ofstream(b) << "b";
  auto* data = new OneFormatData(CF_HDROP, HGLOBAL(MakeHDrop({a.wstring(), b.wstring()})));
  ReleasingSource source;
  const DWORD effect = DragAndRelease(data, ScreenPointOf("edit_drop_top"), source);
  data->Release();
  EXPECT_EQ(effect, DWORD(DROPEFFECT_LINK));
  ASSERT_FALSE(source.Feedback().empty());
  EXPECT_EQ(source.Feedback().back(), DWORD(DROPEFFECT_LINK));  // the link cursor over the box
  EXPECT_EQ(dlg_->DroppedPaths(), (std::set<std::u16string>{a.u16string(), b.u16string()}));
  ASSERT_TRUE(PumpUntil([&] { return !dlg_->Driver().IsRunning() && !Scanned().empty(); }));
  std::vector<std::u16string> wanted{a.u16string(), b.u16string()};
  std::sort(wanted.begin(), wanted.end());
  EXPECT_EQ(Scanned(), wanted);
}

TEST_F(ShellTest, OleDragsThatAreNotFileListsOrMissTheDropBoxStartNothing) {
  const std::filesystem::path a = folder_ / "a.doc";
  std::ofstream(a) << "a";
  struct Case {
    const char* what;
    CLIPFORMAT format;
    HGLOBAL block;
    const char* over;
  } cases[] = {
      {"text on the drop box", CF_UNICODETEXT, MakeUnicodeText(a.wstring()), "edit_drop_top"},
      {"a file over the result list", CF_HDROP, HGLOBAL(MakeHDrop({a.wstring()})), "virusshow"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto* data = new OneFormatData(c.format, c.block);
    ReleasingSource source;
    EXPECT_EQ(DragAndRelease(data, ScreenPointOf(c.over), source), DWORD(DROPEFFECT_NONE));
    data->Release();
    EXPECT_TRUE(dlg_->DroppedPaths().empty());
    EXPECT_FALSE(dlg_->Driver().IsRunning());
  }
  PumpFor(1500ms);  // nothing may arrive late either
  EXPECT_TRUE(Scanned().empty());
}

// ---- the native dialogs, answered from another thread ----

// The visible dialog window of the window's thread whose title is `title` (any title when
// empty), or nullptr.
HWND FindDialog(DWORD thread, const std::wstring& title) {
  struct Search {
    const std::wstring* title;
    HWND found = nullptr;
  } search{&title};
  EnumThreadWindows(
      thread,
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        wchar_t cls[64] = {}, text[512] = {};
        GetClassNameW(hwnd, cls, 64);
        GetWindowTextW(hwnd, text, 512);
        if (std::wstring(cls) == L"#32770" && IsWindowVisible(hwnd) && (s->title->empty() || *s->title == text)) {
          s->found = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      LPARAM(&search));
  return search.found;
}

// A person at the window: answers the dialogs of the window's thread, one step after the
// other, from a thread of its own. When a step's dialog does not come within a minute, or
// once the steps are done, whatever dialog stays open on that thread (an error box, a
// dialog that was not expected) is cancelled, so that the modal flow always ends.
class Person {
 public:
  struct Step {
    std::wstring title;  // empty: any dialog
    std::function<void(HWND)> answer;
  };
  Person(DWORD thread, std::vector<Step> steps) : steps_(std::move(steps)) {
    worker_ = std::thread([this, thread] { Run(thread); });
  }
  // Called once the flow returned; answers how many steps were taken.
  size_t Finish() {
    flowEnded_ = true;
    worker_.join();
    return taken_;
  }

 private:
  void Run(DWORD thread) {
    for (const Step& step : steps_) {
      HWND dialog = nullptr;
      for (auto end = std::chrono::steady_clock::now() + 60s; !dialog && !flowEnded_ && std::chrono::steady_clock::now() < end;) {
        dialog = FindDialog(thread, step.title);
        if (!dialog) std::this_thread::sleep_for(50ms);
      }
      if (!dialog) break;
      step.answer(dialog);
      ++taken_;
    }
    // A dialog that is closing gets a moment before it counts as left open.
    for (auto since = std::chrono::steady_clock::now(); !flowEnded_; std::this_thread::sleep_for(100ms)) {
      if (std::chrono::steady_clock::now() - since < 5s) continue;
      if (HWND left = FindDialog(thread, L"")) PostMessageW(left, WM_COMMAND, IDCANCEL, 0);
    }
  }

  std::vector<Step> steps_;
  std::atomic<bool> flowEnded_{false};
  std::atomic<size_t> taken_{0};
  std::thread worker_;
};

// The file name box of an open or save dialog (the explorer style's combo box, or the
// older style's edit box).
HWND FileNameBox(HWND dialog) {
  if (HWND combo = GetDlgItem(dialog, cmb13)) return combo;
  return GetDlgItem(dialog, edt1);
}

std::wstring TextOf(HWND control) {
  wchar_t text[1024] = {};
  GetWindowTextW(control, text, 1024);
  return text;
}

void Confirm(HWND dialog) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(dialog, IDOK))); }

// The text of the item a folder picker's tree has selected ("" when there is none yet).
std::wstring PickerSelection(HWND picker) {
  HWND tree = nullptr;
  EnumChildWindows(
      picker,
      [](HWND child, LPARAM found) -> BOOL {
        wchar_t cls[32] = {};
        GetClassNameW(child, cls, 32);
        if (std::wcscmp(cls, WC_TREEVIEWW) != 0) return TRUE;
        *reinterpret_cast<HWND*>(found) = child;
        return FALSE;
      },
      LPARAM(&tree));
  if (tree == nullptr) return {};
  const auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (item == nullptr) return {};
  wchar_t text[MAX_PATH] = {};
  TVITEMW tv{};
  tv.mask = TVIF_TEXT | TVIF_HANDLE;
  tv.hItem = item;
  tv.pszText = text;
  tv.cchTextMax = MAX_PATH;
  SendMessageW(tree, TVM_GETITEMW, 0, LPARAM(&tv));
  return text;
}

TEST_F(ShellTest, TheRestoreFlowsDialogsProposeTheNameAndTheEngineRestoresTheCopy) {
  const std::filesystem::path quarantine(gui::QuarantineFolderPath());
  std::filesystem::create_directories(quarantine);
  std::string original = "\xD0\xCF\x11\xE0 document bytes";
  original.append(3000, '\x9D');  // bytes equal to the scrambling key turn into zeros in the copy
  std::vector<uint8_t> scrambled(original.begin(), original.end());
  ScrambleBytes(scrambled.data(), scrambled.size());
  const std::filesystem::path vir = quarantine / L"报告 一.doc.vir";
  std::ofstream(vir, std::ios::binary).write(reinterpret_cast<const char*>(scrambled.data()), scrambled.size());
  const std::filesystem::path dest = folder_ / L"恢复.doc";
  const std::filesystem::path before = std::filesystem::current_path();

  std::wstring proposed;
  const DWORD thread = GetWindowThreadProcessId(static_cast<HWND>(dlg_->Hwnd()), nullptr);
  Person person(thread, {{W(gui::kOpenQuarantineTitle),
                          [&](HWND open) {
                            SetWindowTextW(FileNameBox(open), vir.wstring().c_str());
                            Confirm(open);
                          }},
                         {L"请选择报告 一.doc.vir保存位置", [&](HWND save) {
                            proposed = TextOf(FileNameBox(save));
                            SetWindowTextW(FileNameBox(save), dest.wstring().c_str());
                            Confirm(save);
                          }}});
  dlg_->OnRestoreQuarantine();  // modal: returns once both dialogs are closed
  ASSERT_EQ(person.Finish(), 2u) << "a dialog with the expected title did not come";

  EXPECT_EQ(proposed, L"报告 一.doc");
  ASSERT_EQ(restoreCalls_.size(), 1u);
  EXPECT_EQ(std::filesystem::path(restoreCalls_[0].first), vir);
  EXPECT_EQ(std::filesystem::path(restoreCalls_[0].second), dest);
  EXPECT_EQ(ReadAll(dest), original);
  EXPECT_EQ(std::filesystem::current_path(), before);
  std::filesystem::remove(vir);
}

TEST_F(ShellTest, CancellingTheOpenDialogRestoresNothingAndPutsTheDirectoryBack) {
  const std::filesystem::path before = std::filesystem::current_path();
  const DWORD thread = GetWindowThreadProcessId(static_cast<HWND>(dlg_->Hwnd()), nullptr);
  Person person(thread, {{W(gui::kOpenQuarantineTitle), [](HWND open) {
                            PostMessageW(open, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                                         LPARAM(GetDlgItem(open, IDCANCEL)));
                          }}});
  dlg_->OnRestoreQuarantine();
  EXPECT_EQ(person.Finish(), 1u);
  EXPECT_TRUE(restoreCalls_.empty());
  EXPECT_EQ(std::filesystem::current_path(), before);
}

TEST_F(ShellTest, TheFolderPickerAnsweredWithAFolderScansItsFiles) {
  const std::filesystem::path sub = folder_ / L"子 目录";
  std::filesystem::create_directories(sub);
  const std::filesystem::path a = folder_ / "a.doc", b = sub / L"乙.xls";
  std::ofstream(a) << "a";
  std::ofstream(b) << "b";
  const DWORD thread = GetWindowThreadProcessId(static_cast<HWND>(dlg_->Hwnd()), nullptr);
  Person person(thread, {{L"", [&](HWND picker) {
                            SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, LPARAM(folder_.wstring().c_str()));
                            // The tree follows the selection in its own time (slowly on a busy
                            // machine): confirmed once it shows the folder.
                            const std::wstring leaf = folder_.filename().wstring();
                            const auto until = std::chrono::steady_clock::now() + 20s;
                            while (PickerSelection(picker) != leaf && std::chrono::steady_clock::now() < until) {
                              std::this_thread::sleep_for(50ms);
                            }
                            Confirm(picker);
                          }}});
  dlg_->FindChildByName2<SImageButton>("scan_dir")->Click();  // modal until the picker closes
  ASSERT_EQ(person.Finish(), 1u);
  ASSERT_TRUE(PumpUntil([&] { return !dlg_->Driver().IsRunning() && Scanned().size() >= 2; }));
  std::vector<std::u16string> wanted{a.u16string(), b.u16string()};
  std::sort(wanted.begin(), wanted.end());
  EXPECT_EQ(Scanned(), wanted);
}

}  // namespace
}  // namespace qv::ui
