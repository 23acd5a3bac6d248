#include "frontend/toolkit/markup/markup_tree.h"

#include <charconv>
#include <pugixml.hpp>

#include "frontend/toolkit/markup/markup_limits.h"

namespace qv::ui {
namespace {

struct Converter {
  size_t nodes = 0;

  bool Convert(const pugi::xml_node& from, MarkupNode& to, int depth) {
    if (depth > limit::kLayoutDepth || ++nodes > limit::kLayoutNodes) return false;
    to.tag = from.name();
    for (const pugi::xml_attribute& a : from.attributes()) to.attrs.emplace_back(a.name(), a.value());
    for (const pugi::xml_node& child : from.children()) {
      if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
        if (to.text.empty()) to.text = child.value();
      } else if (child.type() == pugi::node_element) {
        to.children.emplace_back();
        if (!Convert(child, to.children.back(), depth + 1)) return false;
      }
    }
    return true;
  }
};

}  // namespace

const std::string* MarkupNode::Attr(std::string_view name) const {
  for (const auto& [key, value] : attrs) {
    if (key == name) return &value;
  }
  return nullptr;
}

std::string MarkupNode::AttrOr(std::string_view name, std::string_view fallback) const {
  const std::string* value = Attr(name);
  return value ? *value : std::string(fallback);
}

int MarkupNode::IntAttrOr(std::string_view name, int fallback) const {
  const std::string* value = Attr(name);
  if (!value) return fallback;
  int result = 0;
  auto [end, error] = std::from_chars(value->data(), value->data() + value->size(), result);
  if (error != std::errc() || end != value->data() + value->size()) return fallback;
  return result;
}

const MarkupNode* MarkupNode::Child(std::string_view tag) const {
  for (const MarkupNode& child : children) {
    if (child.tag == tag) return &child;
  }
  return nullptr;
}

std::optional<MarkupNode> ParseMarkup(std::string_view xml) {
  if (xml.size() > limit::kMarkupBytes) return std::nullopt;
  pugi::xml_document doc;
  const pugi::xml_parse_result parsed =
      doc.load_buffer(xml.data(), xml.size(), pugi::parse_default, pugi::encoding_auto);
  if (!parsed) return std::nullopt;
  const pugi::xml_node root = doc.document_element();
  if (!root) return std::nullopt;
  MarkupNode tree;
  Converter converter;
  if (!converter.Convert(root, tree, 0)) return std::nullopt;
  return tree;
}

}  // namespace qv::ui
