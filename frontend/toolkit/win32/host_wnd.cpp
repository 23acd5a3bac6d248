#include "frontend/toolkit/win32/host_wnd.h"

#include <algorithm>

#include "frontend/toolkit/drop_target.h"
#include "frontend/toolkit/win32/application.h"
#include "frontend/toolkit/win32/element_view.h"
#include "frontend/toolkit/win32/system_headers.h"

namespace qv::ui {

// The private messages of the host: a timer started or stopped from another thread.
constexpr UINT kSetTimerMessage = WM_APP + 0x100;
constexpr UINT kKillTimerMessage = WM_APP + 0x101;

// The window's OLE drop target: reads the drag's file list and hands it to the host's
// dispatcher, which finds the element under the cursor and its registered target.
class OleDropTarget : public ::IDropTarget {
 public:
  explicit OleDropTarget(SHostWnd* host) : host_(host) {}
  virtual ~OleDropTarget() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
    if (id == IID_IUnknown || id == IID_IDropTarget) {
      *object = static_cast<::IDropTarget*>(this);
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
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL point, DWORD* effect) override {
    data_ = ReadData(data);
    uint32_t chosen = *effect;
    if (!host_->DispatchDragEnter(data_, ClientPoint(point), &chosen)) chosen = DROPEFFECT_NONE;
    *effect = chosen & *effect ? chosen & *effect : (chosen ? *effect : DROPEFFECT_NONE);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL point, DWORD* effect) override {
    uint32_t chosen = *effect;
    if (!host_->DispatchDragOver(data_, ClientPoint(point), &chosen)) chosen = DROPEFFECT_NONE;
    *effect = chosen & *effect ? chosen & *effect : (chosen ? *effect : DROPEFFECT_NONE);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override {
    host_->DispatchDragLeave();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL point, DWORD* effect) override {
    data_ = ReadData(data);
    uint32_t chosen = *effect;
    if (!host_->DispatchDrop(data_, ClientPoint(point), &chosen)) chosen = DROPEFFECT_NONE;
    *effect = chosen & *effect ? chosen & *effect : (chosen ? *effect : DROPEFFECT_NONE);
    return S_OK;
  }

 private:
  DragPoint ClientPoint(POINTL screen) const {
    POINT p{screen.x, screen.y};
    ScreenToClient(static_cast<HWND>(host_->Hwnd()), &p);
    return DragPoint{p.x, p.y};
  }
  static DragData ReadData(IDataObject* data) {
    DragData result;
    if (!data) return result;
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (FAILED(data->GetData(&format, &medium))) return result;
    result.hasFileList = true;
    result.files = PathsOfHDrop(medium.hGlobal);
    ReleaseStgMedium(&medium);
    return result;
  }

  SHostWnd* host_;
  ULONG count_ = 1;
  DragData data_;
};

namespace {

const wchar_t* ClassNameOf(const std::string& name, std::wstring& storage) {
  storage.assign(name.begin(), name.end());
  if (storage.empty()) storage = L"SOUIHOST";
  return storage.c_str();
}

::LRESULT CALLBACK HostProc(HWND hwnd, ::UINT message, ::WPARAM wParam, ::LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, LONG_PTR(create->lpCreateParams));
  }
  auto* host = reinterpret_cast<SHostWnd*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!host || message == WM_NCCREATE || message == WM_CREATE || message == WM_NCCALCSIZE)
    return DefWindowProcW(hwnd, message, wParam, lParam);
  return host->HandleNativeMessage(message, wParam, lParam);
}

bool RegisterHostClass(const wchar_t* name) {
  WNDCLASSEXW existing{sizeof existing};
  if (GetClassInfoExW(GetModuleHandleW(nullptr), name, &existing)) return true;
  WNDCLASSEXW cls{sizeof cls};
  cls.style = CS_DBLCLKS;
  cls.lpfnWndProc = HostProc;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  cls.lpszClassName = name;
  return RegisterClassExW(&cls) != 0;
}

