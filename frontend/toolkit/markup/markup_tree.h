// The parsed form of the package's XML files: a plain element tree (tag, attributes in
// document order, text, children) read once with pugixml and then used without it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qv::ui {

struct MarkupNode {
  std::string tag;
  std::vector<std::pair<std::string, std::string>> attrs;
  std::string text;  // the element's own character data (first text child), as written
  std::vector<MarkupNode> children;

  // The attribute's value, or nullptr when the element has none of that name.
  const std::string* Attr(std::string_view name) const;
  std::string AttrOr(std::string_view name, std::string_view fallback) const;
  int IntAttrOr(std::string_view name, int fallback) const;
  const MarkupNode* Child(std::string_view tag) const;
};

// Reads an XML document into a tree. nullopt when it is not well-formed XML, larger than
// the markup limit, nested deeper than the layout depth limit or holds more elements than
// the node limit.
std::optional<MarkupNode> ParseMarkup(std::string_view xml);

}  // namespace qv::ui
