// The toolkit layer over the real resource package, without a display: the main window's
// layout geometry, skins, texts, name look-up, the translator, and broken packages.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QTimer>
#include <QTreeWidget>

#include "frontend/app/quorvane_app.h"
#include "frontend/toolkit/controls.h"
#include "frontend/toolkit/host_wnd.h"
#include "frontend/toolkit/list_ctrl.h"
#include "frontend/toolkit/qt/element_view.h"
#include "frontend/toolkit/qt/skin.h"
#include "tests/gui/gui_fixture.h"
#include "tests/support/uipackage/zip_writer.h"

namespace qv::ui {
namespace {

using qv::test::ProgramDir;
using qv::test::TempFolder;
using qv::test::ToolkitFromPackage;

// The content panel: the root's first element.
SWindow* ContentPanel(SHostWnd& host) {
  const auto& children = host.GetRoot()->Children();
  return children.empty() ? nullptr : children.front().get();
}

// Every element of a kind in the tree below `element`, in document order.
template <class T>
void CollectElements(SWindow& element, std::vector<T*>& found) {
  if (auto* wanted = dynamic_cast<T*>(&element)) found.push_back(wanted);
  for (const auto& child : element.Children()) CollectElements(*child, found);
}
template <class T>
std::vector<T*> ElementsOf(SHostWnd& host) {
  std::vector<T*> found;
  CollectElements(*host.GetRoot(), found);
  return found;
}

QRect RectOf(const SWindow* element) { return QtRect(element->GetWindowRect()); }
QString TextOf(const SWindow* element) { return QtText(element->GetWindowText()); }

class MainLayout : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(host_.Create(nullptr)); }
  ToolkitFromPackage toolkit_;
  SHostWnd host_{"LAYOUT:XML_MAINWND"};
};

TEST_F(MainLayout, WindowAndContentPanelHaveTheLayoutSizes) {
  EXPECT_EQ(host_.size(), QSize(800, 600));
  EXPECT_EQ(host_.minimumSize(), QSize(800, 600));
  EXPECT_EQ(host_.maximumSize(), QSize(800, 600));  // not resizable
  EXPECT_TRUE(host_.testAttribute(Qt::WA_TranslucentBackground));
  EXPECT_EQ(host_.windowTitle(), QString::fromUtf8("Velmor宏病毒专杀工具 version:1.1.0.1"));
  EXPECT_FALSE(host_.windowIcon().isNull());
  SWindow* panel = ContentPanel(host_);
  ASSERT_TRUE(panel);
  EXPECT_EQ(RectOf(panel), QRect(5, 3, 790, 590));
  // Every element is shown by a widget of its own at its box.
  for (SWindow* element : ElementsOf<SWindow>(host_)) {
    QWidget* widget = WidgetOf(*element);
    ASSERT_TRUE(widget) << element->GetName();
    EXPECT_EQ(QRect(widget->mapTo(&host_, QPoint(0, 0)), widget->size()), RectOf(element)) << element->GetName();
  }
}

TEST_F(MainLayout, CaptionButtonsSitAtTheirDistanceFromThePanelsRightEdge) {
  const QRect panel = RectOf(ContentPanel(host_));
  struct Case {
    const char* name;
    int fromRight;
    QSize size;
  } cases[] = {{"btn_close", 37, {16, 16}}, {"btn_min", 69, {17, 16}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SWindow* button = host_.FindChildByName(c.name);
    ASSERT_TRUE(button);
    const QRect box = RectOf(button);
    EXPECT_EQ(panel.left() + panel.width() - box.left(), c.fromRight);
    EXPECT_EQ(box.top(), panel.top() + 8);
    EXPECT_EQ(box.size(), c.size);  // one state of the four-state skin
    ASSERT_TRUE(button->GetSkin());
    EXPECT_EQ(button->GetSkin()->States(), 4);
    EXPECT_FALSE(button->GetToolTip().empty());
    EXPECT_EQ(WidgetOf(*button)->toolTip(), QtText(button->GetToolTip()));
  }
}

TEST_F(MainLayout, ActionButtonsTooltipsAndSkins) {
  struct Case {
    const char* name;
    const char* tip;
    QRect inPanel;
  } cases[] = {{"scan_all", "全盘查杀", {150, 40, 80, 60}},
               {"scan_dir", "指定目录查杀", {360, 40, 100, 60}},
               {"scan_file", "隔离文件恢复", {560, 40, 80, 60}}};
  const QPoint panel = RectOf(ContentPanel(host_)).topLeft();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* button = host_.FindChildByName2<SImageButton>(c.name);
    ASSERT_TRUE(button);
    EXPECT_EQ(WidgetOf(*button)->toolTip(), QString::fromUtf8(c.tip));
    EXPECT_EQ(RectOf(button), c.inPanel.translated(panel));
    EXPECT_TRUE(button->Animates());
    EXPECT_EQ(button->GetSkin()->GetStateSize(), (StateSize{80, 60}));
  }
}