// The icon of an .ico file's best entry for `size` pixels (nullptr when unreadable).
HICON IconFromIco(const std::string& ico, int size) {
  auto u16 = [&](size_t at) { return unsigned(uint8_t(ico[at])) | unsigned(uint8_t(ico[at + 1])) << 8; };
  auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
  if (ico.size() < 6 || u16(0) != 0 || u16(2) != 1) return nullptr;
  const unsigned count = std::min(u16(4), 64u);
  size_t best = 0;
  int bestScore = -1;
  for (unsigned i = 0; i < count; ++i) {
    const size_t entry = 6 + size_t(i) * 16;
    if (entry + 16 > ico.size()) return nullptr;
    const int width = ico[entry] == 0 ? 256 : int(uint8_t(ico[entry]));
    const int score = 10000 - std::abs(width - size);
    if (score > bestScore) bestScore = score, best = entry;
  }
  if (bestScore < 0) return nullptr;
  const size_t bytes = u32(best + 8), offset = u32(best + 12);
  if (offset > ico.size() || bytes > ico.size() - offset || bytes == 0) return nullptr;
  return CreateIconFromResourceEx(reinterpret_cast<PBYTE>(const_cast<char*>(ico.data() + offset)), DWORD(bytes), TRUE,
                                  0x00030000, size, size, LR_DEFAULTCOLOR);
}

HICON LoadLayoutIcon(const std::string& iconValue, int size) {
  SApplication* app = SApplication::getSingletonPtr();
  const std::string name = iconValue.substr(0, iconValue.find(':'));
  if (!app || name.empty()) return nullptr;
  auto bytes = app->GetResProviderMgr().GetRawBuffer("ICON", name);
  return bytes ? IconFromIco(*bytes, size) : nullptr;
}

}  // namespace

RoundRegion RoundRectRegion(const PixelRect& box, int ellipseWidth, int ellipseHeight) {
  return RoundRegion{box, ellipseWidth, ellipseHeight};
}

static HRGN MakeRegion(const RoundRegion& region) {
  const PixelRect& b = region.box;
  // The right and bottom coordinates are exclusive for the region: one more than the box.
  return CreateRoundRectRgn(b.x, b.y, b.x + b.width + 1, b.y + b.height + 1, region.ellipseWidth, region.ellipseHeight);
}

bool RegionContains(const RoundRegion& region, int x, int y) {
  if (region.IsEmpty()) return false;
  HRGN rgn = MakeRegion(region);
  const bool inside = rgn && PtInRegion(rgn, x, y);
  if (rgn) DeleteObject(rgn);
  return inside;
}

SHostWnd::SHostWnd(std::string layoutResId) : HostCore(std::move(layoutResId)), thread_(std::this_thread::get_id()) {}

SHostWnd::~SHostWnd() {
  bridgeClosed_.store(true);
  if (hwnd_) {
    if (oleTarget_) ::RevokeDragDrop(static_cast<HWND>(hwnd_));
    SetWindowLongPtrW(static_cast<HWND>(hwnd_), GWLP_USERDATA, 0);
  }
  DestroyTree();  // the elements (the ListView too) go while the window exists
  if (oleTarget_) oleTarget_->Release();
  if (tooltip_) DestroyWindow(static_cast<HWND>(tooltip_));
  if (hwnd_) DestroyWindow(static_cast<HWND>(hwnd_));
}

bool SHostWnd::Create(void* owner, int x, int y, int cx, int cy) {
  SApplication* app = SApplication::getSingletonPtr();
  if (!app || GetRoot()) return false;
  auto bytes = app->GetResProviderMgr().GetRawBuffer(LayoutResId());
  if (!bytes) return false;
  auto doc = ReadLayoutDoc(*bytes);
  if (!doc) return false;
  const HostAttrs& attrs = Attrs();

  std::wstring className;
  const wchar_t* cls = ClassNameOf(app->HostClassName(), className);
  if (!RegisterHostClass(cls)) return false;
  const int width = cx > 0 ? cx : attrs.width;
  const int height = cy > 0 ? cy : attrs.height;
  const std::u16string title = Utf16Of(app->Translate(attrs.name, app->ExpandStrings(attrs.title)));
  DWORD style = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX;
  DWORD exStyle = attrs.appWindow ? WS_EX_APPWINDOW : WS_EX_TOOLWINDOW;
  thread_ = std::this_thread::get_id();
  HWND hwnd = CreateWindowExW(exStyle, cls, reinterpret_cast<LPCWSTR>(title.c_str()), style, x, y, width, height,
                              static_cast<HWND>(owner), nullptr, GetModuleHandleW(nullptr), this);
  if (!hwnd) return false;
  hwnd_ = hwnd;
  if (HICON big = LoadLayoutIcon(attrs.bigIcon, 32)) SendMessageW(hwnd, WM_SETICON, ICON_BIG, LPARAM(big));
  if (HICON small = LoadLayoutIcon(attrs.smallIcon, 16)) SendMessageW(hwnd, WM_SETICON, ICON_SMALL, LPARAM(small));

  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0, 0,
                             0, hwnd, nullptr, GetModuleHandleW(nullptr), nullptr);

  BuildTree(doc->root, width, height);
  CreateNativeControls(*GetRoot());
  return true;
}

