#include "engine/zip/rebuilt_file.h"

#include "engine/common/capacities.h"
#include "engine/zip/entry_rules.h"

namespace qv::zip {

NewEntry NewEntryLike(const EntryInfo& source, uint64_t size, const platform::LocalTime& now) {
  NewEntry entry;
  entry.name = source.name;
  entry.stored = IsStoredByExtension(source.name);
  entry.sizeHint = size;
  entry.versionMadeBy = source.versionMadeBy;
  entry.internalAttributes = source.internalAttributes;
  entry.externalAttributes = source.externalAttributes;
  entry.time = now;
  return entry;
}

bool ReadsBackWhole(const std::u16string& path, uint64_t expectedEntries) {
  auto reader = PackageReader::Open(path);
  if (!reader) return false;
  uint64_t seen = 0;
  bool whole = true;
  const bool walked = ForEachEntry(*reader, cap::kMaxPackageEntries, [&](const EntryInfo& entry) {
    whole = reader->ReadCurrent(entry, cap::kMaxPackageEntryBytes, [](const uint8_t*, size_t) { return true; });
    ++seen;
    return whole;
  });
  return walked && whole && seen == expectedEntries;
}

}  // namespace qv::zip
