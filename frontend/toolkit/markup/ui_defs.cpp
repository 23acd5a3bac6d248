#include "frontend/toolkit/markup/ui_defs.h"

#include <charconv>

#include "frontend/toolkit/markup/markup_limits.h"

namespace qv::ui {
namespace {

std::optional<int> ToInt(std::string_view text) {
  int value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

bool ParseMargins(std::string_view text, int (&out)[4]) {
  int values[4];
  for (int i = 0; i < 4; ++i) {
    const size_t comma = text.find(',');
    if ((i < 3) == (comma == std::string_view::npos)) return false;
    auto value = ToInt(text.substr(0, comma));
    if (!value || *value < 0 || *value > limit::kMaxCoordinate) return false;
    values[i] = *value;
    if (comma != std::string_view::npos) text.remove_prefix(comma + 1);
  }
  for (int i = 0; i < 4; ++i) out[i] = values[i];
  return true;
}

std::optional<SkinDef> ReadSkin(const MarkupNode& node) {
  SkinDef skin;
  skin.name = node.AttrOr("name", "");
  skin.src = node.AttrOr("src", "");
  if (skin.name.empty() || skin.src.empty()) return std::nullopt;
  if (node.tag == "imglist") {
    skin.kind = SkinDef::Kind::ImageList;
    skin.states = node.IntAttrOr("states", 1);
    if (skin.states < 1 || skin.states > limit::kMaxSkinStates) return std::nullopt;
  } else if (node.tag == "imgframe") {
    skin.kind = SkinDef::Kind::ImageFrame;
    if (const std::string* margin = node.Attr("margin"); margin && !ParseMargins(*margin, skin.margins)) {
      return std::nullopt;
    }
  } else {
    return std::nullopt;
  }
  return skin;
}

}  // namespace

FontSpec ParseFontSpec(std::string_view text) {
  FontSpec desc;
  while (!text.empty()) {
    const size_t comma = text.find(',');
    const std::string_view item = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    const size_t colon = item.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view key = item.substr(0, colon);
    const std::string_view value = item.substr(colon + 1);
    const int number = ToInt(value).value_or(0);
    if (key == "face") desc.face = std::string(value);
    else if (key == "size") desc.size = number > 0 && number < 1000 ? number : 0;
    else if (key == "adding") desc.adding = number > -1000 && number < 1000 ? number : 0;
    else if (key == "underline") desc.underline = number != 0;
    else if (key == "bold") desc.bold = number != 0;
    else if (key == "italic") desc.italic = number != 0;
  }
  return desc;
}

std::optional<uint32_t> ParseColor(std::string_view text) {
  if (text.size() != 7 && text.size() != 9) return std::nullopt;
  if (text.front() != '#') return std::nullopt;
  uint32_t value = 0;
  for (char c : text.substr(1)) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return std::nullopt;
    value = value * 16 + uint32_t(digit);
  }
  if (text.size() == 7) return 0xFF000000u | value;
  return (value >> 8) | ((value & 0xFFu) << 24);  // RRGGBBAA -> AARRGGBB
}

std::optional<UiDefs> ParseUiDefs(std::string_view xml) {
  auto tree = ParseMarkup(xml);
  if (!tree || tree->tag != "UIDEF") return std::nullopt;
  UiDefs defs;
  if (const MarkupNode* font = tree->Child("font")) {
    defs.defaultFace = font->AttrOr("face", defs.defaultFace);
    const int size = font->IntAttrOr("size", defs.defaultSize);
    if (size > 0 && size < 1000) defs.defaultSize = size;
  }
  if (const MarkupNode* strings = tree->Child("string")) {
    for (const MarkupNode& entry : strings->children) defs.strings[entry.tag] = entry.AttrOr("value", "");
  }
  if (const MarkupNode* skins = tree->Child("skin")) {
    for (const MarkupNode& entry : skins->children) {
      if (auto skin = ReadSkin(entry)) defs.skins.push_back(std::move(*skin));
    }
  }
  if (const MarkupNode* styles = tree->Child("style")) {
    for (const MarkupNode& entry : styles->children) {
      const std::string name = entry.AttrOr("name", "");
      if (entry.tag == "class" && !name.empty()) defs.styles[name] = entry;
    }
  }
  return defs;
}

std::string ExpandStrings(std::string_view text, const std::map<std::string, std::string>& strings) {
  std::string out;
  while (!text.empty()) {
    const size_t open = text.find('%');
    if (open == std::string_view::npos) break;
    const size_t close = text.find('%', open + 1);
    if (close == std::string_view::npos) break;
    auto it = strings.find(std::string(text.substr(open + 1, close - open - 1)));
    if (it == strings.end()) {
      out.append(text.substr(0, close));  // keep the first '%', look again from the second
      text.remove_prefix(close);
      continue;
    }
    out.append(text.substr(0, open));
    out.append(it->second);
    text.remove_prefix(close + 1);
  }
  out.append(text);
  return out;
}

}  // namespace qv::ui
