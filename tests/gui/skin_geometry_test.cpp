// Where skins are drawn, shared by every toolkit backend: one state of an image list, the
// nine pieces of an image frame; and the translator over a language element.
#include <gtest/gtest.h>

#include "frontend/toolkit/markup/markup_tree.h"
#include "frontend/toolkit/skin_geometry.h"
#include "frontend/toolkit/translator.h"

namespace qv::ui {
namespace {

SkinDef ImageList(int states) {
  SkinDef def;
  def.kind = SkinDef::Kind::ImageList;
  def.states = states;
  return def;
}

SkinDef ImageFrame(int l, int t, int r, int b) {
  SkinDef def;
  def.kind = SkinDef::Kind::ImageFrame;
  def.margins[0] = l, def.margins[1] = t, def.margins[2] = r, def.margins[3] = b;
  return def;
}

TEST(SkinGeometry, ImageListStatesAreEqualColumnsAndOutOfRangeStatesClamp) {
  struct {
    int states, width, height, state;
    PixelRect expected;
  } cases[] = {
      {4, 160, 30, 0, {0, 0, 40, 30}},     // the normal state
      {4, 160, 30, 2, {80, 0, 40, 30}},    // pressed
      {4, 160, 30, 3, {120, 0, 40, 30}},   // disabled, the last column
      {4, 160, 30, 9, {120, 0, 40, 30}},   // past the end: the last state
      {4, 160, 30, -1, {0, 0, 40, 30}},    // before the start: the first
      {4, 162, 30, 1, {40, 0, 40, 30}},    // a width not divisible: whole columns from the left
      {1, 37, 5, 3, {0, 0, 37, 5}},        // one state: the whole image
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.states << " states, state " << c.state);
    EXPECT_EQ(SkinStateRect(ImageList(c.states), c.width, c.height, c.state), c.expected);
  }
  // An image frame has one state whatever its state count says.
  SkinDef frame = ImageFrame(1, 1, 1, 1);
  frame.states = 4;
  EXPECT_EQ(SkinStates(frame), 1);
  EXPECT_EQ(SkinStateRect(frame, 20, 10, 2), (PixelRect{0, 0, 20, 10}));
}

int Area(const PixelRect& r) { return r.IsEmpty() ? 0 : r.width * r.height; }

TEST(SkinGeometry, FrameCornersStayUnscaledAndThePiecesTileTheBox) {
  // The shadow frame of the main window: margins 5,3,5,7 on a 20×20 image, an 800×600 box.
  const SkinDef def = ImageFrame(5, 3, 5, 7);
  const PixelRect source{0, 0, 20, 20}, box{10, 20, 800, 600};
  const auto pieces = FramePieces(def, source, box);
  EXPECT_EQ(pieces[0].from, (PixelRect{0, 0, 5, 3}));      // top left, as it is in the image
  EXPECT_EQ(pieces[0].to, (PixelRect{10, 20, 5, 3}));
  EXPECT_EQ(pieces[8].from, (PixelRect{15, 13, 5, 7}));    // bottom right
  EXPECT_EQ(pieces[8].to, (PixelRect{805, 613, 5, 7}));
  EXPECT_EQ(pieces[4].from, (PixelRect{5, 3, 10, 10}));    // the middle, stretched both ways
  EXPECT_EQ(pieces[4].to, (PixelRect{15, 23, 790, 590}));
  int area = 0;
  for (const SkinPiece& piece : pieces) area += Area(piece.to);
  EXPECT_EQ(area, box.width * box.height);
  int sourceArea = 0;
  for (const SkinPiece& piece : pieces) sourceArea += Area(piece.from);
  EXPECT_EQ(sourceArea, source.width * source.height);
}

TEST(SkinGeometry, FrameMarginsNeverTakeMoreThanHalfOfASmallBoxOrImage) {
  // Margins larger than the image and a box smaller than the margins.
  const SkinDef def = ImageFrame(30, 30, 30, 30);
  const auto pieces = FramePieces(def, PixelRect{0, 0, 10, 8}, PixelRect{0, 0, 6, 4});
  int area = 0;
  for (const SkinPiece& piece : pieces) {
    EXPECT_GE(piece.to.width, 0);
    EXPECT_GE(piece.to.height, 0);
    EXPECT_GE(piece.from.width, 0);
    EXPECT_GE(piece.from.height, 0);
    EXPECT_LE(piece.to.x + piece.to.width, 6);
    EXPECT_LE(piece.from.x + piece.from.width, 10);
    area += Area(piece.to);
  }
  EXPECT_EQ(area, 6 * 4);
  EXPECT_EQ(pieces[0].from, (PixelRect{0, 0, 5, 4}));  // half the image
  EXPECT_EQ(pieces[0].to, (PixelRect{0, 0, 3, 2}));    // half the box
}

TEST(Translator, FirstInstalledLanguageWinsAndUnknownTextsStayAsWritten) {
  auto first = ParseMarkup(R"(<language name="cn"><context name="mainWindow">
      <message><source>close</source><translation>关闭窗口</translation></message></context></language>)");
  auto second = ParseMarkup(R"(<language name="cn2"><context name="mainWindow">
      <message><source>close</source><translation>关</translation></message>
      <message><source>min</source><translation>最小化</translation></message></context></language>)");
  ASSERT_TRUE(first && second);
  STranslatorMgr translator;
  EXPECT_FALSE(translator.HasLanguage());
  EXPECT_FALSE(translator.InstallTranslator(MarkupNode{"notalanguage", {}, "", {}}));
  ASSERT_TRUE(translator.InstallTranslator(*first));
  ASSERT_TRUE(translator.InstallTranslator(*second));
  EXPECT_EQ(translator.Translate("mainWindow", "close"), "关闭窗口");
  EXPECT_EQ(translator.Translate("mainWindow", "min"), "最小化");
  EXPECT_EQ(translator.Translate("otherWindow", "close"), "close");
  translator.UninstallAll();
  EXPECT_EQ(translator.Translate("mainWindow", "close"), "close");
}

}  // namespace
}  // namespace qv::ui
