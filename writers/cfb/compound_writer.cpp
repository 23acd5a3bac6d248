#include "writers/cfb/compound_writer.h"

#include <algorithm>
#include <stdexcept>

namespace qv::writers {
namespace {

using namespace cfbc;

constexpr uint32_t kHeaderDifatSlots = 109;
constexpr uint32_t kIdsPerDifatSector = 127;
constexpr uint32_t kLinksPerSector = 128;

uint32_t CeilDiv(uint64_t a, uint64_t b) { return static_cast<uint32_t>((a + b - 1) / b); }

std::u16string FromUtf8(std::string_view text) {
  std::u16string out;
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    uint32_t cp = c;
    size_t extra = 0;
    if (c >= 0xF0) cp = c & 0x07, extra = 3;
    else if (c >= 0xE0) cp = c & 0x0F, extra = 2;
    else if (c >= 0xC0) cp = c & 0x1F, extra = 1;
    if (extra != 0 && i + extra >= text.size()) throw std::invalid_argument("truncated UTF-8 name");
    for (size_t k = 1; k <= extra; ++k) cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    i += extra + 1;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::vector<std::string_view> SplitPath(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (start <= path.size()) {
    const size_t slash = path.find('/', start);
    const size_t end = slash == std::string_view::npos ? path.size() : slash;
    if (end == start) throw std::invalid_argument("empty name in path");
    parts.push_back(path.substr(start, end - start));
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  return parts;
}

// The format's sibling order: shorter names first, then by upper-cased units.
bool NameLess(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return a.size() < b.size();
  for (size_t i = 0; i < a.size(); ++i) {
    const char16_t x = (a[i] >= u'a' && a[i] <= u'z') ? a[i] - 32 : a[i];
    const char16_t y = (b[i] >= u'a' && b[i] <= u'z') ? b[i] - 32 : b[i];
    if (x != y) return x < y;
  }
  return false;
}

// Siblings whose names are equal in that order cannot both be found: one storage holds one.
bool SameName(std::u16string_view a, std::u16string_view b) { return !NameLess(a, b) && !NameLess(b, a); }

struct Links {
  uint32_t left = kNoStream, right = kNoStream, child = kNoStream;
  uint8_t color = kBlack;
};

// Builds a balanced tree over `sorted` (directory ids in name order) by halving; nodes on the
// deepest level are red, all others black. Every path from the root to a leaf then holds the
// same number of black nodes, and no red node has a red child. Answers the root id.
uint32_t LinkBalanced(const std::vector<uint32_t>& sorted, size_t lo, size_t hi, int depth, int deepest,
                      std::vector<Links>& links) {
  if (lo >= hi) return kNoStream;
  const size_t mid = lo + (hi - lo) / 2;
  const uint32_t id = sorted[mid];
  links[id].left = LinkBalanced(sorted, lo, mid, depth + 1, deepest, links);
  links[id].right = LinkBalanced(sorted, mid + 1, hi, depth + 1, deepest, links);
  links[id].color = (depth == deepest && depth > 0) ? kRed : kBlack;
  return id;
}

int TreeDepth(size_t count) {  // depth of the deepest node of a halving tree over `count` nodes
  int depth = -1;
  while (count > 0) {
    ++depth;
    count /= 2;
  }
  return depth;
}

void Put16(std::vector<uint8_t>& b, uint64_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& b, uint64_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Links a chain in the given table (FAT or mini FAT links by sector id).
void LinkChain(std::vector<uint32_t>& table, const std::vector<uint32_t>& chain) {
  for (size_t i = 0; i < chain.size(); ++i) {
    if (chain[i] >= table.size()) table.resize(chain[i] + 1, kFreeSect);
    table[chain[i]] = i + 1 < chain.size() ? chain[i + 1] : kEndOfChain;
  }
}

std::vector<uint32_t> Run(uint32_t first, uint32_t count, bool reverse) {
  std::vector<uint32_t> run(count);
  for (uint32_t i = 0; i < count; ++i) run[i] = first + i;
  if (reverse) std::reverse(run.begin(), run.end());
  return run;
}

}  // namespace

CfbBuilder::CfbBuilder() {
  Node root;
  root.name = u"Root Entry";
  root.type = 5;
  nodes_.push_back(std::move(root));
}

uint32_t CfbBuilder::FindOrAddStorage(uint32_t parent, std::u16string_view name, std::string path) {
  if (name.size() > 31) throw std::invalid_argument("name longer than 31 units: " + path);
  for (uint32_t child : nodes_[parent].children) {
    if (SameName(nodes_[child].name, name)) {
      if (nodes_[child].type != 1) throw std::invalid_argument("a stream is in the way of " + path);
      return child;
    }
  }
  Node node;
  node.name = std::u16string(name);
  node.path = std::move(path);
  node.type = 1;
  node.parent = parent;
  const auto id = static_cast<uint32_t>(nodes_.size());
  nodes_.push_back(std::move(node));
  nodes_[parent].children.push_back(id);
  return id;
}

uint32_t CfbBuilder::AddStorage(std::string_view path) {
  uint32_t parent = 0;
  std::string sofar;
  for (std::string_view part : SplitPath(path)) {
    sofar += (sofar.empty() ? "" : "/") + std::string(part);
    parent = FindOrAddStorage(parent, FromUtf8(part), sofar);
  }
  return parent;
}

uint32_t CfbBuilder::AddStream(std::string_view path, std::vector<uint8_t> bytes, StreamPlacement placement) {
  const auto parts = SplitPath(path);
  uint32_t parent = 0;
  if (parts.size() > 1) {
    const size_t cut = path.rfind('/');
    parent = AddStorage(path.substr(0, cut));
  }
  Node node;
  node.name = FromUtf8(parts.back());
  if (node.name.size() > 31) throw std::invalid_argument("name longer than 31 units");
  for (uint32_t child : nodes_[parent].children) {
    if (SameName(nodes_[child].name, node.name)) throw std::invalid_argument("duplicate name " + std::string(path));
  }
  node.path = std::string(path);
  node.type = 2;
  node.parent = parent;
  node.data = std::move(bytes);
  node.placement = placement;
  const auto id = static_cast<uint32_t>(nodes_.size());
  nodes_.push_back(std::move(node));
  nodes_[parent].children.push_back(id);
  return id;
}

CfbBuilder& CfbBuilder::SetClassId(std::string_view storagePath, const std::array<uint8_t, 16>& clsid) {
  nodes_[storagePath.empty() ? 0 : AddStorage(storagePath)].clsid = clsid;
  return *this;
}

CfbBuilder& CfbBuilder::SetMiniCutoff(uint32_t cutoff) {
  cutoff_ = cutoff;
  return *this;
}
CfbBuilder& CfbBuilder::SetMinDirectorySectors(uint32_t sectors) {
  minDirectorySectors_ = sectors;
  return *this;
}
CfbBuilder& CfbBuilder::SetMinFatSectors(uint32_t sectors) {
  minFatSectors_ = std::max<uint32_t>(sectors, 1);
  return *this;
}
CfbBuilder& CfbBuilder::SetTreeShape(TreeShape shape) {
  shape_ = shape;
  return *this;
}

CfbFile CfbBuilder::BuildFile() const {
  CfbFile file;
  const auto count = static_cast<uint32_t>(nodes_.size());
  file.entries.resize(count);

  // Mini streams first: they decide the size of the root's stream.
  std::vector<uint32_t> miniFat;
  uint32_t miniSectors = 0;
  for (uint32_t id = 0; id < count; ++id) {
    const Node& node = nodes_[id];
    CfbFile::Entry& entry = file.entries[id];
    entry.name = node.name;
    entry.path = node.path;
    entry.type = node.type;
    entry.parent = node.parent;
    entry.size = static_cast<uint32_t>(node.data.size());
    if (node.type != 2 || node.data.empty()) continue;
    const auto kind = node.placement.kind;
    entry.mini = kind == StreamPlacement::Kind::Mini ||
                 (kind == StreamPlacement::Kind::Auto && node.data.size() < cutoff_);
    if (!entry.mini) continue;
    const uint32_t n = CeilDiv(node.data.size(), kMiniSector);
    entry.sectors = Run(miniSectors, n, node.placement.reverseChain);
    miniSectors += n;
    LinkChain(miniFat, entry.sectors);
  }
  const uint32_t miniFatCount = CeilDiv(miniSectors, kLinksPerSector);
  const uint32_t rootSectors = CeilDiv(static_cast<uint64_t>(miniSectors) * kMiniSector, kSector);
  const uint32_t dirSectors = std::max(CeilDiv(count, 4), minDirectorySectors_);

  // Sector layout: FAT, DIFAT, directory, mini FAT, mini stream, regular streams. The FAT
  // must cover every sector including its own, so its size is found by iteration.
  uint32_t fatCount = minFatSectors_;
  uint32_t total = 0;
  std::vector<std::vector<uint32_t>> chains(count);
  uint32_t difatCount = 0;
  while (true) {
    difatCount = fatCount > kHeaderDifatSlots ? CeilDiv(fatCount - kHeaderDifatSlots, kIdsPerDifatSector) : 0;
    uint32_t next = fatCount + difatCount + miniFatCount + dirSectors + rootSectors;
    for (uint32_t id = 1; id < count; ++id) {
      const Node& node = nodes_[id];
      chains[id].clear();
      if (node.type != 2 || node.data.empty() || file.entries[id].mini) continue;
      uint32_t first = next;
      if (node.placement.firstSector) {
        if (*node.placement.firstSector < next) throw std::invalid_argument("first sector taken: " + node.path);
        first = *node.placement.firstSector;
      }
      const uint32_t n = CeilDiv(node.data.size(), kSector);
      chains[id] = Run(first, n, node.placement.reverseChain);
      next = first + n;
    }
    total = next;
    const uint32_t needed = std::max(minFatSectors_, CeilDiv(total, kLinksPerSector));
    if (needed <= fatCount) break;
    fatCount = needed;
  }

  uint32_t at = 0;
  auto take = [&at](uint32_t n) { return Run((at += n) - n, n, false); };
  file.fatSectors = take(fatCount);
  file.difatSectors = take(difatCount);
  file.directorySectors = take(dirSectors);
  file.miniFatSectors = take(miniFatCount);
  file.miniStreamSectors = take(rootSectors);
  file.directoryEntryCount = dirSectors * 4;
  file.entries[0].sectors = file.miniStreamSectors;
  file.entries[0].size = miniSectors * kMiniSector;
  for (uint32_t id = 1; id < count; ++id) {
    if (!file.entries[id].mini) file.entries[id].sectors = chains[id];
  }

  std::vector<uint32_t> fat(static_cast<size_t>(fatCount) * kLinksPerSector, kFreeSect);
  for (uint32_t s : file.fatSectors) fat[s] = kFatSect;
  for (uint32_t s : file.difatSectors) fat[s] = kDifSect;
  LinkChain(fat, file.directorySectors);
  LinkChain(fat, file.miniFatSectors);
  LinkChain(fat, file.miniStreamSectors);
  for (uint32_t id = 1; id < count; ++id) {
    if (!file.entries[id].mini) LinkChain(fat, file.entries[id].sectors);
  }

  std::vector<uint8_t>& b = file.bytes;
  b.assign((static_cast<size_t>(total) + 1) * kSector, 0);
  static const uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  std::copy(std::begin(kSignature), std::end(kSignature), b.begin());
  Put16(b, 0x18, 0x003E);  // minor version
  Put16(b, 0x1A, 0x0003);  // major version 3
  Put16(b, 0x1C, 0xFFFE);  // byte order
  Put16(b, kSectorShift, 9);
  Put16(b, kMiniSectorShift, 6);
  Put32(b, kFatCount, fatCount);
  Put32(b, kFirstDir, file.directorySectors.front());
  Put32(b, kCutoff, cutoff_);
  Put32(b, kFirstMiniFat, miniFatCount ? file.miniFatSectors.front() : kEndOfChain);
  Put32(b, kMiniFatCount, miniFatCount);
  Put32(b, kFirstDifat, difatCount ? file.difatSectors.front() : kEndOfChain);
  Put32(b, kDifatCount, difatCount);
  for (uint32_t i = 0; i < kHeaderDifatSlots; ++i) {
    Put32(b, kHeaderDifat + 4 * i, i < fatCount ? file.fatSectors[i] : kFreeSect);
  }
  for (uint32_t d = 0; d < difatCount; ++d) {
    const uint64_t base = CfbFile::SectorOffset(file.difatSectors[d]);
    for (uint32_t i = 0; i < kIdsPerDifatSector; ++i) {
      const uint32_t k = kHeaderDifatSlots + d * kIdsPerDifatSector + i;
      Put32(b, base + 4 * i, k < fatCount ? file.fatSectors[k] : kFreeSect);
    }
    Put32(b, base + 4 * kIdsPerDifatSector, d + 1 < difatCount ? file.difatSectors[d + 1] : kEndOfChain);
  }
  for (uint32_t i = 0; i < fat.size(); ++i) {
    Put32(b, CfbFile::SectorOffset(file.fatSectors[i / kLinksPerSector]) + 4 * (i % kLinksPerSector), fat[i]);
  }
  miniFat.resize(static_cast<size_t>(miniFatCount) * kLinksPerSector, kFreeSect);
  for (uint32_t i = 0; i < miniFat.size(); ++i) {
    Put32(b, CfbFile::SectorOffset(file.miniFatSectors[i / kLinksPerSector]) + 4 * (i % kLinksPerSector),
          miniFat[i]);
  }

  // Directory: sibling trees, then the entries; unused entries keep NOSTREAM links.
  std::vector<Links> links(count);
  for (uint32_t id = 0; id < count; ++id) {
    std::vector<uint32_t> kids = nodes_[id].children;
    if (kids.empty()) continue;
    if (shape_ == TreeShape::Balanced) {
      std::sort(kids.begin(), kids.end(),
                [this](uint32_t x, uint32_t y) { return NameLess(nodes_[x].name, nodes_[y].name); });
      links[id].child = LinkBalanced(kids, 0, kids.size(), 0, TreeDepth(kids.size()), links);
    } else {
      links[id].child = kids.front();
      for (size_t i = 0; i + 1 < kids.size(); ++i) links[kids[i]].right = kids[i + 1];
    }
  }
  for (uint32_t id = 0; id < file.directoryEntryCount; ++id) {
    const uint64_t base = file.EntryOffset(id);
    if (id >= count) {
      Put32(b, base + kLeft, kNoStream);
      Put32(b, base + kRight, kNoStream);
      Put32(b, base + kChild, kNoStream);
      continue;
    }
    const CfbFile::Entry& entry = file.entries[id];
    for (size_t i = 0; i < entry.name.size(); ++i) Put16(b, base + 2 * i, entry.name[i]);
    Put16(b, base + kNameLength, static_cast<uint16_t>((entry.name.size() + 1) * 2));
    b[base + kObjectType] = entry.type;
    b[base + kColor] = links[id].color;
    Put32(b, base + kLeft, links[id].left);
    Put32(b, base + kRight, links[id].right);
    Put32(b, base + kChild, links[id].child);
    std::copy(nodes_[id].clsid.begin(), nodes_[id].clsid.end(), b.begin() + static_cast<ptrdiff_t>(base + kClassId));
    if (entry.type != 1) {  // a storage keeps start sector and size zero
      Put32(b, base + kStart, entry.sectors.empty() ? kEndOfChain : entry.sectors.front());
      Put32(b, base + kSize, entry.size);
    }
  }

  // Stream bytes, through the layout's own ranges.
  for (uint32_t id = 1; id < count; ++id) {
    if (nodes_[id].type != 2) continue;
    size_t from = 0;
    for (const ByteRange& range : file.StreamRanges(id)) {
      std::copy_n(nodes_[id].data.begin() + from, range.length, b.begin() + range.offset);
      from += range.length;
    }
  }
  return file;
}

}  // namespace qv::writers
