#include "tools/samples/compound_writer.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace qv::samples {
namespace {

constexpr uint32_t kSector = 512;
constexpr uint32_t kMiniSector = 64;
constexpr uint32_t kMiniCutoff = 4096;
constexpr uint32_t kFreeSect = 0xFFFFFFFF;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFatSect = 0xFFFFFFFD;
constexpr uint32_t kNoStream = 0xFFFFFFFF;
constexpr uint32_t kHeaderDifatSlots = 109;
constexpr uint8_t kRed = 0, kBlack = 1;

uint32_t SectorsFor(size_t bytes, uint32_t unit) { return static_cast<uint32_t>((bytes + unit - 1) / unit); }

// The format's name order: shorter names first, then by upper-cased code units.
bool NameLess(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return a.size() < b.size();
  for (size_t i = 0; i < a.size(); ++i) {
    const int ca = std::toupper(static_cast<unsigned char>(a[i]));
    const int cb = std::toupper(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb;
  }
  return false;
}

struct DirLinks {
  uint32_t left = kNoStream, right = kNoStream, child = kNoStream;
  uint8_t color = kBlack;
};

// Builds a balanced tree over `sorted` (directory ids in name order) by halving; nodes on the
// deepest level are red, all others black. Every path from the root to a leaf then holds
// the same number of black nodes, and no red node has a red child. Answers the root id.
uint32_t BuildTree(const std::vector<uint32_t>& sorted, size_t lo, size_t hi, int depth, int deepest,
                   std::vector<DirLinks>& links) {
  if (lo >= hi) return kNoStream;
  const size_t mid = lo + (hi - lo) / 2;
  const uint32_t id = sorted[mid];
  links[id].left = BuildTree(sorted, lo, mid, depth + 1, deepest, links);
  links[id].right = BuildTree(sorted, mid + 1, hi, depth + 1, deepest, links);
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

// Appends a chain of `count` sectors starting at `first` to the FAT.
void Chain(std::vector<uint32_t>& fat, uint32_t first, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) fat[first + i] = (i + 1 == count) ? kEndOfChain : first + i + 1;
}

}  // namespace

size_t CompoundWriter::Child(size_t parent, std::string_view name, bool storage) {
  if (name.empty() || name.size() > 31) throw std::invalid_argument("compound file names hold 1 to 31 characters");
  for (size_t c : nodes_[parent].children) {
    if (nodes_[c].name.size() == name.size() && !NameLess(nodes_[c].name, std::string(name)) &&
        !NameLess(std::string(name), nodes_[c].name)) {
      if (!storage || !nodes_[c].storage) throw std::invalid_argument("name used twice: " + std::string(name));
      return c;
    }
  }
  nodes_.push_back(Node{std::string(name), storage, {}, {}, {}});
  nodes_[parent].children.push_back(nodes_.size() - 1);
  return nodes_.size() - 1;
}

size_t CompoundWriter::Storage(std::string_view path) {
  size_t at = 0;
  while (!path.empty()) {
    const size_t slash = path.find('/');
    at = Child(at, path.substr(0, slash), true);
    path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
  }
  return at;
}

void CompoundWriter::AddStream(std::string_view path, Bytes bytes) {
  if (path.empty() || path.front() == '/' || path.back() == '/' || path.find("//") != std::string_view::npos) {
    throw std::invalid_argument("empty name in path " + std::string(path));
  }
  const size_t slash = path.rfind('/');
  const size_t parent = slash == std::string_view::npos ? 0 : Storage(path.substr(0, slash));
  const size_t node = Child(parent, slash == std::string_view::npos ? path : path.substr(slash + 1), false);
  nodes_[node].bytes = std::move(bytes);
}

void CompoundWriter::SetClassId(std::string_view storagePath, const std::array<uint8_t, 16>& clsid) {
  nodes_[Storage(storagePath)].clsid = clsid;
}

Bytes CompoundWriter::Finish() const {
  const uint32_t entryCount = static_cast<uint32_t>(nodes_.size());

  // Mini stream: every stream below the cutoff, one after the other in node order.
  std::vector<uint32_t> miniStart(entryCount, kEndOfChain), start(entryCount, kEndOfChain);
  uint32_t miniSectors = 0;
  for (uint32_t i = 1; i < entryCount; ++i) {
    const Node& n = nodes_[i];
    if (!n.storage && !n.bytes.empty() && n.bytes.size() < kMiniCutoff) {
      miniStart[i] = miniSectors;
      miniSectors += SectorsFor(n.bytes.size(), kMiniSector);
    }
  }
  const uint32_t miniStreamSectors = SectorsFor(size_t{miniSectors} * kMiniSector, kSector);
  const uint32_t miniFatSectors = SectorsFor(size_t{miniSectors} * 4, kSector);
  const uint32_t dirSectors = SectorsFor(size_t{entryCount} * 128, kSector);
  uint32_t regularSectors = 0;
  for (uint32_t i = 1; i < entryCount; ++i) {
    const Node& n = nodes_[i];
    if (!n.storage && n.bytes.size() >= kMiniCutoff) regularSectors += SectorsFor(n.bytes.size(), kSector);
  }
  const uint32_t contentSectors = dirSectors + miniFatSectors + miniStreamSectors + regularSectors;
  uint32_t fatSectors = 1;
  while (fatSectors * (kSector / 4) < contentSectors + fatSectors) ++fatSectors;
  if (fatSectors > kHeaderDifatSlots) throw std::length_error("compound file too large for the sample writer");

  // Sector layout: FAT, directory, mini FAT, mini stream, then the regular streams.
  const uint32_t total = fatSectors + contentSectors;
  std::vector<uint32_t> fat(size_t{fatSectors} * (kSector / 4), kFreeSect);
  for (uint32_t i = 0; i < fatSectors; ++i) fat[i] = kFatSect;
  const uint32_t dirFirst = fatSectors;
  Chain(fat, dirFirst, dirSectors);
  const uint32_t miniFatFirst = miniFatSectors ? dirFirst + dirSectors : kEndOfChain;
  if (miniFatSectors) Chain(fat, miniFatFirst, miniFatSectors);
  const uint32_t miniStreamFirst = miniStreamSectors ? dirFirst + dirSectors + miniFatSectors : kEndOfChain;
  if (miniStreamSectors) Chain(fat, miniStreamFirst, miniStreamSectors);
  uint32_t next = dirFirst + dirSectors + miniFatSectors + miniStreamSectors;
  for (uint32_t i = 1; i < entryCount; ++i) {
    const Node& n = nodes_[i];
    if (n.storage || n.bytes.size() < kMiniCutoff) continue;
    start[i] = next;
    Chain(fat, next, SectorsFor(n.bytes.size(), kSector));
    next += SectorsFor(n.bytes.size(), kSector);
  }

  std::vector<uint32_t> miniFat(size_t{miniFatSectors} * (kSector / 4), kFreeSect);
  for (uint32_t i = 1; i < entryCount; ++i) {
    if (miniStart[i] != kEndOfChain) Chain(miniFat, miniStart[i], SectorsFor(nodes_[i].bytes.size(), kMiniSector));
  }

  // Trees of every storage.
  std::vector<DirLinks> links(entryCount);
  for (uint32_t i = 0; i < entryCount; ++i) {
    if (!nodes_[i].storage || nodes_[i].children.empty()) continue;
    std::vector<uint32_t> sorted(nodes_[i].children.begin(), nodes_[i].children.end());
    std::sort(sorted.begin(), sorted.end(), [&](uint32_t a, uint32_t b) { return NameLess(nodes_[a].name, nodes_[b].name); });
    links[i].child = BuildTree(sorted, 0, sorted.size(), 0, TreeDepth(sorted.size()), links);
  }

  Bytes out;
  out.reserve(size_t{total + 1} * kSector);
  // Header.
  for (uint8_t b : {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1}) out.push_back(b);
  out.resize(24, 0);             // header CLSID
  PutU16(out, 0x003E);           // minor version
  PutU16(out, 0x0003);           // major version 3
  PutU16(out, 0xFFFE);           // byte order
  PutU16(out, 9);                // sector shift
  PutU16(out, 6);                // mini sector shift
  out.resize(out.size() + 6, 0); // reserved
  PutU32(out, 0);                // directory sectors (0 in version 3)
  PutU32(out, fatSectors);
  PutU32(out, dirFirst);
  PutU32(out, 0);                // transaction signature
  PutU32(out, kMiniCutoff);
  PutU32(out, miniFatFirst);
  PutU32(out, miniFatSectors);
  PutU32(out, kEndOfChain);      // first DIFAT sector: none
  PutU32(out, 0);                // DIFAT sectors
  for (uint32_t i = 0; i < kHeaderDifatSlots; ++i) PutU32(out, i < fatSectors ? i : kFreeSect);

  for (uint32_t v : fat) PutU32(out, v);
  // Directory.
  for (uint32_t i = 0; i < dirSectors * (kSector / 128); ++i) {
    const size_t at = out.size();
    out.resize(at + 128, 0);
    if (i >= entryCount) {  // unused entry: zeros, siblings and child NOSTREAM
      SetU32(out, at + 0x44, kNoStream);
      SetU32(out, at + 0x48, kNoStream);
      SetU32(out, at + 0x4C, kNoStream);
      continue;
    }
    const Node& n = nodes_[i];
    for (size_t k = 0; k < n.name.size(); ++k) SetU16(out, at + 2 * k, static_cast<uint8_t>(n.name[k]));
    SetU16(out, at + 0x40, static_cast<uint16_t>(2 * (n.name.size() + 1)));
    out[at + 0x42] = i == 0 ? 5 : n.storage ? 1 : 2;
    out[at + 0x43] = i == 0 ? kBlack : links[i].color;
    SetU32(out, at + 0x44, links[i].left);
    SetU32(out, at + 0x48, links[i].right);
    SetU32(out, at + 0x4C, n.storage ? links[i].child : kNoStream);
    std::copy(n.clsid.begin(), n.clsid.end(), out.begin() + at + 0x50);
    if (i == 0) {
      SetU32(out, at + 0x74, miniStreamFirst);
      SetU32(out, at + 0x78, miniSectors * kMiniSector);
    } else if (!n.storage) {
      SetU32(out, at + 0x74, n.bytes.empty() ? kEndOfChain : miniStart[i] != kEndOfChain ? miniStart[i] : start[i]);
      SetU32(out, at + 0x78, static_cast<uint32_t>(n.bytes.size()));
    }
  }
  for (uint32_t v : miniFat) PutU32(out, v);
  // Mini stream, then regular streams.
  const size_t miniAt = out.size();
  out.resize(miniAt + size_t{miniStreamSectors} * kSector, 0);
  for (uint32_t i = 1; i < entryCount; ++i) {
    if (miniStart[i] != kEndOfChain) {
      std::copy(nodes_[i].bytes.begin(), nodes_[i].bytes.end(), out.begin() + miniAt + size_t{miniStart[i]} * kMiniSector);
    }
  }
  for (uint32_t i = 1; i < entryCount; ++i) {
    if (start[i] == kEndOfChain) continue;
    PutBytes(out, nodes_[i].bytes);
    PadTo(out, kSector);
  }
  return out;
}

}  // namespace qv::samples