TEST_F(MainLayout, ListColumnsFitTheListWithoutScrolling) {
  auto* list = host_.FindChildByName2<SListCtrl>("virusshow");
  ASSERT_TRUE(list);
  ASSERT_EQ(list->GetColumnCount(), 4);
  const int widths[] = {370, 120, 210, 60};
  int total = 0;
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(list->GetColumnWidth(i), widths[i]);
    total += widths[i];
  }
  EXPECT_EQ(RectOf(list).width(), 788);
  EXPECT_LE(total, RectOf(list).width());
  // The tree widget that shows the rows has the same columns.
  auto* tree = static_cast<QTreeWidget*>(list->NativeView());
  ASSERT_TRUE(tree);
  ASSERT_EQ(tree->columnCount(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(tree->columnWidth(i), widths[i]);
  EXPECT_TRUE(tree->isHeaderHidden());
  EXPECT_EQ(tree->geometry(), QRect(QPoint(0, 0), RectOf(list).size()));
  EXPECT_FALSE(list->IsHeaderVisible());
  EXPECT_EQ(list->GetRowHeight(), 20);
}

TEST_F(MainLayout, DropBoxCoversTheStatusStripAndLiesOnTop) {
  SWindow* drop = host_.FindChildByName("edit_drop_top");
  ASSERT_TRUE(drop);
  SWindow* strip = drop->GetParent();
  EXPECT_EQ(RectOf(drop), RectOf(strip));
  const QPoint panel = RectOf(ContentPanel(host_)).topLeft();
  EXPECT_EQ(RectOf(drop), QRect(0, 106, 790, 64).translated(panel));
  EXPECT_EQ(WidgetOf(*drop)->parentWidget(), WidgetOf(*strip));
  // Drawn last in the strip, so it hides the four elements before it.
  auto indexIn = [&](const SWindow* element) {
    const auto& children = strip->Children();
    for (size_t i = 0; i < children.size(); ++i) {
      if (children[i].get() == element) return int(i);
    }
    return -1;
  };
  for (const char* name : {"scanshow.scanflags", "scanshow.prog", "scanshow.info"}) {
    SWindow* under = host_.FindChildByName(name);
    ASSERT_TRUE(under) << name;
    EXPECT_EQ(under->GetParent(), strip);
    EXPECT_LT(indexIn(under), indexIn(drop)) << name;
    const QPoint centre = RectOf(under).center();
    EXPECT_EQ(host_.GetRoot()->HitTest(centre.x(), centre.y()), drop) << name;
    QWidget* top = host_.childAt(centre);
    EXPECT_TRUE(top == WidgetOf(*drop) || WidgetOf(*drop)->isAncestorOf(top)) << name;
  }
}

TEST_F(MainLayout, NameLookUpFindsTheFirstInDocumentOrderAndSkipsMissingNames) {
  EXPECT_EQ(host_.FindChildByName("no_such_element"), nullptr);
  EXPECT_EQ(host_.FindChildByName2<SListCtrl>("scanshow.prog"), nullptr);  // wrong kind
  SWindow* first = host_.FindChildByName("scanshow");
  ASSERT_TRUE(first);
  EXPECT_TRUE(first->FindChildByName("scan_all", 1));
  EXPECT_FALSE(first->FindChildByName("scanshow.prog"));
  auto* progress = host_.FindChildByName2<SProgress>("scanshow.prog");
  ASSERT_TRUE(progress);
  EXPECT_EQ(progress->GetValue(), 0);
  progress->SetValue(150);
  EXPECT_EQ(progress->GetValue(), 100);
  // Depth 1 from the root sees only the content panel.
  EXPECT_EQ(host_.GetRoot()->FindChildByName("btn_close", 1), nullptr);
}

TEST_F(MainLayout, TextsComeFromTheLayoutAndTheFooterLinkOpensThePage) {
  std::vector<QString> texts;
  for (SWindow* element : ElementsOf<SWindow>(host_)) texts.push_back(TextOf(element));
  for (const char* expected : {"Velmor宏病毒专杀工具公测版", "全盘查杀", "指定目录查杀", "隔离文件恢复", "正在扫描",
                               "文件路径", "文件大小", "异常类型", "处理方式", "检查更新"}) {
    EXPECT_NE(std::find(texts.begin(), texts.end(), QString::fromUtf8(expected)), texts.end()) << expected;
  }
  auto links = ElementsOf<SLink>(host_);
  ASSERT_EQ(links.size(), 1);
  EXPECT_TRUE(QtText(links[0]->Href()).startsWith("https://"));
  EXPECT_EQ(WidgetOf(*links[0])->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(MainLayout, EveryTextHasAFontWithItsGlyphs) {
  // The layout's faces (宋体, 微软雅黑) are not installed here: they must resolve to an
  // installed face that has the Chinese glyphs, not to one that draws boxes.
  int checked = 0;
  for (SWindow* element : ElementsOf<SWindow>(host_)) {
    const QString text = TextOf(element);
    if (text.isEmpty()) continue;
    const QFontMetrics metrics(QtFont(element->GetFont()));
    for (char32_t c : text.toUcs4()) {
      EXPECT_TRUE(metrics.inFontUcs4(c)) << text.toStdString() << " in " << QFontInfo(QtFont(element->GetFont())).family().toStdString();
    }
    ++checked;
  }
  EXPECT_GE(checked, 10);
}

TEST_F(MainLayout, ImageListsDrawTheRequestedState) {
  const SSkin* close = host_.FindChildByName("btn_close")->GetSkin();
  QImage normal(16, 16, QImage::Format_ARGB32_Premultiplied), hover(normal.size(), normal.format());
  for (auto [image, state] : {std::pair{&normal, 0}, std::pair{&hover, 1}}) {
    image->fill(Qt::transparent);
    QPainter painter(image);
    DrawSkin(painter, *close, image->rect(), state);
  }
  EXPECT_EQ(normal, QtImageOf(*close).copy(0, 0, 16, 16));
  EXPECT_EQ(hover, QtImageOf(*close).copy(16, 0, 16, 16));
  EXPECT_NE(normal, hover);
}

TEST(Package, HoldsEveryIndexedImageAtItsSize) {
  ToolkitFromPackage toolkit;
  struct {
    const char* id;
    int width, height;
  } images[] = {
      {"PNG:ID_PNG_BG", 960, 540},        {"PNG:ID_PNG_SHADOW", 210, 143},     {"PNG:ID_PNG_TOP", 825, 106},
      {"PNG:ID_PNG_CLOSE", 64, 16},       {"PNG:ID_PNG_MIN", 71, 16},          {"PNG:ID_PNG_LOGO", 36, 34},
      {"PNG:ID_PNG_ALL_SCAN", 320, 60},   {"PNG:ID_PNG_DIR_SCAN", 320, 60},    {"PNG:ID_PNG_FILE_SCAN", 320, 60},
      {"PNG:ID_PNG_SHOW_IMAGE", 19, 19},  {"PNG:ID_PNG_PROGRESSBK", 71, 9},    {"PNG:ID_PNG_PROGRESSQK", 74, 8},
      {"PNG:ID_PNG_FOOTER", 85, 1},       {"PNG:IDB_LIST_TAB", 825, 27},       {"PNG:IDB_LIST_HR", 1, 16},
      {"PNG:IDP_VSCROLLBAR", 80, 30},     {"ICON:ICON_LOGO", 32, 32},
  };
  for (const auto& image : images) {
    const QImage loaded = toolkit.App().GetResProviderMgr().LoadImage(image.id);
    EXPECT_EQ(loaded.size(), QSize(image.width, image.height)) << image.id;
    EXPECT_TRUE(loaded.hasAlphaChannel()) << image.id;
  }
  EXPECT_TRUE(toolkit.App().GetResProviderMgr().HasResource("translator:lang_cn"));
  EXPECT_TRUE(toolkit.App().GetSkin("_skin.list.header"));
  EXPECT_EQ(toolkit.App().Defs().skins.size(), 16u);
}

// A window named mainWindow with the one text the language file translates.
const char kCloseLayout[] =
    R"(<hostwnd name="mainWindow" title="%title% %ver%" width="200" height="100">
         <root><text name="t" pos="0,0,-0,-0">close</text><text name="u" pos="0,0,10,10">open</text></root>
       </hostwnd>)";

TEST(Translator, TranslatesLayoutTextsOnlyWhenTheLanguageIsInstalled) {
  TempFolder folder;
  const std::string zip = (folder.Path() / "uires.zip").string();
  ASSERT_TRUE(qv::test::WriteZip(zip, qv::test::MinimalPackage(kCloseLayout)));
  for (bool withLanguage : {true, false}) {
    SCOPED_TRACE(withLanguage);
    STranslatorMgr translator;
    if (withLanguage) {
      auto language = ParseMarkup(R"(<language name="ch"><context name="mainWindow"><message>
          <source>close</source><translation>关闭窗口</translation></message></context></language>)");
      ASSERT_TRUE(language && translator.InstallTranslator(*language));
    }
    SApplication app("SOUIHOST");
    app.SetTranslator(&translator);
    auto package = std::make_unique<SResProviderZip>();
    ASSERT_TRUE(package->Init(zip));
    app.AddResProvider(std::move(package));
    ASSERT_TRUE(app.Init("XML_INIT", "UIDEF"));
    SHostWnd host("LAYOUT:XML_MAINWND");
    ASSERT_TRUE(host.Create(nullptr));
    EXPECT_EQ(TextOf(host.FindChildByName("t")), QString::fromUtf8(withLanguage ? "关闭窗口" : "close"));
    EXPECT_EQ(TextOf(host.FindChildByName("u")), "open");
    EXPECT_EQ(host.windowTitle(), "T 9.9");
    EXPECT_EQ(host.size(), QSize(200, 100));
  }
}

TEST(ResourcePackage, BrokenPackagesAreRefused) {
  TempFolder folder;
  const std::string notZip = folder.Write("notzip.zip", 100).string();
  const std::string noIndex = (folder.Path() / "noindex.zip").string();
  ASSERT_TRUE(qv::test::WriteZip(noIndex, {{"xml/init.xml", "<UIDEF/>"}}));
  const std::string badIndex = (folder.Path() / "badindex.zip").string();
  ASSERT_TRUE(qv::test::WriteZip(badIndex, {{"uires.idx", "<resource><png>"}}));
  for (const std::string& path : {(folder.Path() / "missing.zip").string(), notZip, noIndex, badIndex}) {
    SResProviderZip package;
    EXPECT_FALSE(package.Init(path)) << path;
  }
}

TEST(ResourcePackage, MissingDefinitionsOrLayoutFailWithoutCrashing) {
  TempFolder folder;
  const std::string zip = (folder.Path() / "uires.zip").string();
  auto members = qv::test::MinimalPackage("<hostwnd/>");  // a layout without size or root
  ASSERT_TRUE(qv::test::WriteZip(zip, members));
  SApplication app("SOUIHOST");
  auto package = std::make_unique<SResProviderZip>();
  ASSERT_TRUE(package->Init(zip));
  EXPECT_TRUE(package->HasResource("UIDEF", "XML_INIT"));
  EXPECT_FALSE(package->HasResource("PNG", "ID_PNG_BG"));
  app.AddResProvider(std::move(package));
  EXPECT_FALSE(app.Init("UIDEF", "XML_INIT"));  // name and type swapped: not found
  ASSERT_TRUE(app.Init("XML_INIT", "UIDEF"));
  SHostWnd host("LAYOUT:XML_MAINWND");
  EXPECT_FALSE(host.Create(nullptr));
  SHostWnd other("LAYOUT:NOT_THERE");
  EXPECT_FALSE(other.Create(nullptr));
}

TEST(Startup, AMissingPackageEndsStartUpWithAnExitCodeAndLeavesTheCurrentDirectory) {
  TempFolder folder;  // a program folder without uires.zip
  const QString before = QDir::currentPath();
  qv::gui::AppOptions options;
  options.programDir = folder.Path();
  options.onShown = [](qv::gui::CMainDlg&) { ADD_FAILURE() << "no window may open"; };
  EXPECT_EQ(qv::gui::CQuorvaneApp().InitInstance(options), qv::gui::kExitNoPackage);
  EXPECT_EQ(std::filesystem::canonical(QDir::currentPath().toStdString()), std::filesystem::canonical(folder.Path()));
  QDir::setCurrent(before);
}

TEST(Startup, RunsFromAnotherDirectoryAndEndsOnClose) {
  TempFolder elsewhere;
  const QString before = QDir::currentPath();
  QDir::setCurrent(QString::fromStdString(elsewhere.Path().string()));
  qv::gui::AppOptions options;
  options.programDir = ProgramDir();
  bool shown = false;
  options.onShown = [&](qv::gui::CMainDlg& dlg) {
    shown = true;
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(dlg.FindChildByName("virusshow"));
    // Texts from the program folder's language file are in place.
    QTimer::singleShot(0, &dlg, [&dlg] { dlg.FindChildByName2<SImageButton>("btn_close")->Click(); });
  };
  EXPECT_EQ(qv::gui::CQuorvaneApp().InitInstance(options), 0);
  EXPECT_TRUE(shown);
  EXPECT_EQ(std::filesystem::canonical(QDir::currentPath().toStdString()), std::filesystem::canonical(ProgramDir()));
  QDir::setCurrent(before);
}

}  // namespace
}  // namespace qv::ui
