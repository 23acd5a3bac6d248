// The Win32 backend of the toolkit, run under Wine: the main window made from the real
// resource package with its rounded region, skins painted into a bitmap and compared with
// the package's images, a result row in the ListView, and a drop of two files.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "frontend/app/main_dlg.h"
#include "frontend/toolkit/application.h"
#include "frontend/toolkit/controls.h"
#include "frontend/toolkit/list_ctrl.h"
#include "frontend/toolkit/win32/system_headers.h"
#include "tests/gui/win32_fixture.h"

namespace qv::ui {
namespace {

using test::MakeHDrop;
using test::PumpUntil;

uint32_t Channel(uint32_t pixel, int shift) { return (pixel >> shift) & 0xFF; }

// Pixels equal within `tolerance` per colour channel (scaling blends neighbours a little).
::testing::AssertionResult Close(uint32_t actual, uint32_t expected, uint32_t tolerance) {
  for (int shift : {0, 8, 16}) {
    const int a = int(Channel(actual, shift)), e = int(Channel(expected, shift));
    if (std::abs(a - e) > int(tolerance)) {
      return ::testing::AssertionFailure() << std::hex << "pixel 0x" << actual << " is not close to 0x" << expected;
    }
  }
  return ::testing::AssertionSuccess();
}

// The colour of an image's pixel over white (the window's back colour), as 0x00RRGGBB.
uint32_t ImagePixelOverWhite(Gdiplus::Bitmap& image, int x, int y) {
  Gdiplus::Color color;
  image.GetPixel(x, y, &color);
  const uint32_t a = color.GetA();
  auto blend = [&](uint32_t c) { return (c * a + 255 * (255 - a)) / 255; };
  return blend(color.GetR()) << 16 | blend(color.GetG()) << 8 | blend(color.GetB());
}

using Win32Backend = test::Win32MainWindow;

TEST_F(Win32Backend, WindowHasTheLayoutSizeAndARoundedRegion) {
  HWND hwnd = static_cast<HWND>(dlg_->Hwnd());
  ASSERT_NE(hwnd, nullptr);
  RECT window;
  GetWindowRect(hwnd, &window);
  EXPECT_EQ(window.right - window.left, 800);
  EXPECT_EQ(window.bottom - window.top, 600);
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(hwnd, region), ERROR);
  struct {
    int x, y;
    bool inside;
  } points[] = {{0, 0, false}, {799, 0, false}, {0, 599, false}, {799, 599, false},  // cut corners
                {400, 300, true}, {20, 0, true}, {0, 20, true}, {3, 3, false}, {12, 12, true}};
  for (const auto& p : points) {
    SCOPED_TRACE(::testing::Message() << p.x << "," << p.y);
    EXPECT_EQ(bool(PtInRegion(region, p.x, p.y)), p.inside);
  }
  DeleteObject(region);
  EXPECT_TRUE(RegionContains(dlg_->WindowRgn(), 400, 300));
}

TEST_F(Win32Backend, SkinsArePaintedFromThePackageImagesInTheirStates) {
  std::vector<uint32_t> pixels;
  int width = 0, height = 0;
  ASSERT_TRUE(dlg_->RenderTo(pixels, width, height));
  ASSERT_EQ(width, 800);
  ASSERT_EQ(height, 600);
  auto at = [&](int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)] & 0xFFFFFF; };

  // The scan_all button (150,0,230,60 in the strip at 0,40 of the content at 5,3): its
  // normal state is the first quarter of _alldisk.png, stretched to 80×60.
  SWindow* button = dlg_->FindChildByName("scan_all");
  ASSERT_NE(button, nullptr);
  const PixelRect box = button->GetWindowRect();
  EXPECT_EQ(box, (PixelRect{155, 43, 80, 60}));
  const SSkin* skin = button->GetSkin();
  ASSERT_NE(skin, nullptr);
  ASSERT_EQ(skin->States(), 4);
  const StateSize state = skin->GetStateSize();
  // The image's pixel at the middle of a state against the painted middle of the button,
  // which lies on the banner: compare with the banner under it where the image is clear.
  const uint32_t middleNormal = at(box.x + box.width / 2, box.y + box.height / 2);
  static_cast<SImageButton*>(button)->OnMouseEnter();
  ASSERT_TRUE(dlg_->RenderTo(pixels, width, height));
  const uint32_t middleHover = at(box.x + box.width / 2, box.y + box.height / 2);
  EXPECT_NE(middleNormal, middleHover) << "hover state drawn like the normal one";
  static_cast<SImageButton*>(button)->OnMouseLeave();

  // The logo (img 15,10,51,44 in the caption): drawn at its own size, pixel for pixel.
  auto logo = app_->GetResProviderMgr().LoadImage("PNG:ID_PNG_LOGO");
  ASSERT_TRUE(logo);
  ASSERT_TRUE(dlg_->RenderTo(pixels, width, height));
  const int logoX = 5 + 15, logoY = 3 + 10;
  // Where the logo is opaque the painted pixel is the image's own.
  int compared = 0;
  for (int y = 4; y < int(logo->GetHeight()) - 4; y += 5) {
    for (int x = 4; x < int(logo->GetWidth()) - 4; x += 5) {
      Gdiplus::Color color;
      logo->GetPixel(x, y, &color);
      if (color.GetA() != 255) continue;
      EXPECT_TRUE(Close(at(logoX + x, logoY + y), ImagePixelOverWhite(*logo, x, y), 24)) << x << "," << y;
      ++compared;
    }
  }
  EXPECT_GT(compared, 5);
  EXPECT_GT(state.width, 0);
}

