// Damaged kin of a seed, for the seed corpora: every maker builds its seeds with the shared
// writers and then writes, beside each one, the same bytes cut short at a few boundaries,
// with single bytes flipped, and with 32-bit fields set to the values that break readers
// (all ones, the end-of-chain mark, the largest signed value, zero). The fuzzer starts from
// the shapes an attacker tries first instead of finding each of them by chance.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace qv::fuzzseed {

struct Variant {
  std::string suffix;  // appended to the seed's file name
  std::vector<uint8_t> bytes;
};

// `boundary`: the unit the format is cut into (512 for compound-file sectors, 1 for a
// stream of records); truncations land on it. `fields`: offsets of 32-bit fields worth
// setting to extremes (header counts, chain starts, sizes); when empty, four offsets spread
// over the seed are used.
inline std::vector<Variant> DamagedVariants(const std::vector<uint8_t>& seed, size_t boundary,
                                            std::vector<size_t> fields = {}) {
  constexpr size_t kCuts = 4, kFlips = 4, kSpreadFields = 4;
  std::vector<Variant> out;
  if (seed.size() < 2) return out;
  boundary = std::max<size_t>(boundary, 1);

  // Cut short: on boundaries spread over the seed, and one byte short of the end.
  std::vector<size_t> cuts{seed.size() - 1};
  for (size_t i = 1; i <= kCuts; ++i) {
    const size_t at = seed.size() * i / (kCuts + 1) / boundary * boundary;
    if (at > 0 && at < seed.size()) cuts.push_back(at);
  }
  std::sort(cuts.begin(), cuts.end());
  cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
  for (size_t at : cuts) out.push_back({"-cut" + std::to_string(at), {seed.begin(), seed.begin() + static_cast<std::ptrdiff_t>(at)}});

  // One byte flipped, at spread positions past the first few bytes (signatures stay).
  for (size_t i = 1; i <= kFlips; ++i) {
    const size_t base = seed.size() > 16 ? 8 : 0;
    const size_t at = base + (seed.size() - base) * i / (kFlips + 1);
    Variant v{"-flip" + std::to_string(at), seed};
    v.bytes[at] ^= 0xFF;
    out.push_back(std::move(v));
  }

  // 32-bit fields at extremes.
  if (fields.empty()) {
    for (size_t i = 1; i <= kSpreadFields; ++i) fields.push_back(seed.size() * i / (kSpreadFields + 1) & ~size_t{3});
  }
  constexpr uint32_t kExtremes[] = {0xFFFFFFFFu, 0xFFFFFFFEu, 0x7FFFFFFFu, 0u};
  size_t n = 0;
  for (size_t at : fields) {
    if (at + 4 > seed.size()) continue;
    const uint32_t value = kExtremes[n++ % std::size(kExtremes)];
    Variant v{"-field" + std::to_string(at), seed};
    for (int b = 0; b < 4; ++b) v.bytes[at + b] = static_cast<uint8_t>(value >> (8 * b));
    out.push_back(std::move(v));
  }
  return out;
}

inline bool WriteBytes(const std::filesystem::path& file, const std::vector<uint8_t>& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// Writes the seed as `name` and its damaged kin as `name`-cut…, -flip…, -field….
inline bool WriteWithDamage(const std::filesystem::path& folder, const std::string& name,
                            const std::vector<uint8_t>& seed, size_t boundary, std::vector<size_t> fields = {}) {
  bool ok = WriteBytes(folder / name, seed);
  for (const Variant& v : DamagedVariants(seed, boundary, std::move(fields))) ok = WriteBytes(folder / (name + v.suffix), v.bytes) && ok;
  return ok;
}

// Header fields of a compound file worth breaking: sector shift, FAT sector count, directory
// start, mini-stream cutoff, mini FAT start and count, DIFAT start and count, first DIFAT slot.
inline std::vector<size_t> CompoundHeaderFields() { return {0x1C, 0x2C, 0x30, 0x38, 0x3C, 0x40, 0x44, 0x48, 0x4C}; }

// The end record's fields of a zip package without a comment: entry counts, directory size
// and directory offset.
inline std::vector<size_t> ZipEndFields(size_t packageSize) {
  if (packageSize < 22) return {};
  const size_t end = packageSize - 22;
  return {end + 8, end + 12, end + 16};
}

}  // namespace qv::fuzzseed
