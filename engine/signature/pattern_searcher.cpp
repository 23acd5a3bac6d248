#include "engine/signature/pattern_searcher.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/common/capacities.h"

namespace qv {
namespace {

// `upper` order: unsigned bytes over the shorter length, a prefix before the longer pattern.
bool UpperLess(const SearchPattern& a, const SearchPattern& b) {
  const size_t common = std::min(a.upper.size(), b.upper.size());
  const int diff = common == 0 ? 0 : std::memcmp(a.upper.data(), b.upper.data(), common);
  if (diff != 0) return diff < 0;
  return a.upper.size() < b.upper.size();
}

void BuildGroups(PatternSearcher& s) {
  s.hash2.assign(65536, kNoGroup);
  s.hash1.fill(kNoGroup);
  s.group2Size.assign(s.sorted.size(), 0);
  s.group1Size.assign(s.sorted.size(), 0);
  for (size_t i = 0; i < s.sorted.size(); ++i) s.patterns[s.sorted[i]].sortedIndex = static_cast<uint32_t>(i);
  size_t i = 0;
  while (i < s.sorted.size()) {
    const SearchPattern& first = s.patterns[s.sorted[i]];
    size_t end = i + 1;
    if (first.length >= 2) {
      while (end < s.sorted.size()) {
        const SearchPattern& next = s.patterns[s.sorted[end]];
        if (next.length < 2 || next.upper[0] != first.upper[0] || next.upper[1] != first.upper[1]) break;
        ++end;
      }
      s.hash2[first.upper[0] * 256 + first.upper[1]] = static_cast<uint16_t>(i);
      s.group2Size[i] = static_cast<uint16_t>(end - i);
    } else {
      while (end < s.sorted.size()) {
        const SearchPattern& next = s.patterns[s.sorted[end]];
        if (next.length != 1 || next.upper[0] != first.upper[0]) break;
        ++end;
      }
      s.hash1[first.upper[0]] = static_cast<uint16_t>(i);
      s.group1Size[i] = static_cast<uint16_t>(end - i);
    }
    i = end;
  }
}

void BuildHorspoolTables(PatternSearcher& s) {
  for (SearchPattern& p : s.patterns) {
    p.horspool.assign(256, p.length);
    for (uint32_t k = 0; k < p.length; ++k) p.horspool[p.upper[k]] = p.length - k - 1;
  }
}

void BuildShiftTable(PatternSearcher& s) {
  uint32_t shortest = kMaxShiftLength;
  for (const SearchPattern& p : s.patterns) shortest = std::min(shortest, p.length);
  s.shiftLength = shortest;
  s.shift.fill(shortest);
  for (const SearchPattern& p : s.patterns) {
    for (uint32_t k = 0; k < shortest; ++k) {
      uint32_t& entry = s.shift[p.upper[k]];
      entry = std::min(entry, shortest - k - 1);
    }
  }
}

// The search state shared by the modes: the upper-cased copy, the caller's text and callback.
struct Scan {
  const std::vector<uint8_t>& upper;
  const uint8_t* text;
  size_t length;
  OccurrenceFn callback;
  void* context;
  int64_t reports = 0;
  bool stopped = false;

