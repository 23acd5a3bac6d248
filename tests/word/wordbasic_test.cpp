// WordBasic macros of Word 6.0/95 documents: the macro table walk (names, key bytes, damaged
// tables) and whole engine calls (the finding, the described repair, nothing for damage).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/include/scanvirus.h"
#include "engine/office/word6_macros.h"
#include "tests/support/engine/program_folder.h"
#include "tests/support/vlb/vlb_builder.h"
#include "writers/cfb/compound_writer.h"
#include "writers/word/word6_writer.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;
using writers::Bytes;
using writers::Word6Document;
using writers::Word6Stream;
using qv::test::kTestSignatureName;
using qv::test::kTestSignatureText;

Bytes TextBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Token bytes around readable literals, as a tokenised macro holds them.
Bytes MacroBody(const std::string& literal) {
  Bytes body = {0x01, 0x00, 0x67, 0x2A, 0x00, 0x69, static_cast<uint8_t>(literal.size())};
  for (char c : literal) body.push_back(static_cast<uint8_t>(c));
  body.insert(body.end(), {0x64, 0x70, 0x00});
  return body;
}

Word6Document TwoMacros(uint8_t firstKey) {
  Word6Document doc;
  doc.text = "A Word 6 document with two macros.";
  doc.macros = {{"AutoOpen", firstKey, MacroBody("Greetings")}, {"Tidy", 0, MacroBody("Tidy up")}};
  return doc;
}

struct Visit {
  std::string name;
  uint8_t key;
  std::string text;
};

std::vector<Visit> Walk(const Bytes& stream) {
  std::vector<Visit> out;
  ForEachWordBasicMacro(ByteReader(stream.data(), stream.size()), [&](const WordBasicMacro& m, std::string_view text) {
    out.push_back({m.name, m.key, std::string(text)});
  });
  return out;
}

std::string Expected(const std::string& name, const Bytes& body) {
  return "WordBasic macro " + name + "\r\n" + std::string(body.begin(), body.end());
}

TEST(WordBasicTableTest, EachMacroComesWithItsNameAndItsDecodedText) {
  for (const uint8_t key : {uint8_t{0x00}, uint8_t{0x5A}, uint8_t{0xFF}}) {
    const Word6Document doc = TwoMacros(key);
    const Word6Stream stream = BuildWord6Stream(doc);
    if (key != 0) {  // the stored text really is keyed
      const auto& stored = stream.bytes;
      EXPECT_EQ(stored[stream.textOffsets[0]], static_cast<uint8_t>(doc.macros[0].text[0] ^ key));
    }
    const auto visits = Walk(stream.bytes);
    ASSERT_EQ(visits.size(), 2u) << int(key);
    EXPECT_EQ(visits[0].name, "AutoOpen");
    EXPECT_EQ(visits[0].key, key);
    EXPECT_EQ(visits[0].text, Expected("AutoOpen", doc.macros[0].text));
    EXPECT_EQ(visits[1].text, Expected("Tidy", doc.macros[1].text));
  }
}

TEST(WordBasicTableTest, LongTextIsCutAtTheMacroTextCapacity) {
  Word6Document doc;
  doc.macros = {{"Long", 0x11, Bytes(40000, 'x')}};
  const auto visits = Walk(BuildWord6Stream(doc).bytes);
  ASSERT_EQ(visits.size(), 1u);
  EXPECT_EQ(visits[0].text.size(), std::string("WordBasic macro Long\r\n").size() + 36864);
}

// Damage done to a well-formed stream, and how many macros the walk still visits.
struct DamageCase {
  const char* name;
  void (*damage)(Word6Stream&);
  size_t visited;
};

void SetU16(Bytes& b, size_t at, uint16_t v) { writers::SetU16(b, at, v); }
void SetU32(Bytes& b, size_t at, uint32_t v) { writers::SetU32(b, at, v); }

const DamageCase kDamage[] = {
    {"count past the table length",
     [](Word6Stream& s) { SetU16(s.bytes, s.tableOffset + 2, 60); }, 0},
    {"table length cuts the descriptor list",
     [](Word6Stream& s) { SetU32(s.bytes, writers::word6::kMacroTableLength, 4 + 24 + 10); }, 0},
    {"table length cuts a name record",
     [](Word6Stream& s) { SetU32(s.bytes, writers::word6::kMacroTableLength, s.tableLength - 4); }, 0},
    {"table past the stream",
     [](Word6Stream& s) { SetU32(s.bytes, writers::word6::kMacroTableOffset, static_cast<uint32_t>(s.bytes.size() - 8)); }, 0},
    {"table length past the stream",
     [](Word6Stream& s) { SetU32(s.bytes, writers::word6::kMacroTableLength, 0xFFFFFFF0u); }, 0},
    {"unknown record type",
     [](Word6Stream& s) { s.bytes[s.tableOffset + 1] = 0x7E; }, 0},
    {"no version byte",
     [](Word6Stream& s) { s.bytes[s.tableOffset] = 0x00; }, 0},
    {"first text past the stream",
     [](Word6Stream& s) {
       SetU32(s.bytes, s.tableOffset + 4 + writers::word6::kDescriptorTextOffset, static_cast<uint32_t>(s.bytes.size() - 3));
     }, 0},
    {"second text past the stream",
     [](Word6Stream& s) {
       SetU32(s.bytes, s.tableOffset + 4 + 24 + writers::word6::kDescriptorTextLength, 0x7FFFFFFF);
       SetU32(s.bytes, s.tableOffset + 4 + 24 + writers::word6::kDescriptorTextOffset, 0xFFFFFF00u);
     }, 1},
};

