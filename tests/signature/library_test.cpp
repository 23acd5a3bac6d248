// The library file: loading beside the program, deciphering, every check of the body, the
// bounds of records, and sorting.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "engine/common/byte_reader.h"
#include "engine/common/work_area.h"
#include "engine/signature/library_format.h"
#include "engine/signature/signature_set.h"
#include "tests/support/vlb/expression_builder.h"
#include "tests/support/vlb/vlb_builder.h"
#include "tests/support/system/system.h"

namespace qv {
namespace {

using namespace vlb;

constexpr char kTinySource[] = R"(
pattern 0x2 "Shell(" note "runs a program"
pattern 0x1 "AutoOpen" case
rule 0x10 "Macro.Tiny" = p(0x1) and p(0x2)
rule 0x05 "Macro.Other" disabled = 0.5
)";

// Recomputes the section and header checksums after a test changed the body on purpose.
void FixChecksums(std::vector<uint8_t>& body) {
  uint8_t* h = body.data();
  const auto crcOf = [&](size_t offsetField, size_t sizeField) {
    return LibraryCrc32(h + LoadU32(h + offsetField), LoadU32(h + sizeField));
  };
  StoreU32(h + kPatternCrcOffset, crcOf(kPatternOffsetOffset, kPatternSizeOffset));
  StoreU32(h + kRuleCrcOffset, crcOf(kRuleOffsetOffset, kRuleSizeOffset));
  StoreU32(h + kHeaderCrcOffset, LibraryCrc32(h, kHeaderCrcOffset));
}

bool Parses(const std::vector<uint8_t>& body) { return ParseSignatureBody(body.data(), body.size()) != nullptr; }
bool Builds(const std::vector<uint8_t>& image) { return BuildTablesFromImage(image.data(), image.size(), nullptr) != nullptr; }

TEST(SignatureLibrary, CompiledLibraryLoadsWithSortedRecords) {
  const std::vector<uint8_t> image = test::BuildLibrary(kTinySource);
  const auto tables = BuildTablesFromImage(image.data(), image.size(), nullptr);
  ASSERT_NE(tables, nullptr);
  const SignatureLibrary& lib = *tables->library;
  ASSERT_EQ(lib.patterns.size(), 2u);
  EXPECT_EQ(lib.patterns[0].id, 1u);
  EXPECT_EQ(lib.patterns[0].flags, kPatternFlagPresent | kPatternFlagCase);
  EXPECT_EQ(std::string(lib.patterns[1].pattern.begin(), lib.patterns[1].pattern.end()), "Shell(");
  EXPECT_EQ(std::string(lib.patterns[1].note.begin(), lib.patterns[1].note.end()), "runs a program");
  EXPECT_EQ(lib.patterns[1].recordSize, kPatternFixedBytes + 6 + 14);
  ASSERT_EQ(lib.rules.size(), 2u);
  EXPECT_EQ(lib.rules[0].name, "Macro.Other");
  EXPECT_FALSE(lib.rules[0].Enabled());
  EXPECT_EQ(lib.rules[1].name, "Macro.Tiny");
  EXPECT_TRUE(lib.rules[1].Enabled());
  EXPECT_EQ(lib.FindRule(0x10), 1);
  EXPECT_EQ(lib.FindRule(0x11), -1);
  EXPECT_EQ(lib.FindPattern(2), 1);
}

TEST(SignatureLibrary, RecordsStoredOutOfOrderAreSorted) {
  test::RawBodyWriter writer;
  writer.Pattern(30, 1, "ccc").Pattern(10, 1, "aaa").Pattern(20, 1, "bbb");
  writer.Rule(9, 1, "nine", test::Int(9)).Rule(3, 1, "three", test::Int(3)).Rule(0x7FFFFFFF, 1, "max", test::Int(1));
  const auto lib = ParseSignatureBody(writer.Body().data(), writer.Body().size());
  ASSERT_NE(lib, nullptr);
  EXPECT_EQ(lib->patterns[0].id, 10u);
  EXPECT_EQ(lib->patterns[1].id, 20u);
  EXPECT_EQ(lib->patterns[2].id, 30u);
  EXPECT_EQ(std::string(lib->patterns[0].pattern.begin(), lib->patterns[0].pattern.end()), "aaa");
  EXPECT_EQ(lib->rules[0].name, "three");
  EXPECT_EQ(lib->rules[1].name, "nine");
  EXPECT_EQ(lib->rules[2].name, "max");
}

TEST(SignatureLibrary, EmptyPatternLoadsAndTakesNoPartInMatching) {
  test::RawBodyWriter writer;
  writer.Pattern(1, 1, "").Pattern(2, 1, "xyz").Rule(1, 1, "R", test::Hit(2));
  const std::vector<uint8_t> image = writer.Image();
  const auto tables = BuildTablesFromImage(image.data(), image.size(), nullptr);
  ASSERT_NE(tables, nullptr);
  EXPECT_TRUE(tables->library->patterns[0].pattern.empty());
  EXPECT_EQ(tables->matcher->searcher.patterns.size(), 1u);
}

// Plain header bytes are never read: changing them does not matter. Every other change does.
TEST(SignatureLibrary, ChangedBytesDecideUsability) {
  const std::vector<uint8_t> image = test::BuildLibrary(kTinySource);
  const std::vector<uint8_t> body = DecipherLibraryBody(image.data(), image.size());
  const uint32_t patternAt = LoadU32(body.data() + kPatternOffsetOffset);
  const uint32_t ruleAt = LoadU32(body.data() + kRuleOffsetOffset);
  struct Case {
    const char* name;
    size_t imageOffset;  // byte of the file image to change
    bool usable;
  } cases[] = {
      {"banner date text", kFileBannerOffset + 40, true},
      {"header mark", 0, true},
      {"header file size", kFileSizeOffset, true},
      {"body magic", kFileHeaderBytes + kMagicOffset, false},
      {"body version (covered by the header checksum)", kFileHeaderBytes + kVersionOffset, false},
      {"body reserved area", kFileHeaderBytes + 60, false},
      {"header checksum itself", kFileHeaderBytes + kHeaderCrcOffset, false},
      {"pattern section", kFileHeaderBytes + patternAt + 30, false},
      {"rule section", kFileHeaderBytes + ruleAt + 14, false},
      {"last byte of the rule section", image.size() - 1, false},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> changed = image;
    changed[c.imageOffset] ^= 0x01;
    EXPECT_EQ(Builds(changed), c.usable) << c.name;
  }
  EXPECT_TRUE(Builds(image));
}

TEST(SignatureLibrary, ShortImagesAreUnusable) {
  const std::vector<uint8_t> image = test::BuildLibrary(kTinySource);
  for (size_t size : {size_t{0}, size_t{255}, kFileHeaderBytes, kFileHeaderBytes + kBodyHeaderBytes - 1, image.size() - 1}) {
    EXPECT_FALSE(Builds(std::vector<uint8_t>(image.begin(), image.begin() + size))) << size;
  }
  EXPECT_EQ(BuildTablesFromImage(nullptr, 1000, nullptr), nullptr);
}

// Bodies with valid checksums but inconsistent bounds: each must be refused, and never read
// outside the buffer (the sanitizer build checks the latter).
TEST(SignatureLibrary, InconsistentBoundsAreRefused) {
  const std::vector<uint8_t> body = test::BuildLibraryBody(kTinySource);
  const uint32_t patternAt = LoadU32(body.data() + kPatternOffsetOffset);
  const uint32_t ruleAt = LoadU32(body.data() + kRuleOffsetOffset);
  const uint32_t ruleSize = LoadU32(body.data() + kRuleSizeOffset);
  struct Case {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> change;
  } cases[] = {
      {"total size beyond the data", [&](auto& b) { StoreU32(&b[kTotalSizeOffset], uint32_t(b.size() + 1)); }},
      {"pattern offset beyond the total (would wrap)",
       [&](auto& b) { StoreU32(&b[kPatternOffsetOffset], 0xFFFFFF00u); StoreU32(&b[kPatternSizeOffset], 0); }},
      {"rule section past the total", [&](auto& b) { StoreU32(&b[kRuleSizeOffset], ruleSize + 1); }},
      {"pattern length past its section (into the rule section)",
       [&](auto& b) { StoreU32(&b[patternAt + 12], 200); }},
      {"note length past its section", [&](auto& b) { StoreU32(&b[patternAt + 16], 0xFFFFFFF0u); }},
      {"rule name past its section", [&](auto& b) { StoreU32(&b[ruleAt + 8], ruleSize); }},
      {"more pattern records than the section holds", [&](auto& b) { StoreU32(&b[kPatternCountOffset], 3); }},
      {"more rule records than the section holds", [&](auto& b) { StoreU32(&b[kRuleCountOffset], 3); }},
      {"absurd record count", [&](auto& b) { StoreU32(&b[kRuleCountOffset], 0xFFFFFFFFu); }},
      {"pattern section shrunk below its records",
       [&](auto& b) { StoreU32(&b[kPatternSizeOffset], ruleAt - patternAt - 1); }},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> changed = body;
    c.change(changed);
    FixChecksums(changed);
    EXPECT_FALSE(Parses(changed)) << c.name;
  }
  std::vector<uint8_t> unchanged = body;
  FixChecksums(unchanged);
  EXPECT_TRUE(Parses(unchanged));
  EXPECT_FALSE(Parses(std::vector<uint8_t>(body.begin(), body.begin() + kBodyHeaderBytes - 1)));
  EXPECT_EQ(ParseSignatureBody(nullptr, 500), nullptr);
}

TEST(SignatureLibrary, ExpressionRunningPastTheRuleSectionIsRefused) {
  test::RawBodyWriter writer;
  writer.Pattern(1, 1, "abc").Rule(1, 1, "R", test::Int(1));
  std::vector<uint8_t> body = writer.Body();
  const uint32_t ruleAt = LoadU32(body.data() + kRuleOffsetOffset);
  StoreU32(&body[ruleAt + kRuleFixedBytes + 1], 9);  // expression length 8 -> 9, one past the end
  FixChecksums(body);
  EXPECT_FALSE(Parses(body));
}

TEST(SignatureLibrary, LoadsTheFileBesideTheProgram) {
#ifdef _WIN32
  EXPECT_EQ(LibraryPathBeside(u"C:\\Quorvane\\Quorvane.exe"), u"C:\\Quorvane\\qzmacro.vlb");
#else
  EXPECT_EQ(LibraryPathBeside(u"/opt/quorvane/bin/Quorvane"), u"/opt/quorvane/bin/qzmacro.vlb");
#endif
  EXPECT_EQ(LibraryPathBeside(u"Quorvane"), u"qzmacro.vlb");

  const auto folder = qv::test::MakeScratchFolder();
  const std::u16string path = (folder / "qzmacro.vlb").u16string();
  std::vector<uint8_t> image;
  EXPECT_EQ(LoadLibraryFile(path, image), kLibraryMissing);

  const std::vector<uint8_t> library = test::BuildLibrary(kTinySource);
  ASSERT_TRUE(test::WriteLibraryBeside(folder.string(), library));
  EXPECT_EQ(LoadLibraryFile(path, image), kLibraryLoaded);
  EXPECT_EQ(image, library);
  std::filesystem::remove_all(folder);
}

TEST(SignatureLibrary, BuildSignatureTablesReleasesTheImageEitherWay) {
  for (bool damaged : {false, true}) {
    auto owned = std::make_unique<WorkArea>();  // large: the reader tables live inside
    WorkArea& area = *owned;
    area.libraryImage = test::BuildLibrary(kTinySource);
    if (damaged) area.libraryImage.back() ^= 0xFF;
    EXPECT_EQ(BuildSignatureTables(area, nullptr), !damaged);
    EXPECT_EQ(area.tables != nullptr, !damaged);
    EXPECT_TRUE(area.libraryImage.empty());
    ReleaseSignatureTables(area);
    EXPECT_EQ(area.tables, nullptr);
    ReleaseSignatureTables(area);  // safe to repeat
  }
}

}  // namespace
}  // namespace qv