// ---- messages ----

LRESULT SHostWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (std::this_thread::get_id() == thread_) return ProcessWindowMessage(message, wParam, lParam);
  if (bridgeClosed_.load() || !hwnd_) return 0;
  return ::SendMessageW(static_cast<HWND>(hwnd_), message, wParam, lParam);
}

void SHostWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_QUIT) {
    // WM_QUIT is the loop's own: it ends GetMessage on the window's thread.
    if (std::this_thread::get_id() == thread_) PostQuitMessage(int(wParam));
    else if (hwnd_) PostThreadMessageW(GetWindowThreadProcessId(static_cast<HWND>(hwnd_), nullptr), WM_QUIT, wParam, 0);
    return;
  }
  if (hwnd_) ::PostMessageW(static_cast<HWND>(hwnd_), message, wParam, lParam);
}

void SHostWnd::ReleasePendingSends() {
  MSG message;
  // Peeking handles the messages other threads sent (and are waiting on).
  PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

LRESULT SHostWnd::ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_QUIT:
      PostQuitMessage(int(wParam));
      return 0;
    case WM_CLOSE:
      PostMessage(WM_QUIT);
      return 0;
    case WM_SYSCOMMAND:
      if (wParam == SC_MINIMIZE && hwnd_) ::ShowWindow(static_cast<HWND>(hwnd_), SW_MINIMIZE);
      return 0;
    default:
      return 0;
  }
}

intptr_t SHostWnd::HandleNativeMessage(unsigned message, uintptr_t wParam, intptr_t lParam) {
  HWND hwnd = static_cast<HWND>(hwnd_);
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEMOVE:
      OnMouseMove(short(LOWORD(lParam)), short(HIWORD(lParam)));
      return 0;
    case WM_MOUSELEAVE:
      trackingLeave_ = false;
      OnMouseLeaveWindow();
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      OnLeftDown(short(LOWORD(lParam)), short(HIWORD(lParam)));
      return 0;
    case WM_LBUTTONUP:
      OnLeftUp(short(LOWORD(lParam)), short(HIWORD(lParam)));
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        SWindow* element = GetElement(hover_);
        const bool hand = element && element->WantsHandCursor() && !element->IsDisabled();
        SetCursor(LoadCursorW(nullptr, hand ? IDC_HAND : IDC_ARROW));
        return TRUE;
      }
      break;
    case WM_TIMER:
      ProcessWindowMessage(WM_TIMER, wParam, 0);
      return 0;
    case kSetTimerMessage:
      SetTimer(UINT(wParam), UINT(lParam));
      return 0;
    case kKillTimerMessage:
      KillTimer(UINT(wParam));
      return 0;
    case WM_CLOSE:
      // The system's close request is a WM_CLOSE like any other: the window decides.
      ProcessWindowMessage(WM_CLOSE, 0, 0);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) {
        ProcessWindowMessage(WM_CLOSE, 0, 0);
        return 0;
      }
      break;
    case WM_SHOWWINDOW:
      ProcessWindowMessage(WM_SHOWWINDOW, wParam, 0);
      break;
    default:
      if (message == WM_INITDIALOG || (message >= WM_USER && message < WM_APP)) {
        // A send from another thread after the bridge closed is answered without handling.
        if (bridgeClosed_.load() && InSendMessage()) return 0;
        return ProcessWindowMessage(message, wParam, lParam);
      }
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// ---- painting ----

