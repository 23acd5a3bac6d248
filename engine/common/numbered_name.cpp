#include "engine/common/numbered_name.h"

namespace qv {

std::u16string NumberedName(std::u16string_view stem, int n, std::u16string_view tail) {
  std::u16string name(stem);
  if (n > 1) {
    name.push_back(u'(');
    for (char c : std::to_string(n)) name.push_back(static_cast<char16_t>(c));
    name.push_back(u')');
  }
  name.append(tail);
  return name;
}

}  // namespace qv
