#include "frontend/toolkit/translator.h"

namespace qv::ui {

bool STranslatorMgr::InstallTranslator(const MarkupNode& languageElement) {
  auto language = ReadLanguage(languageElement);
  if (!language) return false;
  languages_.push_back(std::move(*language));
  return true;
}

QString STranslatorMgr::Translate(std::string_view context, const QString& source) const {
  const std::string key = source.toStdString();
  for (const Language& language : languages_) {
    if (const std::string* text = language.Translate(context, key)) return QString::fromStdString(*text);
  }
  return source;
}

}  // namespace qv::ui
