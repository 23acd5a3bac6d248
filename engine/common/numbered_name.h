// Free names for files the engine creates beside others ("Report.doc.vir", "Report(2).doc.vir",
// "Report.docm.bin", "Report.docm(2).bin" …): one numbering rule for every such search.
#pragma once

#include <string>
#include <string_view>

namespace qv {

// The n-th candidate: `stem + tail` for n <= 1, else stem + "(n)" + tail.
std::u16string NumberedName(std::u16string_view stem, int n, std::u16string_view tail);

// What a candidate turned out to be.
enum class NameTrial {
  Taken,   // in use by something else: try the next number
  Chosen,  // this one is used: the search ends
  Failed,  // the search ends without a name
};

// Offers NumberedName(stem, 1 … limit, tail) in turn to `tryName`, until it answers Chosen
// (true) or Failed, or the numbers run out (false).
template <typename TryName>
bool SearchNumberedNames(std::u16string_view stem, std::u16string_view tail, int limit, TryName tryName) {
  for (int n = 1; n <= limit; ++n) {
    switch (tryName(NumberedName(stem, n, tail))) {
      case NameTrial::Taken: continue;
      case NameTrial::Chosen: return true;
      case NameTrial::Failed: return false;
    }
  }
  return false;
}

}  // namespace qv
