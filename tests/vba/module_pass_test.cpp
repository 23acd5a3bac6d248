// The module pass over built documents: which streams are searched, in which order, what
// reaches the matcher, and a pass that goes on while a repair changes the file under it.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/flow/report.h"
#include "engine/signature/signature_tables.h"
#include "engine/storage/cfb_layout.h"
#include "engine/storage/compound_file.h"
#include "engine/storage/vba_modules.h"
#include "engine/storage/vba_source_search.h"
#include "engine/storage/writer.h"
#include "tests/support/doc/doc_harness.h"
#include "tests/support/bytes/test_bytes.h"
#include "writers/cfb/compound_writer.h"
#include "tests/support/ovba/module_stream.h"
#include "writers/ovba/compressor.h"
#include "writers/ovba/vba_project.h"
#include "tests/support/vlb/vlb_builder.h"

namespace qv::test {
namespace {

using qv::writers::ByteRange;
using qv::writers::CfbBuilder;
using qv::writers::CfbFile;
namespace cfbc = qv::writers::cfbc;

using Bytes = std::vector<uint8_t>;

// Every judged text carries one marker; each marker has a rule named after it.
constexpr const char* kMarkers[] = {"THISDOC", "MODULE1", "EMBEDDED", "LASTCLEAN", "BIG",
                                    "REWRITTEN", "DIRSTREAM", "NOATTRIBUTE", "CACHE", "NOTFIRST"};

std::string LibrarySource() {
  std::string source;
  int id = 1;
  for (const char* marker : kMarkers) {
    source += "pattern " + std::to_string(id) + " \"MARK-" + marker + "\" case\n";
    source += "rule " + std::to_string(id) + " \"Mark." + marker + "\" = p(" + std::to_string(id) + ")\n";
    ++id;
  }
  return source;
}

// One report: the rule and the entry the pass was examining.
struct Report {
  std::string rule;
  uint32_t entry;
  bool operator==(const Report&) const = default;
};

// What the matcher's report callback does; set per test.
struct Recorder {
  DocFile* doc = nullptr;
  std::vector<Report> reports;
  std::function<void(const std::string& rule)> onReport;
};
Recorder* gRecorder = nullptr;

bool RecordReport(const char* ruleName, WorkArea&) {
  gRecorder->reports.push_back({ruleName, gRecorder->doc->ScanCursor});
  if (gRecorder->onReport) gRecorder->onReport(ruleName);
  return true;
}

Bytes Packed(std::string_view text, ovba::ChunkMode mode = ovba::ChunkMode::Auto) {
  return ovba::Compress(text, mode).bytes;
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A Word-like document whose project lies in "Macros", with streams elsewhere that hold
// module source or look like it.
struct BuiltDocument {
  CfbFile file;
  std::string lastCleanText;  // the clean last candidate of "Other/LastClean"
};

BuiltDocument BuildDocument() {
  CfbBuilder b;
  b.AddStream("WordDocument", Concat({0xEC, 0xA5}, PatternBytes(3000, 7)));
  ovba::VbaProject project = ovba::BuildVbaProject({
      {"ThisDocument", ovba::ModuleSource("ThisDocument", "' MARK-THISDOC\r\n"), ovba::ModuleKind::Document,
       ovba::FakePerformanceCache()},
      {"Module1", ovba::ModuleSource("Module1", "Sub AutoOpen()\r\n' MARK-MODULE1\r\nEnd Sub\r\n"),
       ovba::ModuleKind::Procedural, ovba::FakePerformanceCache()},
  });
  for (const ovba::ProjectStream& s : project.streams) {
    Bytes bytes = s.bytes;
    // A "dir" stream that would be judged by content: only its name keeps it out.
    if (s.path == "VBA/dir") bytes = Packed(ovba::ModuleSource("dir", "' MARK-DIRSTREAM\r\n"));
    b.AddStream("Macros/" + s.path, bytes);
  }
  b.AddStream("ObjectPool/_1/Contents",
              ovba::BuildModuleStream(ovba::ModuleSource("Embedded", "' MARK-EMBEDDED\r\n")).bytes);
  b.AddStream("Other/DIR", Packed(ovba::ModuleSource("DIR", "' MARK-DIRSTREAM\r\n")));
  // Module source, but the stream does not begin with 0x01: not searched.
  b.AddStream("Other/NotFirst", Concat({0x00}, Packed(ovba::ModuleSource("NotFirst", "' MARK-NOTFIRST\r\n"))));
  // Text without "Attribute" whose last candidate fails: not judged.
  b.AddStream("Other/NoAttribute", Concat(Packed("Rem MARK-NOATTRIBUTE\r\n"), {0x01, 0xFF, 0xBF, 0x00}));
  // A false candidate in a cache before a clean non-source container: the last one is judged.
  const std::string lastClean = "Rem MARK-LASTCLEAN\r\n";
  b.AddStream("Other/LastClean",
              Concat(Concat({0x01, 0x00, 0x00}, Packed("Rem MARK-CACHE\r\n")),
                     Concat({0x01, 0x02, 0xB0, 0x01, 0x00, 0x00}, Packed(lastClean, ovba::ChunkMode::LiteralsOnly))));
  std::string big;  // varied enough to stay a regular stream once compressed
  for (uint32_t i = 0; big.size() < 30000; ++i) big += "    n = n + " + std::to_string(i * 7919 % 100003) + "\r\n";
  b.AddStream("Big", ovba::BuildModuleStream(ovba::ModuleSource("Big", big + "' MARK-BIG\r\n")).bytes);
  return {b.BuildFile(), lastClean};
}

class ModulePassTest : public ::testing::TestWithParam<ReadMode> {
 protected:
  void SetUp() override {
    built_ = BuildDocument();
    harness_ = std::make_unique<DocHarness>(built_.file.bytes, GetParam());
    ASSERT_EQ(harness_->Open(), 1);
    WorkArea& area = harness_->area();
    area.libraryImage = BuildLibrary(LibrarySource());
    ASSERT_TRUE(BuildSignatureTables(area, RecordReport));
    AttachWorkArea(*area.tables, area);
    recorder_.doc = &harness_->doc();
    gRecorder = &recorder_;
  }
  void TearDown() override {
    gRecorder = nullptr;
    if (harness_) ReleaseSignatureTables(harness_->area());
  }

  uint32_t Id(const char* path) const { return built_.file.IdOf(path); }
  DocFile& doc() { return harness_->doc(); }
  void RunPass() { ScanVbaModules(doc(), *harness_->area().tables); }

  BuiltDocument built_;
  std::unique_ptr<DocHarness> harness_;
  Recorder recorder_;
};

TEST_P(ModulePassTest, JudgesEveryStreamButDirInDirectoryOrder) {
  RunPass();
  std::vector<Report> expected = {
      {"Mark.THISDOC", Id("Macros/VBA/ThisDocument")},
      {"Mark.MODULE1", Id("Macros/VBA/Module1")},
      {"Mark.EMBEDDED", Id("ObjectPool/_1/Contents")},
      {"Mark.LASTCLEAN", Id("Other/LastClean")},
      {"Mark.BIG", Id("Big")},
  };
  std::sort(expected.begin(), expected.end(), [](const Report& a, const Report& b) { return a.entry < b.entry; });
  EXPECT_EQ(recorder_.reports, expected);
  EXPECT_EQ(doc().ScanCursor, doc().DirCount);
}

TEST_P(ModulePassTest, ExtractsTheExactSourceAndReleasesTheStream) {
  const uint32_t before = harness_->area().allocations.Count();
  const uint32_t module1 = Id("Macros/VBA/Module1");
  const std::string source = ovba::ModuleSource("Module1", "Sub AutoOpen()\r\n' MARK-MODULE1\r\nEnd Sub\r\n");
  const uint32_t length = ExtractModuleSource(doc(), module1, built_.file.entries[module1].size);
  EXPECT_EQ(std::string(doc().sourceText, doc().sourceText + length), source);
  EXPECT_EQ(harness_->area().allocations.Count(), before) << "module block not released";

  // Nothing to judge: no entry, a storage, a stream not starting with 0x01, an id past the table.
  for (uint32_t id : {cfb::kNoStream, Id("Macros/VBA"), Id("WordDocument"), doc().DirCount}) {
    EXPECT_EQ(ExtractModuleSource(doc(), id, 4096), 0u) << id;
  }
  EXPECT_EQ(harness_->area().allocations.Count(), before);
}

// Writes `bytes` over stream `id` where the file holds it.
void PutStreamBytes(CfbFile& file, uint32_t id, const Bytes& bytes) {
  size_t at = 0;
  for (const ByteRange& range : file.StreamRanges(id)) {
    std::copy_n(bytes.begin() + static_cast<ptrdiff_t>(at), range.length,
                file.bytes.begin() + static_cast<ptrdiff_t>(range.offset));
    at += range.length;
  }
}

// A module stream whose container (at `containerOffset`) gets a second chunk header that
// claims more bytes than follow: its first chunk decodes, then the decompression fails.
Bytes DamageSecondChunk(Bytes stream, size_t containerOffset) {
  const size_t firstHeader = containerOffset + 1;
  const size_t secondHeader = firstHeader + (LoadU16(&stream[firstHeader]) & 0x0FFF) + 3;
  StoreU16(&stream[secondHeader], 0xBFFF);
  return stream;
}

TEST_P(ModulePassTest, StreamWhoseSizeOverstatesItsChainIsSearchedAsFarAsItReads) {
  // "Big" claims 9,000,000 bytes but its chain holds far fewer: the source is still found
  // with its own length; damaged after its first chunk, it is judged with the claimed size
  // (capped at the text buffer), as any damaged source is.
  const uint32_t big = Id("Big");
  ASSERT_FALSE(built_.file.entries[big].mini);
  const Bytes intact = built_.file.StreamBytes(big);
  const Bytes damaged = DamageSecondChunk(intact, ovba::FakePerformanceCache().size());
  Bytes text(cap::kSourceTextBytes);
  const uint32_t sourceLength =
      FindModuleSource(ByteReader(intact.data(), intact.size()), static_cast<uint32_t>(intact.size()), text);
  ASSERT_GT(sourceLength, 30000u);

  for (const auto& [stream, expected] : {std::pair{intact, sourceLength},
                                         std::pair{damaged, static_cast<uint32_t>(cap::kSourceTextBytes)}}) {
    CfbFile file = built_.file;
    file.SetEntryU32(big, cfbc::kSize, 9000000);
    PutStreamBytes(file, big, stream);
    ASSERT_TRUE(harness_->Load(file.bytes.data(), file.bytes.size(), GetParam()));
    ASSERT_EQ(harness_->Open(), 1);
    EXPECT_EQ(ExtractModuleSource(doc(), big, 9000000), expected);
    EXPECT_TRUE(std::equal(text.begin(), text.begin() + 4096, doc().sourceText));
  }
}

TEST_P(ModulePassTest, GoesOnOverTheFileAfterARepairChangedIt) {
  // The first report repairs the way the document handlers do: memory mode is left, a later
  // stream is zero-filled in place, and (standing for any other write) the bytes of another
  // later stream are rewritten on disk. The pass must see both changes.
  const uint32_t embedded = Id("ObjectPool/_1/Contents");
  const uint32_t lastClean = Id("Other/LastClean");
  const Bytes original = built_.file.StreamBytes(lastClean);
  std::string rewrittenText = built_.lastCleanText;
  rewrittenText.replace(rewrittenText.find("LASTCLEAN"), 9, "REWRITTEN");
  Bytes rewritten = original;
  const Bytes oldTail = Packed(built_.lastCleanText, ovba::ChunkMode::LiteralsOnly);
  const Bytes newTail = Packed(rewrittenText, ovba::ChunkMode::LiteralsOnly);
  ASSERT_EQ(oldTail.size(), newTail.size());
  std::copy(newTail.begin(), newTail.end(), rewritten.end() - static_cast<ptrdiff_t>(newTail.size()));

  bool repaired = false;
  recorder_.onReport = [&](const std::string&) {
    if (repaired) return;
    repaired = true;
    LeaveMemoryMode(doc());
    ASSERT_EQ(WipeEntryStream(doc(), embedded), 1);
    size_t at = 0;
    for (const ByteRange& range : built_.file.StreamRanges(lastClean)) {
      ASSERT_EQ(WriteAt(harness_->area(), static_cast<uint32_t>(range.offset), rewritten.data() + at,
                        static_cast<uint32_t>(range.length)),
                range.length);
      at += range.length;
    }
  };
  RunPass();
  std::vector<std::string> rules;
  for (const Report& r : recorder_.reports) rules.push_back(r.rule);
  EXPECT_EQ(rules, (std::vector<std::string>{"Mark.THISDOC", "Mark.MODULE1", "Mark.REWRITTEN", "Mark.BIG"}));
  EXPECT_EQ(doc().ScanCursor, doc().DirCount);
}

TEST_P(ModulePassTest, AbandonedScanLeavesTheCursorAtTheStreamAndNoBlockBehind) {
  const uint32_t before = harness_->area().allocations.Count();
  recorder_.onReport = [](const std::string&) { throw DocumentAbandoned{}; };
  EXPECT_THROW(RunPass(), DocumentAbandoned);
  EXPECT_EQ(doc().ScanCursor, Id("Macros/VBA/ThisDocument"));
  EXPECT_EQ(harness_->area().allocations.Count(), before);
}

INSTANTIATE_TEST_SUITE_P(Modes, ModulePassTest, ::testing::Values(ReadMode::File, ReadMode::Memory),
                         [](const auto& info) { return info.param == ReadMode::File ? "File" : "Memory"; });

}  // namespace
}  // namespace qv::test
