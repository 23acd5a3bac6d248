// The translator manager: installed languages, asked for every layout text and tooltip.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/toolkit/markup/language.h"

namespace qv::ui {

class STranslatorMgr {
 public:
  // A language read from a `language` element; false (nothing installed) when it is not one.
  bool InstallTranslator(const MarkupNode& languageElement);
  void UninstallAll() { languages_.clear(); }
  bool HasLanguage() const { return !languages_.empty(); }
  // The text (UTF-8) in the first installed language that has it, else `source` unchanged.
  std::string Translate(std::string_view context, const std::string& source) const;

 private:
  std::vector<Language> languages_;
};

}  // namespace qv::ui