  void Report(const SearchPattern& p, size_t offset) {
    ++reports;
    if (callback(p.id, static_cast<uint32_t>(offset), context) != 0) stopped = true;
  }
  bool ExactAt(const SearchPattern& p, size_t offset) const {
    return p.noCase || std::memcmp(p.exact.data(), text + offset, p.length) == 0;
  }
};

// First occurrence of p.upper in the upper-cased text at or after `start`; `length` when none.
size_t HorspoolFind(const SearchPattern& p, const std::vector<uint8_t>& u, size_t start) {
  const size_t n = u.size(), m = p.length;
  if (m > n) return n;
  if (m == 1) {
    const void* hit = start < n ? std::memchr(u.data() + start, p.upper[0], n - start) : nullptr;
    return hit ? static_cast<const uint8_t*>(hit) - u.data() : n;
  }
  size_t pos = start;
  while (pos + m <= n) {
    uint32_t s = p.horspool[u[pos + m - 1]];
    while (s != 0) {  // the shift is taken twice per round while it is nonzero
      pos += s;
      if (pos + m > n) return n;
      s = p.horspool[u[pos + m - 1]];
      pos += s;
      if (pos + m > n) return n;
      s = p.horspool[u[pos + m - 1]];
    }
    size_t k = m - 1;
    while (k > 0 && p.upper[k - 1] == u[pos + k - 1]) --k;
    if (k == 0) return pos;
    ++pos;
  }
  return n;
}

void SearchSmall(const PatternSearcher& s, Scan& scan) {
  for (uint32_t index : s.sorted) {
    const SearchPattern& p = s.patterns[index];
    size_t start = 0;
    for (;;) {
      const size_t at = HorspoolFind(p, scan.upper, start);
      if (at >= scan.length) break;
      if (!scan.ExactAt(p, at)) {
        // A case variant of an exact pattern: keep looking after it, so that a later exact
        // occurrence is still found.
        start = at + 1;
        continue;
      }
      scan.Report(p, at);
      if (scan.stopped) return;
      start = at + p.length;  // occurrences of one pattern do not overlap in this mode
    }
  }
}

// Reports every pattern of the two-byte group that starts at t and fits the rest of the text:
// its tail is compared from the back, then the whole pattern exactly (or folded) at t.
void CheckTwoByteGroup(const PatternSearcher& s, Scan& scan, size_t t) {
  const uint16_t first = s.hash2[scan.upper[t] * 256 + scan.upper[t + 1]];
  if (first == kNoGroup) return;
  const size_t remaining = scan.length - t;
  const size_t end = first + s.group2Size[first];
  for (size_t j = first; j < end; ++j) {
    const SearchPattern& p = s.patterns[s.sorted[j]];
    if (p.length > remaining) continue;
    size_t k = p.length;
    while (k > 2 && p.upper[k - 1] == scan.upper[t + k - 1]) --k;
    if (k > 2 || !scan.ExactAt(p, t)) continue;
    scan.Report(p, t);
    if (scan.stopped) return;
  }
}

void SearchGrouped(const PatternSearcher& s, Scan& scan) {
  const size_t n = scan.length, b = s.shiftLength;
  if (n < b) return;
  size_t t = 0;
  while (t + b - 1 < n) {
    uint32_t shift = s.shift[scan.upper[t + b - 1]];
    while (shift > 0) {
      t += shift;
      if (t + b - 1 >= n) return;
      t += s.shift[scan.upper[t + b - 1]];
      if (t + b - 1 >= n) return;
      shift = s.shift[scan.upper[t + b - 1]];
    }
    if (n - t == 1) return;
    CheckTwoByteGroup(s, scan, t);
    if (scan.stopped) return;
    ++t;
  }
}

void SearchOneByte(const PatternSearcher& s, Scan& scan) {
  for (size_t t = 0; t < scan.length; ++t) {
    const uint16_t first = s.hash1[scan.upper[t]];
    if (first != kNoGroup) {
      const size_t end = first + s.group1Size[first];
      for (size_t j = first; j < end; ++j) {
        const SearchPattern& p = s.patterns[s.sorted[j]];
        if (!scan.ExactAt(p, t)) continue;
        scan.Report(p, t);
        if (scan.stopped) return;
      }
    }
    if (t + 1 == scan.length) return;
    CheckTwoByteGroup(s, scan, t);
    if (scan.stopped) return;
  }
}

}  // namespace

int AddPattern(PatternSearcher* searcher, const uint8_t* bytes, size_t length, uint32_t id, bool noCase) {
  if (searcher == nullptr) return kSearchNoSearcher;
  if (bytes == nullptr || length < 1 || length > UINT32_MAX) return kSearchBadArgument;
  if (searcher->patterns.size() >= cap::kMaxSearchPatterns) return kSearchNoMemory;
  try {
    SearchPattern p;
    p.exact.assign(bytes, bytes + length);
    p.upper.resize(length);
    std::transform(p.exact.begin(), p.exact.end(), p.upper.begin(), UpperAscii);
    p.length = static_cast<uint32_t>(length);
    p.id = id;
    p.noCase = noCase;
    searcher->patterns.push_back(std::move(p));
  } catch (const std::bad_alloc&) {
    return kSearchNoMemory;
  }
  searcher->prepared = false;
  return kPatternAdded;
}

int PreparePatterns(PatternSearcher* searcher) {
  if (searcher == nullptr) return kSearchNoSearcher;
  PatternSearcher& s = *searcher;
  try {
    s.sorted.resize(s.patterns.size());
    for (size_t i = 0; i < s.sorted.size(); ++i) s.sorted[i] = static_cast<uint32_t>(i);
    std::stable_sort(s.sorted.begin(), s.sorted.end(),
                     [&](uint32_t a, uint32_t b) { return UpperLess(s.patterns[a], s.patterns[b]); });
    BuildGroups(s);
    if (s.patterns.size() < kSmallModeLimit) {
      s.method = SearchMethod::Small;
      BuildHorspoolTables(s);
    } else {
      s.method = SearchMethod::Grouped;
      BuildShiftTable(s);
    }
  } catch (const std::bad_alloc&) {
    s.prepared = false;
    return kSearchNoMemory;
  }
  s.prepared = true;
  return kPrepared;
}

int64_t SearchPatterns(PatternSearcher* searcher, const uint8_t* text, size_t length, OccurrenceFn callback,
                       void* context) {
  if (searcher == nullptr) return kSearchNoSearcher;
  if (text == nullptr || length < 1 || length > UINT32_MAX || callback == nullptr) return kSearchBadArgument;
  if (!searcher->prepared && PreparePatterns(searcher) != kPrepared) return kSearchNotPrepared;
  if (searcher->patterns.empty()) return 0;
  std::vector<uint8_t> upper;
  try {
    upper.resize(length);
  } catch (const std::bad_alloc&) {
    return 0;  // no copy, no search
  }
  std::transform(text, text + length, upper.begin(), UpperAscii);
  Scan scan{upper, text, length, callback, context};
  if (searcher->method == SearchMethod::Small) {
    SearchSmall(*searcher, scan);
  } else if (searcher->shiftLength == 1) {
    SearchOneByte(*searcher, scan);
  } else {
    SearchGrouped(*searcher, scan);
  }
  return scan.reports;
}

}  // namespace qv