void SHostWnd::PaintTo(void* target, const PixelRect& clip) {
  HDC dc = static_cast<HDC>(target);
  // What the rounded corners and the shadow's translucent pixels lie on.
  RECT area{clip.x, clip.y, clip.x + clip.width, clip.y + clip.height};
  HBRUSH back = CreateSolidBrush(RGB(0xFF, 0xFF, 0xFF));
  FillRect(dc, &area, back);
  DeleteObject(back);
  Gdiplus::Graphics graphics(dc);
  graphics.SetClip(Gdiplus::Rect(clip.x, clip.y, clip.width, clip.height));
  GdiPainter painter(graphics);
  if (SWindow* root = GetRoot()) root->Paint(painter, clip);
}

void SHostWnd::Paint() {
  HWND hwnd = static_cast<HWND>(hwnd_);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client;
  GetClientRect(hwnd, &client);
  const int width = client.right - client.left, height = client.bottom - client.top;
  // Everything is drawn into a bitmap first and shown at once: nothing flickers.
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  PaintTo(memory, PixelRect{ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
                            ps.rcPaint.bottom - ps.rcPaint.top});
  BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left, ps.rcPaint.bottom - ps.rcPaint.top,
         memory, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  EndPaint(hwnd, &ps);
}

bool SHostWnd::RenderTo(std::vector<uint32_t>& pixels, int& width, int& height) {
  if (!GetRoot()) return false;
  const PixelRect box = GetRoot()->GetWindowRect();
  width = box.width;
  height = box.height;
  if (width <= 0 || height <= 0) return false;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC memory = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits) {
    DeleteDC(memory);
    return false;
  }
  HGDIOBJ old = SelectObject(memory, bitmap);
  PaintTo(memory, PixelRect{0, 0, width, height});
  GdiFlush();
  const auto* source = static_cast<const uint32_t*>(bits);
  pixels.assign(source, source + size_t(width) * size_t(height));
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  return true;
}

void SHostWnd::InvalidateElement(const SWindow* element) {
  if (!hwnd_ || !element) return;
  const PixelRect b = element->GetWindowRect();
  RECT rect{b.x, b.y, b.x + b.width, b.y + b.height};
  InvalidateRect(static_cast<HWND>(hwnd_), &rect, FALSE);
}

// ---- mouse ----

void SHostWnd::SetHover(SWindow* element) {
  const SWND swnd = element ? element->GetSwnd() : 0;
  if (swnd == hover_) return;
  if (SWindow* previous = GetElement(hover_)) previous->OnMouseLeave();
  hover_ = swnd;
  if (element && !element->IsDisabled()) element->OnMouseEnter();
  UpdateToolTip(element);
}

void SHostWnd::UpdateToolTip(SWindow* element) {
  if (!tooltip_) return;
  HWND tip = static_cast<HWND>(tooltip_);
  TOOLINFOW info{};
  info.cbSize = TTTOOLINFOW_V1_SIZE;
  info.hwnd = static_cast<HWND>(hwnd_);
  info.uId = 1;
  SendMessageW(tip, TTM_DELTOOLW, 0, LPARAM(&info));
  if (!element || element->GetToolTip().empty()) return;
  const PixelRect b = element->GetWindowRect();
  info.uFlags = TTF_SUBCLASS;
  info.rect = RECT{b.x, b.y, b.x + b.width, b.y + b.height};
  info.lpszText = const_cast<LPWSTR>(reinterpret_cast<LPCWSTR>(element->GetToolTip().c_str()));
  SendMessageW(tip, TTM_ADDTOOLW, 0, LPARAM(&info));
}

void SHostWnd::OnMouseMove(int x, int y) {
  if (!trackingLeave_) {
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, static_cast<HWND>(hwnd_), 0};
    trackingLeave_ = TrackMouseEvent(&track);
  }
  if (pressed_) return;  // the pressed element keeps the mouse until the button is let go
  SetHover(GetRoot() ? GetRoot()->HitTest(x, y) : nullptr);
}

void SHostWnd::OnMouseLeaveWindow() {
  if (!pressed_) SetHover(nullptr);
}

void SHostWnd::OnLeftDown(int x, int y) {
  SWindow* element = GetRoot() ? GetRoot()->HitTest(x, y) : nullptr;
  if (!element) return;
  if (element->DragsWindow()) {
    // Dragging by the banner moves the window, as dragging a title bar does.
    ReleaseCapture();
    SendMessageW(static_cast<HWND>(hwnd_), WM_NCLBUTTONDOWN, HTCAPTION, 0);
    return;
  }
  if (element->IsDisabled()) return;
  SetHover(element);
  pressed_ = element->GetSwnd();
  SetCapture(static_cast<HWND>(hwnd_));
  element->OnMouseDown(x, y);
}