TEST_F(Win32Backend, AResultRowLandsInTheListView) {
  frontend::ScanResultRow row{};
  const std::u16string path = u"C:\\文档\\report.doc";
  std::copy(path.begin(), path.end(), row.path);
  const std::u16string size = u"12.50K", anomaly = u"Macro.Test.Signature", action = u"修复";
  std::copy(size.begin(), size.end(), row.sizeText);
  std::copy(anomaly.begin(), anomaly.end(), row.anomaly);
  std::copy(action.begin(), action.end(), row.action);
  dlg_->AddResultRow(&row);

  auto* list = dlg_->FindChildByName2<SListCtrl>("virusshow");
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->GetColumnCount(), 4);
  EXPECT_EQ(list->GetColumnWidth(0), 370);
  HWND view = static_cast<HWND>(list->NativeView());
  ASSERT_NE(view, nullptr);
  ASSERT_EQ(SendMessageW(view, LVM_GETITEMCOUNT, 0, 0), 1);
  const std::u16string expected[] = {path, size, anomaly, action};
  for (int column = 0; column < 4; ++column) {
    wchar_t text[300] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 300;
    SendMessageW(view, LVM_GETITEMTEXTW, 0, LPARAM(&item));
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(text)), expected[column]) << column;
    EXPECT_EQ(list->GetSubItemText(0, column), expected[column]);
  }
  // A new run clears the list.
  dlg_->SendMessage(frontend::UM_SCAN_START);
  EXPECT_EQ(SendMessageW(view, LVM_GETITEMCOUNT, 0, 0), 0);
  dlg_->SendMessage(frontend::UM_SCAN_FINISH);
}

TEST_F(Win32Backend, ADropOfTwoFilesOnTheDropBoxScansBoth) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "quorvane-drop-test";
  std::filesystem::create_directories(folder);
  const std::filesystem::path a = folder / "甲.doc", b = folder / "b.xls";
  std::ofstream(a) << "a";
  std::ofstream(b) << "b";
  HGLOBAL drop = HGLOBAL(MakeHDrop({a.wstring(), b.wstring()}));
  DragData data;
  data.hasFileList = true;
  data.files = PathsOfHDrop(drop);
  GlobalFree(drop);
  ASSERT_EQ(data.files.size(), 2u);
  EXPECT_EQ(data.files[0], a.u16string());
  EXPECT_EQ(data.files[1], b.u16string());

  SWindow* box = dlg_->FindChildByName("edit_drop_top");
  ASSERT_NE(box, nullptr);
  const PixelRect r = box->GetWindowRect();
  uint32_t effect = DROPEFFECT_COPY | DROPEFFECT_LINK;
  // Over the list, away from the drop box: nobody takes it.
  EXPECT_FALSE(dlg_->DispatchDrop(data, DragPoint{400, 400}, &effect));
  EXPECT_TRUE(dlg_->DroppedPaths().empty());

  effect = DROPEFFECT_COPY | DROPEFFECT_LINK;
  EXPECT_TRUE(dlg_->DispatchDragEnter(data, DragPoint{r.x + 10, r.y + 10}, &effect));
  EXPECT_TRUE(box->HasDropHighlight());
  EXPECT_TRUE(dlg_->DispatchDrop(data, DragPoint{r.x + r.width / 2, r.y + r.height / 2}, &effect));
  EXPECT_FALSE(box->HasDropHighlight());
  EXPECT_EQ(effect, DROPEFFECT_LINK);
  EXPECT_EQ(dlg_->DroppedPaths(), (std::set<std::u16string>{a.u16string(), b.u16string()}));
  ASSERT_TRUE(PumpUntil([&] { return !dlg_->Driver().IsRunning(); }));
  const std::vector<std::u16string> scanned = Scanned();
  std::vector<std::u16string> wanted{a.u16string(), b.u16string()};
  std::sort(wanted.begin(), wanted.end());
  EXPECT_EQ(scanned, wanted);
  auto* info = dlg_->FindChildByName("scanshow.info");
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->GetWindowText().rfind(u"共扫描 2 个文件", 0), 0u);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace qv::ui
