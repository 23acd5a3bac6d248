// The translator manager: installed languages, asked for every layout text and tooltip.
#pragma once

#include <QString>
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
  // The text in the first installed language that has it, else `source` unchanged.
  QString Translate(std::string_view context, const QString& source) const;

 private:
  std::vector<Language> languages_;
};

}  // namespace qv::ui
