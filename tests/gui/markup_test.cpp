// The toolkit's markup readers: position rules, strings, fonts, colours, the resource index,
// layouts and language files.
#include <gtest/gtest.h>

#include "frontend/toolkit/markup/language.h"
#include "frontend/toolkit/markup/layout_doc.h"
#include "frontend/toolkit/markup/position.h"
#include "frontend/toolkit/markup/res_index.h"
#include "frontend/toolkit/markup/ui_defs.h"

namespace qv::ui {
namespace {

struct BoxCase {
  const char* pos;
  int parentW, parentH, stateW, stateH;
  Box expected;
};

TEST(LayoutPosition, FourAndTwoValuePositionsFollowTheGeometryRules) {
  const BoxCase cases[] = {
      {"5,3,-5,-7", 800, 600, 0, 0, {5, 3, 795, 593}},       // the content panel: 790 x 590
      {"0,0,-0,50", 790, 590, 0, 0, {0, 0, 790, 50}},        // "-0" is the right edge
      {"0,-26,-0,-0", 790, 590, 0, 0, {0, 564, 790, 590}},   // footer from the bottom
      {"-37,8", 790, 50, 16, 16, {753, 8, 769, 24}},          // close button: skin state size
      {"-69,8", 790, 50, 17, 16, {721, 8, 738, 24}},
      {"-230,0,-150,60", 790, 65, 0, 0, {560, 0, 640, 60}},
      {"1,27,-1,-0", 790, 394, 0, 0, {1, 27, 789, 394}},      // the list: 788 wide
      {"50,0,10,20", 100, 100, 0, 0, {50, 0, 50, 20}},        // inverted edges collapse
  };
  for (const BoxCase& c : cases) {
    SCOPED_TRACE(c.pos);
    auto pos = ParsePos(c.pos);
    ASSERT_TRUE(pos);
    EXPECT_EQ(ComputeBox(*pos, c.parentW, c.parentH, c.stateW, c.stateH), c.expected);
  }
}

TEST(LayoutPosition, RejectsAnythingButTwoOrFourIntegers) {
  for (const char* bad : {"", "1", "1,2,3", "1,2,3,4,5", "a,b", "1,,2,3", "--1,2", "1.5,2", "1,2,", "99999999,1"}) {
    EXPECT_FALSE(ParsePos(bad)) << bad;
  }
  auto spaced = ParsePos(" 1, -2 ");
  ASSERT_TRUE(spaced);
  EXPECT_EQ(spaced->count, 2);
  EXPECT_TRUE(spaced->v[1].fromEnd);
  EXPECT_EQ(spaced->v[1].offset, 2);
}

TEST(UiDefinitions, ExpandsDefinedStringsOnly) {
  const std::map<std::string, std::string> strings{{"title", "Velmor宏病毒专杀工具"}, {"ver", "1.1.0.1"}};
  EXPECT_EQ(ExpandStrings("%title% version:%ver%", strings), "Velmor宏病毒专杀工具 version:1.1.0.1");
  EXPECT_EQ(ExpandStrings("100% done %ver%", strings), "100% done 1.1.0.1");
  EXPECT_EQ(ExpandStrings("%unknown%%ver%", strings), "%unknown%1.1.0.1");
  EXPECT_EQ(ExpandStrings("50%", strings), "50%");
}

TEST(UiDefinitions, FontSpecsAndColours) {
  const FontSpec face = ParseFontSpec("face:微软雅黑,adding:-3");
  EXPECT_EQ(face.face, "微软雅黑");
  EXPECT_EQ(face.adding, -3);
  EXPECT_FALSE(face.underline);
  const FontSpec hover = ParseFontSpec("underline:1,adding:-3,bogus,size:x");
  EXPECT_TRUE(hover.face.empty());
  EXPECT_TRUE(hover.underline);
  EXPECT_EQ(hover.size, 0);

  EXPECT_EQ(ParseColor("#1e78d5"), 0xFF1E78D5u);
  EXPECT_EQ(ParseColor("#11223344"), 0x44112233u);
  for (const char* bad : {"", "1e78d5", "#1e78d", "#gggggg", "#1e78d5f"}) EXPECT_FALSE(ParseColor(bad)) << bad;
}

TEST(UiDefinitions, ReadsFontStringsSkinsAndStylesAndDropsBrokenSkins) {
  auto defs = ParseUiDefs(R"(<UIDEF><font face="宋体" size="15"/>
      <string><title value="T"/></string>
      <skin>
        <imglist name="a" src="PNG:A" states="4"/>
        <imgframe name="f" src="PNG:F" margin="5,3,5,7"/>
        <imglist name="no.image"/>
        <imglist name="bad.states" src="PNG:B" states="0"/>
        <imgframe name="bad.margin" src="PNG:C" margin="1,2"/>
      </skin>
      <style><class name="weblink" colorText="#1e78d5"/></style></UIDEF>)");
  ASSERT_TRUE(defs);
  EXPECT_EQ(defs->defaultFace, "宋体");
  EXPECT_EQ(defs->defaultSize, 15);
  EXPECT_EQ(defs->strings.at("title"), "T");
  ASSERT_EQ(defs->skins.size(), 2u);
  EXPECT_EQ(defs->skins[0].states, 4);
  EXPECT_EQ(defs->skins[1].kind, SkinDef::Kind::ImageFrame);
  EXPECT_EQ(defs->skins[1].margins[3], 7);
  EXPECT_EQ(*defs->styles.at("weblink").Attr("colorText"), "#1e78d5");
  EXPECT_FALSE(ParseUiDefs("<layout/>"));
  EXPECT_FALSE(ParseUiDefs("<UIDEF>"));
}

TEST(ResourceIndex, TypesIgnoreCaseNamesDoNotAndPathsUseSlashes) {
  auto index = ParseResIndex(R"(<resource><png><file name="ID_PNG_BG" path="image\white_bg.png"/>
      <file name="no_path"/></png><IMG/></resource>)");
  ASSERT_TRUE(index);
  EXPECT_EQ(index->Size(), 1u);
  EXPECT_EQ(index->PathOf("PNG:ID_PNG_BG"), "image/white_bg.png");
  EXPECT_EQ(index->PathOf("png", "ID_PNG_BG"), "image/white_bg.png");
  EXPECT_FALSE(index->PathOf("PNG:id_png_bg"));
  EXPECT_FALSE(index->PathOf("PNG:no_path"));
  for (const char* bad : {"PNGID", ":X", "PNG:"}) EXPECT_FALSE(SplitResId(bad)) << bad;
  EXPECT_FALSE(ParseResIndex("<other/>"));
}

TEST(Layout, ReadsHostAttributesAndRejectsNonLayouts) {
  auto doc = ReadLayout(R"(<hostwnd name="mainWindow" title="%title%" width="800" height="600"
      minsize="800,600" resize="0" translucent="1" margin="5,3,5,7" maxInset="5,3,10,10">
      <root><window pos="5,3,-5,-7"/></root></hostwnd>)");
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->host.name, "mainWindow");
  EXPECT_EQ(doc->host.width, 800);
  EXPECT_EQ(doc->host.minHeight, 600);
  EXPECT_FALSE(doc->host.resizable);
  EXPECT_TRUE(doc->host.translucent);
  EXPECT_EQ(doc->host.margin[2], 5);
  EXPECT_EQ(doc->host.maxInset[3], 10);
  ASSERT_EQ(doc->root.children.size(), 1u);