TEST(WordBasicTableTest, DamagedTablesEndTheWalk) {
  for (const auto& c : kDamage) {
    Word6Stream stream = BuildWord6Stream(TwoMacros(0x5A));
    c.damage(stream);
    EXPECT_EQ(Walk(stream.bytes).size(), c.visited) << c.name;
  }
}

TEST(WordBasicTableTest, TableWithoutEndMarkerStillGivesItsMacros) {
  Word6Stream stream = BuildWord6Stream(TwoMacros(0));
  SetU32(stream.bytes, writers::word6::kMacroTableLength, stream.tableLength - 1);  // the 0x40 left out
  EXPECT_EQ(Walk(stream.bytes).size(), 2u);
}

// ---- whole engine calls --------------------------------------------------------------------

class WordBasicEngineTest : public ::testing::Test {
 protected:
  Word6Document Infected() {
    Word6Document doc;
    doc.text = "Quarterly report";
    doc.macros = {{"Tidy", 0, MacroBody("Tidy up")},
                  {"AutoOpen", 0x3C, MacroBody(std::string("REM ") + kTestSignatureText)}};
    return doc;
  }
  fs::path Place(const Bytes& bytes) {
    const fs::path path = docs_ / "Report.doc";
    WriteFile(path, bytes);
    return path;
  }
  ProgramFolder program_;
  TempDir docs_;
};

// Where the WordDocument stream lies in the file: the stream is written contiguously, so
// its first 16 bytes (FIB start) find it.
size_t StreamStart(const Bytes& file, const Bytes& stream) {
  const auto at = std::search(file.begin(), file.end(), stream.begin(), stream.begin() + 0x40);
  return static_cast<size_t>(at - file.begin());
}

TEST_F(WordBasicEngineTest, KeyedMacroIsFoundAndTheDocumentRepairedInPlace) {
  const Word6Document doc = Infected();
  const Word6Stream stream = BuildWord6Stream(doc);
  const Bytes original = BuildWord6Document(doc);
  const fs::path path = Place(original);

  const ExportCall call = CallScanFileVirus(U16(path), 1);
  EXPECT_EQ(call.text, U16(std::string(kTestSignatureName)));
  EXPECT_NE(program_.ReadLog().find("  Macro.Test.Signature , killed\n"), std::string::npos) << program_.ReadLog();

  const Bytes repaired = ReadFile(path);
  ASSERT_EQ(repaired.size(), original.size());
  const size_t base = StreamStart(original, stream.bytes);
  ASSERT_LT(base, original.size());
  // the table length is 2 and the table starts with the empty command table
  EXPECT_EQ(repaired[base + writers::word6::kMacroTableLength], 2);
  EXPECT_EQ(repaired[base + stream.tableOffset], 0xFF);
  EXPECT_EQ(repaired[base + stream.tableOffset + 1], 0x40);
  // the test string is gone from the whole file, keyed or not
  const std::string text(repaired.begin(), repaired.end());
  const std::string keyed = [&] {
    std::string k(kTestSignatureText);
    for (auto& c : k) c = static_cast<char>(c ^ 0x3C);
    return k;
  }();
  EXPECT_EQ(text.find(keyed), std::string::npos);
  // a second scan finds nothing; the quarantine copy gives the original back
  EXPECT_EQ(CallScanFileVirus(U16(path), 1).text, u"");
  const fs::path restored = docs_ / "restored.doc";
  ASSERT_EQ(ReVirFile(Sv(U16(program_.quarantine() / "Report.doc.vir")), Sv(U16(restored))), 1);
  EXPECT_EQ(ReadFile(restored), original);
}

TEST_F(WordBasicEngineTest, ReportOnlyLeavesTheDocumentAsItIs) {
  const Bytes original = BuildWord6Document(Infected());
  const fs::path path = Place(original);
  EXPECT_EQ(CallScanFileVirus(U16(path), 0).text, U16(std::string(kTestSignatureName)));
  EXPECT_EQ(ReadFile(path), original);
}

TEST_F(WordBasicEngineTest, DamagedTableGivesNoFindingAndNoWrite) {
  for (const auto& c : kDamage) {
    if (c.visited != 0) continue;
    Word6Stream stream = BuildWord6Stream(Infected());
    c.damage(stream);
    writers::CfbBuilder writer;
    writer.AddStream("WordDocument", stream.bytes);
    const Bytes original = writer.Build();
    const fs::path path = Place(original);
    EXPECT_EQ(CallScanFileVirus(U16(path), 1).text, u"") << c.name;
    EXPECT_EQ(ReadFile(path), original) << c.name;
    EXPECT_FALSE(Exists(program_.quarantine() / "Report.doc.vir")) << c.name;
  }
}

TEST_F(WordBasicEngineTest, Word97DocumentsAreNotReadAsWordBasic) {
  // The same stream under the Word 97 identifier: its macro table fields mean something else.
  Word6Document doc = Infected();
  doc.wIdent = 0xA5EC;
  const fs::path path = Place(BuildWord6Document(doc));
  EXPECT_EQ(CallScanFileVirus(U16(path), 0).text, u"");
}

}  // namespace
}  // namespace qv::test
