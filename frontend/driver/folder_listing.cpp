#include "frontend/driver/folder_listing.h"

#include <algorithm>

namespace qv::frontend {

bool FolderListing::Add(std::u16string_view name) {
  if (name.size() > kMaxListingUnits - names_.size()) return false;
  entries_.emplace_back(static_cast<uint32_t>(names_.size()), static_cast<uint32_t>(name.size()));
  names_.append(name);
  return true;
}

void FolderListing::Sort() {
  const std::u16string_view all(names_);
  // u16string_view compares by code unit (char_traits<char16_t>), as std::u16string does.
  std::sort(entries_.begin(), entries_.end(), [all](const auto& a, const auto& b) {
    return all.substr(a.first, a.second) < all.substr(b.first, b.second);
  });
}

}  // namespace qv::frontend
