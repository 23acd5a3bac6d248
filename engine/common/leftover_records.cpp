#include "engine/common/leftover_records.h"

#include "engine/common/capacities.h"
#include "engine/common/repair_journal.h"
#include "engine/platform/platform.h"

namespace qv {
namespace {

constexpr std::u16string_view kRecordSuffix = u".leftover";
constexpr int kMaxRecordNames = 1000;
constexpr uint64_t kMaxRecordBytes = 4 + 2ull * cap::kMaxJournalPathUnits + 1 + 16;

bool WriteRecord(const std::u16string& record, const LeftoverRecordContent& content, bool fresh) {
  const std::vector<uint8_t> bytes = SerializeLeftoverRecord(content);
  auto file = fresh ? platform::File::CreateExclusive(record) : platform::File::OpenReadWrite(record);
  return file && file->WriteAt(0, bytes.data(), bytes.size()) == bytes.size() && file->Flush();
}

}  // namespace

std::vector<uint8_t> SerializeLeftoverRecord(const LeftoverRecordContent& content) {
  std::vector<uint8_t> out;
  const auto units = static_cast<uint32_t>(content.path.size());
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(units >> (8 * i)));
  for (char16_t unit : content.path) {
    out.push_back(static_cast<uint8_t>(unit));
    out.push_back(static_cast<uint8_t>(unit >> 8));
  }
  out.push_back(content.identity ? 1 : 0);
  if (content.identity) {
    for (uint64_t v : {content.identity->first, content.identity->second}) {
      for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
  }
  return out;
}

std::optional<LeftoverRecordContent> ParseLeftoverRecord(ByteReader bytes) {
  ByteCursor at(bytes);
  const uint32_t units = at.U32();
  if (at.failed() || units == 0 || units > cap::kMaxJournalPathUnits || !bytes.Has(at.position(), 2ull * units)) {
    return std::nullopt;
  }
  LeftoverRecordContent content;
  for (uint32_t i = 0; i < units; ++i) content.path.push_back(static_cast<char16_t>(at.U16()));
  const uint8_t flag = at.U8();
  if (flag == 1) {
    uint64_t v[2] = {};
    for (auto& value : v) {
      const uint64_t low = at.U32();
      value = low | (uint64_t{at.U32()} << 32);
    }
    content.identity = std::make_pair(v[0], v[1]);
  }
  if (at.failed() || flag > 1 || at.position() != bytes.size()) return std::nullopt;
  return content;
}

std::optional<LeftoverRecord> LeftoverRecord::Before(const std::u16string& quarantineDir, const std::u16string& path) {
  const std::u16string folder = InProgressFolder(quarantineDir);
  platform::CreateFolder(folder);
  for (int n = 1; n <= kMaxRecordNames; ++n) {
    std::u16string record = folder + u"rebuild-";
    for (char c : std::to_string(n)) record.push_back(static_cast<char16_t>(c));
    record += kRecordSuffix;
    if (platform::GetPathKind(record) != platform::PathKind::Missing) continue;
    if (!WriteRecord(record, {path, std::nullopt}, true)) {
      platform::DeletePath(record);
      return std::nullopt;
    }
    if (!platform::FlushFolder(folder)) {
      platform::DeletePath(record);
      return std::nullopt;
    }
    return LeftoverRecord(std::move(record), path);
  }
  return std::nullopt;
}

void LeftoverRecord::Created() {
  if (record_.empty()) return;
  // Should this fail, the record still names the path; the next run then removes the file
  // only while it is empty (as creation left it).
  if (const auto identity = platform::FileIdentity(path_)) WriteRecord(record_, {path_, identity}, false);
}

LeftoverRecord::~LeftoverRecord() {
  if (!record_.empty()) platform::DeletePath(record_);
}

std::vector<std::u16string> RemoveRecordedLeftovers(const std::u16string& quarantineDir) {
  std::vector<std::u16string> removed;
  const std::u16string folder = InProgressFolder(quarantineDir);
  for (const auto& entry : platform::ListFolder(folder, u"*.leftover")) {
    if (entry.isFolder) continue;
    const std::u16string record = folder + entry.name;
    std::optional<LeftoverRecordContent> content;
    if (auto file = platform::File::OpenRead(record); file && file->Size() <= kMaxRecordBytes) {
      std::vector<uint8_t> bytes(static_cast<size_t>(file->Size()));
      if (file->ReadAt(0, bytes.data(), bytes.size()) == bytes.size()) {
        content = ParseLeftoverRecord(ByteReader(bytes.data(), bytes.size()));
      }
    }
    if (content && platform::IsRegularFile(content->path)) {
      bool ours = false;
      if (content->identity) {
        ours = platform::FileIdentity(content->path) == content->identity;
      } else if (auto file = platform::File::OpenRead(content->path)) {
        ours = file->Size() == 0;
      }
      if (ours && platform::DeletePath(content->path)) removed.push_back(content->path);
    }
    platform::DeletePath(record);
  }
  return removed;
}

}  // namespace qv
