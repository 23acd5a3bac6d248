// Feeds one input to every markup reader of the UI toolkit and lays out any layout it
// reads, as the window would: every position is parsed and turned into a box inside its
// parent, every font and colour attribute is read.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "frontend/toolkit/markup/language.h"
#include "frontend/toolkit/markup/layout_doc.h"
#include "frontend/toolkit/markup/position.h"
#include "frontend/toolkit/markup/res_index.h"
#include "frontend/toolkit/markup/ui_defs.h"

namespace {

void LayOut(const qv::ui::MarkupNode& node, int width, int height) {
  qv::ui::Box box{0, 0, width, height};
  if (const std::string* pos = node.Attr("pos")) {
    if (auto parsed = qv::ui::ParsePos(*pos)) {
      box = qv::ui::ComputeBox(*parsed, width, height, 16, 16);
      if (box.Width() < 0 || box.Height() < 0) __builtin_trap();  // boxes are never inverted
    }
  }
  if (const std::string* font = node.Attr("font")) qv::ui::ParseFontSpec(*font);
  if (const std::string* colour = node.Attr("colorText")) qv::ui::ParseColor(*colour);
  for (const qv::ui::MarkupNode& child : node.children) LayOut(child, box.Width(), box.Height());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (auto layout = qv::ui::ReadLayout(text)) LayOut(layout->root, layout->host.width, layout->host.height);
  qv::ui::ParseUiDefs(text);
  if (auto index = qv::ui::ParseResIndex(text)) index->PathOf("LAYOUT:XML_MAINWND");
  if (auto tree = qv::ui::ParseMarkup(text)) {
    if (auto language = qv::ui::ReadLanguage(*tree)) language->Translate("mainWindow", "close");
  }
  qv::ui::ExpandStrings(text, {{"title", "T"}, {"ver", "1"}});
  return 0;
}
