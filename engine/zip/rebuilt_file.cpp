#include "engine/zip/rebuilt_file.h"

#include "engine/common/capacities.h"
#include "engine/zip/entry_rules.h"

namespace qv::zip {

bool RebuiltFile::TakeAccessOf(const std::u16string& documentPath) {
  identity_ = file_.Identity();
  auto document = platform::File::OpenRead(documentPath);
  return document && file_.TakeAccessOf(*document);
}

bool RebuiltFile::ReplaceDocument(const std::u16string& documentPath) {
  if (!identity_) identity_ = file_.Identity();
  {
    // On disk before it takes the document's place (a power cut leaves one whole file).
    auto written = platform::File::OpenReadWrite(path_);
    if (!written || !identity_ || written->Identity() != identity_ || !written->Flush()) return false;
  }
  platform::RaceWindow("package-before-replace");
  if (!platform::RenameReplace(path_, documentPath)) return false;
  keep_ = true;  // the name is the document's now, whatever it holds
  return identity_ && platform::NameIdentity(documentPath) == identity_;
}

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

bool CopyEntryAsIs(PackageReader& reader, PackageWriter& writer, const EntryInfo& entry, const platform::LocalTime& now,
                   PackageBudget& budget) {
  return writer.BeginEntry(NewEntryLike(entry, entry.size, now)) &&
         reader.ReadCurrent(entry, cap::kMaxPackageEntryBytes,
                            [&](const uint8_t* bytes, size_t length) {
                              return budget.Spend(length) && writer.Write(bytes, length);
                            }) &&
         writer.EndEntry();
}

std::optional<std::string> ReadEntryText(PackageReader& reader, const EntryInfo& entry, uint64_t maxBytes,
                                         PackageBudget& budget) {
  std::string text;
  if (!reader.ReadCurrent(entry, maxBytes, [&](const uint8_t* bytes, size_t length) {
        if (!budget.Spend(length)) return false;
        text.append(reinterpret_cast<const char*>(bytes), length);
        return true;
      })) {
    return std::nullopt;
  }
  return text;
}

std::optional<PackageSurvey> SurveySoundPackage(const std::u16string& path) {
  auto file = platform::File::OpenRead(path);
  if (!file) return std::nullopt;
  PackageSurvey survey = SurveyPackage(*file);
  if (!survey.readable || !survey.complete || !survey.consistent || survey.declaredBytes > cap::kMaxPackageInflatedBytes) {
    return std::nullopt;
  }
  return survey;
}

bool WriteEntryContent(PackageWriter& writer, const EntryInfo& source, const std::string& content,
                       const platform::LocalTime& now) {
  return writer.BeginEntry(NewEntryLike(source, content.size(), now)) &&
         writer.Write(reinterpret_cast<const uint8_t*>(content.data()), content.size()) && writer.EndEntry();
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
