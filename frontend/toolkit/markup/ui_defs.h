// The global definitions "xml/init.xml": default font, named strings, skins and styles.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/toolkit/markup/markup_tree.h"

namespace qv::ui {

// A font attribute such as "face:微软雅黑,adding:-3" or "underline:1,adding:-3": a face and
// a size difference from the default font, plus optional styles. Unknown keys are ignored.
struct FontSpec {
  std::string face;       // empty: the default face
  int size = 0;           // 0: the default size (plus `adding`)
  int adding = 0;
  bool underline = false;
  bool bold = false;
  bool italic = false;
};
FontSpec ParseFontSpec(std::string_view text);

// "#RRGGBB" or "#RRGGBBAA" as 0xAARRGGBB; nullopt for anything else.
std::optional<uint32_t> ParseColor(std::string_view text);

struct SkinDef {
  enum class Kind { ImageList, ImageFrame };
  std::string name;
  Kind kind = Kind::ImageList;
  std::string src;            // "TYPE:NAME" of the image
  int states = 1;             // image list: equal-width states side by side
  int margins[4] = {0, 0, 0, 0};  // image frame: fixed borders left, top, right, bottom
};

struct UiDefs {
  std::string defaultFace = "宋体";
  int defaultSize = 15;
  std::map<std::string, std::string> strings;
  std::vector<SkinDef> skins;
  std::map<std::string, MarkupNode> styles;  // class name -> its attributes
};

// Root `UIDEF`. Skins with a missing name or image, or a bad state count, are left out.
std::optional<UiDefs> ParseUiDefs(std::string_view xml);

// Replaces every "%name%" whose name is a defined string; other text stays as written.
std::string ExpandStrings(std::string_view text, const std::map<std::string, std::string>& strings);

}  // namespace qv::ui
