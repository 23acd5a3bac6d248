#include "frontend/toolkit/translator.h"

namespace qv::ui {

bool STranslatorMgr::InstallTranslator(const MarkupNode& languageElement) {
  auto language = ReadLanguage(languageElement);
  if (!language) return false;
  languages_.push_back(std::move(*language));
  return true;
}

std::string STranslatorMgr::Translate(std::string_view context, const std::string& source) const {
  for (const Language& language : languages_) {
    if (const std::string* text = language.Translate(context, source)) return *text;
  }
  return source;
}

}  // namespace qv::ui
