#include "frontend/toolkit/markup/layout_doc.h"

#include <charconv>

#include "frontend/toolkit/markup/markup_limits.h"

namespace qv::ui {

bool ParseIntList(std::string_view text, int* out, int count) {
  int values[8];
  if (count < 1 || count > 8) return false;
  for (int i = 0; i < count; ++i) {
    const size_t comma = text.find(',');
    const bool last = i + 1 == count;
    if (last != (comma == std::string_view::npos)) return false;
    const std::string_view item = text.substr(0, comma);
    int value = 0;
    auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), value);
    if (error != std::errc() || end != item.data() + item.size() || value < -limit::kMaxCoordinate ||
        value > limit::kMaxCoordinate) {
      return false;
    }
    values[i] = value;
    if (!last) text.remove_prefix(comma + 1);
  }
  for (int i = 0; i < count; ++i) out[i] = values[i];
  return true;
}

std::optional<LayoutDoc> ReadLayout(std::string_view xml) {
  auto tree = ParseMarkup(xml);
  if (!tree || tree->tag != "hostwnd") return std::nullopt;
  const MarkupNode* root = tree->Child("root");
  if (!root) return std::nullopt;
  LayoutDoc doc;
  HostAttrs& host = doc.host;
  host.name = tree->AttrOr("name", "");
  host.title = tree->AttrOr("title", "");
  host.width = tree->IntAttrOr("width", 0);
  host.height = tree->IntAttrOr("height", 0);
  if (host.width <= 0 || host.height <= 0 || host.width > limit::kMaxCoordinate ||
      host.height > limit::kMaxCoordinate) {
    return std::nullopt;
  }
  int minSize[2] = {0, 0};
  if (const std::string* text = tree->Attr("minsize"); text && ParseIntList(*text, minSize, 2)) {
    host.minWidth = minSize[0];
    host.minHeight = minSize[1];
  }
  host.resizable = tree->IntAttrOr("resize", 1) != 0;
  host.appWindow = tree->IntAttrOr("appWnd", 1) != 0;
  host.translucent = tree->IntAttrOr("translucent", 0) != 0;
  if (const std::string* text = tree->Attr("margin")) ParseIntList(*text, host.margin, 4);
  if (const std::string* text = tree->Attr("maxInset")) ParseIntList(*text, host.maxInset, 4);
  host.bigIcon = tree->AttrOr("bigIcon", "");
  host.smallIcon = tree->AttrOr("smallIcon", "");
  doc.root = *root;
  return doc;
}

}  // namespace qv::ui
