// The resource index "uires.idx": resources addressed as "TYPE:NAME" mapped to paths inside
// the package. Types compare without regard to letter case ("PNG:ID_PNG_BG" finds an entry
// of type "png"); names compare exactly.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace qv::ui {

struct ResId {
  std::string type;
  std::string name;
};

// "TYPE:NAME" split at the first colon; nullopt without a colon or with an empty part.
std::optional<ResId> SplitResId(std::string_view id);

class ResIndex {
 public:
  // The member path ('/'-separated) of a resource, or nullopt when the index lacks it.
  std::optional<std::string> PathOf(std::string_view type, std::string_view name) const;
  std::optional<std::string> PathOf(std::string_view typeColonName) const;
  size_t Size() const { return entries_.size(); }

  void Add(std::string_view type, std::string_view name, std::string_view path);

 private:
  std::map<std::pair<std::string, std::string>, std::string> entries_;
};

// Root element `resource`, one child per type, `file` elements with `name` and `path`
// (backslash-separated). nullopt when the text is not such a document.
std::optional<ResIndex> ParseResIndex(std::string_view xml);

}  // namespace qv::ui