void SHostWnd::OnLeftUp(int x, int y) {
  const SWND swnd = pressed_;
  pressed_ = 0;
  if (GetCapture() == static_cast<HWND>(hwnd_)) ReleaseCapture();
  if (SWindow* element = GetElement(swnd)) element->OnMouseUp(x, y, element->IsVisible() && element->Contains(x, y));
  if (hwnd_) SetHover(GetRoot() ? GetRoot()->HitTest(x, y) : nullptr);
}

// ---- timers ----

void SHostWnd::SetTimer(UINT id, UINT periodMs) {
  if (!hwnd_) return;
  if (std::this_thread::get_id() != thread_) {
    if (!bridgeClosed_.load()) ::PostMessageW(static_cast<HWND>(hwnd_), kSetTimerMessage, id, periodMs);
    return;
  }
  if (::SetTimer(static_cast<HWND>(hwnd_), id, periodMs, nullptr)) timers_.insert(id);
}

void SHostWnd::KillTimer(UINT id) {
  if (!hwnd_) return;
  if (std::this_thread::get_id() != thread_) {
    ::PostMessageW(static_cast<HWND>(hwnd_), kKillTimerMessage, id, 0);
    return;
  }
  ::KillTimer(static_cast<HWND>(hwnd_), id);
  timers_.erase(id);
}

bool SHostWnd::IsTimerRunning(UINT id) const { return timers_.count(id) != 0; }

// ---- shape and show ----

void SHostWnd::SetWindowRgn(const RoundRegion& region, bool redraw) {
  region_ = region;
  if (!hwnd_) return;
  // The system owns the region from here on.
  ::SetWindowRgn(static_cast<HWND>(hwnd_), region.IsEmpty() ? nullptr : MakeRegion(region), redraw);
}

void SHostWnd::AnimateHostWindow(int, uint32_t) {
  // The window shows at once: growing it from its centre with a changing region costs more
  // than it gives on this backend.
}

void SHostWnd::CenterWindow() {
  if (!hwnd_) return;
  HWND hwnd = static_cast<HWND>(hwnd_);
  RECT window, area;
  GetWindowRect(hwnd, &window);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  const int width = window.right - window.left, height = window.bottom - window.top;
  SetWindowPos(hwnd, nullptr, area.left + (area.right - area.left - width) / 2,
               area.top + (area.bottom - area.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SHostWnd::ShowWindow(int command) {
  if (!hwnd_) return;
  ::ShowWindow(static_cast<HWND>(hwnd_), command == 0 ? SW_HIDE : command);
  if (command != 0) UpdateWindow(static_cast<HWND>(hwnd_));
}

bool SHostWnd::IsWindowVisible() const { return hwnd_ && ::IsWindowVisible(static_cast<HWND>(hwnd_)); }

// ---- elements ----

std::unique_ptr<ElementView> SHostWnd::MakeView(SWindow& element) { return MakeWin32View(element, *this); }

void SHostWnd::OpenUrl(const std::u16string& url) {
  ShellExecuteW(nullptr, L"open", reinterpret_cast<LPCWSTR>(url.c_str()), nullptr, nullptr, SW_SHOWNORMAL);
}

// ---- drag and drop ----

void SHostWnd::EnableDropDispatcher() {
  if (!hwnd_ || oleTarget_) return;
  oleTarget_ = new OleDropTarget(this);
  if (FAILED(::RegisterDragDrop(static_cast<HWND>(hwnd_), oleTarget_))) {
    oleTarget_->Release();
    oleTarget_ = nullptr;
  }
}

bool SHostWnd::DispatchDragEnter(const DragData& data, DragPoint point, uint32_t* effect) {
  return RouteDragEnter(&data, point, point.x, point.y, effect);
}

bool SHostWnd::DispatchDragOver(const DragData& data, DragPoint point, uint32_t* effect) {
  return RouteDragOver(&data, point, point.x, point.y, effect);
}

void SHostWnd::DispatchDragLeave() { RouteDragLeave(); }

bool SHostWnd::DispatchDrop(const DragData& data, DragPoint point, uint32_t* effect) {
  const std::optional<long> result = RouteDrop(&data, point, point.x, point.y, effect);
  return result && *result == S_OK;
}

}  // namespace qv::ui
