#include "frontend/toolkit/markup/res_index.h"

#include <algorithm>

#include "engine/common/ascii_case.h"
#include "frontend/toolkit/markup/markup_tree.h"

namespace qv::ui {
namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), AsciiLower<char>);
  return out;
}

}  // namespace

std::optional<ResId> SplitResId(std::string_view id) {
  const size_t colon = id.find(':');
  if (colon == std::string_view::npos || colon == 0 || colon + 1 == id.size()) return std::nullopt;
  return ResId{std::string(id.substr(0, colon)), std::string(id.substr(colon + 1))};
}

void ResIndex::Add(std::string_view type, std::string_view name, std::string_view path) {
  std::string member(path);
  std::replace(member.begin(), member.end(), '\\', '/');
  entries_[{Lower(type), std::string(name)}] = std::move(member);
}

std::optional<std::string> ResIndex::PathOf(std::string_view type, std::string_view name) const {
  auto it = entries_.find({Lower(type), std::string(name)});
  if (it == entries_.end()) return std::nullopt;
  return it->second;
}

std::optional<std::string> ResIndex::PathOf(std::string_view typeColonName) const {
  auto id = SplitResId(typeColonName);
  if (!id) return std::nullopt;
  return PathOf(id->type, id->name);
}

std::optional<ResIndex> ParseResIndex(std::string_view xml) {
  auto tree = ParseMarkup(xml);
  if (!tree || tree->tag != "resource") return std::nullopt;
  ResIndex index;
  for (const MarkupNode& group : tree->children) {
    for (const MarkupNode& file : group.children) {
      const std::string* name = file.Attr("name");
      const std::string* path = file.Attr("path");
      if (file.tag != "file" || !name || !path || name->empty() || path->empty()) continue;
      index.Add(group.tag, *name, *path);
    }
  }
  return index;
}

}  // namespace qv::ui
