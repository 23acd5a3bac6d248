// The entries of one folder, sorted by name, held compactly: one buffer of names and one
// (offset, length) pair per entry, never a path per entry. The streaming walk keeps one
// listing per folder on its current path, so its memory follows the depth of the tree and
// the size of the folders on the path, never the number of files walked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qv::frontend {

class FolderListing {
 public:
  // Appends a name. False (and nothing added) when the buffer would pass what one listing
  // may hold (kMaxListingUnits).
  bool Add(std::u16string_view name);
  // Orders the entries by their names' UTF-16 code units (case-sensitive, a shorter prefix
  // first): the order of a std::set<std::u16string>.
  void Sort();
  size_t size() const { return entries_.size(); }
  std::u16string_view operator[](size_t i) const {
    return std::u16string_view(names_).substr(entries_[i].first, entries_[i].second);
  }

  // Code units of names in one listing at most (the offsets are 32-bit).
  static constexpr size_t kMaxListingUnits = UINT32_MAX;

 private:
  std::u16string names_;                               // every name, one after another
  std::vector<std::pair<uint32_t, uint32_t>> entries_;  // (offset in names_, length)
};

}  // namespace qv::frontend
