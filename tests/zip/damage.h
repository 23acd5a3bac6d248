// Ways to spoil one entry of a test package so that it can no longer be read back intact.
#pragma once

#include <string>
#include <vector>

#include "tests/support/zip/package_builder.h"

namespace qv::test {

enum class Damage { WrongChecksum, DeclaredLonger, DeclaredShorter, DeflateCutShort, NotDeflate };

struct DamageCase {
  Damage damage;
  const char* what;
};

inline const std::vector<DamageCase>& AllDamages() {
  static const std::vector<DamageCase> cases = {
      {Damage::WrongChecksum, "the checksum does not match"},
      {Damage::DeclaredLonger, "the declared size is larger than the data"},
      {Damage::DeclaredShorter, "the declared size is smaller than the data"},
      {Damage::DeflateCutShort, "the deflate stream is cut short"},
      {Damage::NotDeflate, "the data is not a deflate stream"},
  };
  return cases;
}

// The same entry, written raw so that it carries the damage.
inline PackagePart Damaged(PackagePart entry, Damage damage) {
  const std::vector<uint8_t> content = entry.data;
  entry.raw = true;
  entry.deflate = false;
  entry.declaredSize = content.size();
  entry.declaredCrc = Crc32(content);
  switch (damage) {
    case Damage::WrongChecksum: entry.declaredCrc ^= 1; break;
    case Damage::DeclaredLonger: entry.declaredSize += 10; break;
    case Damage::DeclaredShorter: entry.declaredSize -= 10; break;
    case Damage::DeflateCutShort:
      entry.deflate = true;
      entry.data = RawDeflate(content);
      entry.data.resize(entry.data.size() / 2);
      break;
    case Damage::NotDeflate:
      entry.deflate = true;
      entry.data.assign(content.size(), 0xFF);
      break;
  }
  return entry;
}

}  // namespace qv::test