  EXPECT_FALSE(ReadLayout("<hostwnd width=\"800\" height=\"600\"/>"));            // no root
  EXPECT_FALSE(ReadLayout("<hostwnd width=\"0\" height=\"600\"><root/></hostwnd>"));
  EXPECT_FALSE(ReadLayout("<window width=\"8\" height=\"6\"><root/></window>"));
  EXPECT_FALSE(ReadLayout("not xml"));
}

TEST(Layout, RefusesNestingBeyondTheDepthLimit) {
  std::string deep = "<hostwnd width=\"8\" height=\"6\"><root>";
  for (int i = 0; i < 100; ++i) deep += "<window>";
  for (int i = 0; i < 100; ++i) deep += "</window>";
  deep += "</root></hostwnd>";
  EXPECT_FALSE(ReadLayout(deep));
}

TEST(LanguageFile, TranslatesByContextAndSource) {
  auto tree = ParseMarkup(R"(<language name="ch" guid="{G}">
      <context name=""/>
      <context name="messagebox"><message><source>ok</source><translation>确定</translation></message></context>
      <context name="mainWindow"><message><source>close</source><translation>关闭窗口</translation></message>
        <message><translation>no source</translation></message></context></language>)");
  ASSERT_TRUE(tree);
  auto language = ReadLanguage(*tree);
  ASSERT_TRUE(language);
  EXPECT_EQ(language->name, "ch");
  ASSERT_TRUE(language->Translate("mainWindow", "close"));
  EXPECT_EQ(*language->Translate("mainWindow", "close"), "关闭窗口");
  EXPECT_EQ(*language->Translate("messagebox", "ok"), "确定");
  EXPECT_FALSE(language->Translate("messagebox", "close"));
  EXPECT_FALSE(language->Translate("other", "ok"));
  EXPECT_FALSE(ReadLanguage(MarkupNode{"lang", {}, {}, {}}));
}

}  // namespace
}  // namespace qv::ui
