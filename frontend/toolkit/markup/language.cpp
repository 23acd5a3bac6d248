#include "frontend/toolkit/markup/language.h"

namespace qv::ui {

const std::string* Language::Translate(std::string_view context, std::string_view source) const {
  auto ctx = contexts.find(std::string(context));
  if (ctx == contexts.end()) return nullptr;
  auto msg = ctx->second.find(std::string(source));
  return msg == ctx->second.end() ? nullptr : &msg->second;
}

std::optional<Language> ReadLanguage(const MarkupNode& element) {
  if (element.tag != "language") return std::nullopt;
  Language language;
  language.name = element.AttrOr("name", "");
  language.guid = element.AttrOr("guid", "");
  for (const MarkupNode& context : element.children) {
    if (context.tag != "context") continue;
    auto& messages = language.contexts[context.AttrOr("name", "")];
    for (const MarkupNode& message : context.children) {
      const MarkupNode* source = message.Child("source");
      const MarkupNode* translation = message.Child("translation");
      if (message.tag != "message" || !source || !translation || source->text.empty()) continue;
      messages.emplace(source->text, translation->text);
    }
  }
  return language;
}

}  // namespace qv::ui
