// A language file: root `language` (name, guid), `context` elements holding `message`
// elements of `source` and `translation`. Texts of a window are looked up in the context
// named after the window.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "frontend/toolkit/markup/markup_tree.h"

namespace qv::ui {

struct Language {
  std::string name;
  std::string guid;
  std::map<std::string, std::map<std::string, std::string>> contexts;

  // The translation of `source` in `context`, or nullptr when there is none.
  const std::string* Translate(std::string_view context, std::string_view source) const;
};

// nullopt when the element is not a `language` element.
std::optional<Language> ReadLanguage(const MarkupNode& element);

}  // namespace qv::ui
