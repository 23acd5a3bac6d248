// The signature compiler: formulas to bytes, the file it writes, compile -> dump -> compile,
// and errors with file and line for bad sources (which never give a library).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "engine/common/byte_reader.h"
#include "engine/signature/library_format.h"
#include "engine/signature/signature_library.h"
#include "tests/support/vlb/expression_builder.h"
#include "tests/support/vlb/vlb_builder.h"
#include "tools/vlb/compiler.h"
#include "tests/support/system/system.h"

namespace qv {
namespace {

using namespace test;
using namespace expr;

// The expression bytes of a one-rule library whose patterns are 1, 2 and 3.
Expr Compiled(const std::string& formula) {
  const vlbc::LibrarySource source =
      ParseLibrarySource("pattern 1 \"a\"\npattern 2 \"b\"\npattern 3 \"c\"\nrule 7 \"R\" = " + formula + "\n");
  return source.rules.at(0).expression;
}

TEST(VlbcFormula, CompilesToThePrefixEncoding) {
  struct Case {
    const char* formula;
    Expr bytes;
  } cases[] = {
      {"(p(1) + p(2) + p(3)) / 3", Op(kQuotient, {Op(kSum, {Hit(1), Hit(2), Hit(3)}), Int(3)})},
      {"1 + 2 * 3", Op(kSum, {Int(1), Op(kProduct, {Int(2), Int(3)})})},
      {"1 - 2 - 3", Op(kDifference, {Int(1), Int(2), Int(3)})},
      {"(1 - 2) - 3", Op(kDifference, {Op(kDifference, {Int(1), Int(2)}), Int(3)})},
      {"1 + 2 - 3", Op(kDifference, {Op(kSum, {Int(1), Int(2)}), Int(3)})},
      {"p(1) or p(2) and not p(3)", Op(kOr, {Hit(1), Op(kAnd, {Hit(2), Op(kNot, {Hit(3)})})})},
      {"p(1) xor p(2) xor p(3)", Op(kXor, {Hit(1), Hit(2), Hit(3)})},
      {"p(1) + p(2) >= 2 and r(7) < 0.5",
       Op(kAnd, {Op(kGreaterEqual, {Op(kSum, {Hit(1), Hit(2)}), Int(2)}), Op(kLess, {Ref(7), Double(0.5)})})},
      {"1 > 0", Op(kGreater, {Int(1), Int(0)})},
      {"1 == 0 or 1 <= 0", Op(kOr, {Op(kEqual, {Int(1), Int(0)}), Op(kLessEqual, {Int(1), Int(0)})})},
      {"-2147483648", Int(INT32_MIN)},
      {"2147483648", Double(2147483648.0)},
      {"0x10", Int(16)},
      {"-0.25", Double(-0.25)},
      {"1e-3", Double(0.001)},
      {"true", Truth(1)},
      {"truth(7)", Truth(7)},
      {"single(-1.5)", Single(-1.5f)},
      {"node(0x20)", Op(kSum, {})},
      {"node(0x41, 1, p(2))", Op(0x41, {Int(1), Hit(2)})},
      {"not (p(1))", Op(kNot, {Hit(1)})},
  };
  for (const Case& c : cases) EXPECT_EQ(Compiled(c.formula), c.bytes) << c.formula;
}

std::string FirstError(const std::string& source) {
  const vlbc::CompileResult result = vlbc::CompileSources({{"bad.vls", source}}, FixedLibraryTime());
  EXPECT_TRUE(result.image.empty()) << source;
  return result.errors.empty() ? std::string() : result.errors.front();
}

TEST(VlbcErrors, BadSourcesNameFileAndLineAndGiveNoLibrary) {
  struct Case {
    const char* source;
    const char* message;  // expected to contain "bad.vls:<line>: error: " + this
  } cases[] = {
      {"pattern 1 \"a\"\nrule 1 \"R\" = p(2)\n", "bad.vls:2: error: unknown pattern 0x2"},
      {"pattern 1 \"a\"\nrule 1 \"R\" = r(9)\n", "bad.vls:2: error: unknown rule 0x9"},
      {"pattern 1 \"a\"\n\npattern 0x1 \"b\"\n", "bad.vls:3: error: duplicate pattern identifier 0x1 (first defined at bad.vls:1)"},
      {"pattern 1 \"a\"\nrule 4 \"R\" = 1\nrule 4 \"S\" = 2\n", "bad.vls:3: error: duplicate rule identifier 0x4"},
      {"pattern 1 \"a\"\nrule 1 \"R\" = (p(1) + \n", "bad.vls:2: error: unexpected 'end of line'"},
      {"pattern 1 \"a\"\nrule 1 \"R\" = p(1) p(1)\n", "bad.vls:2: error: unexpected 'p' in formula"},
      {"rule 1 \"R\" = 1 < 2 < 3\n", "bad.vls:1: error: comparisons do not chain"},
      {"rule 1 \"R\" =\n", "bad.vls:1: error: empty formula"},
      {"rule 1 \"R\" 1\n", "bad.vls:1: error: unknown rule option '1'"},
      {"pattern 1 \"abc\n", "bad.vls:1: error: text without closing quote"},
      {"pattern 1 \"a\\q\"\n", "bad.vls:1: error: unknown escape \\q"},
      {"pattern 1 \"\xF0\x9F\x98\x80\"\n", "bad.vls:1: error: character U+1F600 is not in code page 936"},
      {"pattern 1 \"\"\n", "bad.vls:1: error: empty pattern text"},
      {"pattern 1 \"a\" loud\n", "bad.vls:1: error: unknown pattern option 'loud'"},
      {"pattern 4294967296 \"a\"\n", "bad.vls:1: error: bad pattern identifier"},
      {"signature 1\n", "bad.vls:1: error: expected 'pattern' or 'rule'"},
      {"# fine\npattern 1 \"a\" \\\n  note \"n\"\nrule 1 \"R\" = -p(1)\n", "bad.vls:4: error: a minus sign stands only before a number"},
      {"rule 1 \"R\" = hex 2000000\n", "bad.vls:1: error: hex expression needs pairs of hex digits"},
  };
  for (const Case& c : cases) EXPECT_NE(FirstError(c.source).find(c.message), std::string::npos)
      << "source: " << c.source << "\ngot: " << FirstError(c.source);
}

TEST(VlbcErrors, EveryBadRecordIsReported) {
  const vlbc::CompileResult result =
      vlbc::CompileSources({{"a.vls", "pattern 1 \"x\"\nrule 1 \"R\" = p(5)\n"}, {"b.vls", "pattern 1 \"y\"\nbogus\n"}},
                           FixedLibraryTime());
  ASSERT_EQ(result.errors.size(), 3u);
  EXPECT_NE(result.errors[0].find("b.vls:1:"), std::string::npos);
  EXPECT_NE(result.errors[1].find("b.vls:2:"), std::string::npos);
  EXPECT_NE(result.errors[2].find("a.vls:2:"), std::string::npos);
}

TEST(VlbcFile, HeaderBannerAndCodePage936Text) {
  const std::vector<uint8_t> image = BuildLibrary("pattern 1 \"病毒\\x00\\\\\" note \"宏\"\nrule 1 \"病毒.Test\" = p(1)\n");
  ASSERT_GT(image.size(), vlb::kFileHeaderBytes);
  EXPECT_TRUE(std::equal(std::begin(vlb::kFileMark), std::end(vlb::kFileMark), image.begin()));
  EXPECT_EQ(LoadU32(&image[vlb::kFileSizeOffset]), image.size());
  EXPECT_EQ(LoadU16(&image[vlb::kFileTimeOffset]), 2015);
  const std::string banner(reinterpret_cast<const char*>(&image[vlb::kFileBannerOffset]));
  EXPECT_EQ(banner.rfind("\r\n", 0), 0u);
  EXPECT_NE(banner.find("\r\nFile name: QZDATA.VLB\r\n"), std::string::npos);
  EXPECT_NE(banner.find("\r\nFile size: " + std::to_string(image.size()) + "\r\n"), std::string::npos);
  EXPECT_NE(banner.find("\r\nCreated date: 2015.12.23\r\n"), std::string::npos);
  EXPECT_EQ(std::count(banner.begin(), banner.end(), '\n'), 6);  // leading line end + five lines

  const std::vector<uint8_t> body = DecipherLibraryBody(image.data(), image.size());
  const auto lib = ParseSignatureBody(body.data(), body.size());
  ASSERT_NE(lib, nullptr);
  EXPECT_EQ(lib->patterns[0].pattern, (std::vector<uint8_t>{0xB2, 0xA1, 0xB6, 0xBE, 0x00, '\\'}));
  EXPECT_EQ(lib->patterns[0].note, (std::vector<uint8_t>{0xBA, 0xEA}));
  EXPECT_EQ(lib->rules[0].name, "\xB2\xA1\xB6\xBE.Test");
}

// Everything the source format can say, for the round trip.
constexpr char kRichSource[] = R"(
pattern 0x2C "gamma \"quoted\" \\ \t\r\n\x01\x7F\xFF\xA1" case
pattern 0x2A "病毒 · — \xAA\xA1 \xB0A" utf16 note "GB text, private-use pair, lead byte before ASCII"
pattern 0x2B "beta" case utf16
pattern 0x10 "raw" flags=0x9
rule 0x3 "Macro.Everything" = (p(0x2A) + p(0x2B) + p(0x2C)) / 3 > 0 and not (r(0x4) xor true) or \
    node(0x41, single(0.1), truth(9), -7, 1e+38, -0.0) - 2147483648 * 0.5 <= p(0x10)
rule 0x4 "Disabled.One" disabled = 1 - 2 - (3 - 4) == -2147483648
rule 0x5 "Raw.Flags" flags=0x3 = node(0x20) + node(0x2C, 1) + node(0x2E, 1, 2, 3) + node(0x28, 0, 1)
rule 0x6 "Hex.Malformed" = hex 20000000 05 00000000 01000000 FF
rule 0x7 "Hex.Missing" = hex FEFFFFFF 99000000
rule 0x1 "名字" = r(0x3)
)";

TEST(VlbcRoundTrip, CompileDumpCompileIsByteIdentical) {
  const std::vector<uint8_t> first = BuildLibrary(kRichSource);
  std::string error;
  const auto dumped = vlbc::DumpLibrary(first.data(), first.size(), &error);
  ASSERT_TRUE(dumped) << error;
  const std::vector<uint8_t> second = BuildLibrary(*dumped);
  EXPECT_EQ(first, second) << *dumped;
  EXPECT_EQ(vlbc::DumpLibrary(second.data(), second.size(), nullptr), dumped);
  // The readable forms survive the trip.
  EXPECT_NE(dumped->find("pattern 0x2A \"病毒 · — \\xAA\\xA1 \\xB0A\" utf16 note"), std::string::npos) << *dumped;
  EXPECT_NE(dumped->find("rule 0x4 \"Disabled.One\" disabled = "), std::string::npos) << *dumped;
  EXPECT_NE(dumped->find("= ((((p(0x2A) + p(0x2B) + p(0x2C)) / 3) > 0) and (not (r(0x4) xor true))) or "), std::string::npos) << *dumped;
  EXPECT_NE(dumped->find("= hex 200000000500000000010000"), std::string::npos) << *dumped;

  // A different build time changes only the time fields.
  const std::vector<uint8_t> later = vlbc::BuildLibraryImage(ParseLibrarySource(kRichSource),
                                                             vlbc::LibraryTime::FromUnixSeconds(1700000000));
  ASSERT_EQ(later.size(), first.size());
  EXPECT_NE(later, first);
  EXPECT_EQ(vlbc::DumpLibrary(later.data(), later.size(), nullptr)->substr(dumped->find('\n')),
            dumped->substr(dumped->find('\n')));
}

TEST(VlbcRoundTrip, UnusableLibraryIsNotDumped) {
  std::vector<uint8_t> image = BuildLibrary("pattern 1 \"a\"\nrule 1 \"R\" = p(1)\n");
  image.back() ^= 1;
  std::string error;
  EXPECT_FALSE(vlbc::DumpLibrary(image.data(), image.size(), &error));
  EXPECT_FALSE(error.empty());
}

// The vlbc program: a bad source exits 1 and writes nothing; a good one writes a library
// that dumps back.
TEST(VlbcProgram, CompileAndDumpFromTheCommandLine) {
  namespace fs = std::filesystem;
  const fs::path dir = qv::test::MakeScratchFolder();
  const auto write = [&](const char* name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
  };
  write("bad.vls", "pattern 1 \"a\"\nrule 1 \"R\" = p(2)\n");
  write("good.vls", "pattern 1 \"a\"\nrule 1 \"R\" = p(1)\n");
  const std::string vlbc = VLBC_PROGRAM;
  const std::string out = qv::test::PathUtf8(dir / "out.vlb");
  const auto run = [&](std::vector<std::string> args, const fs::path& output) {
    args.insert(args.begin(), vlbc);
    return qv::test::RunProgram(args, {}, output, dir / "errors.txt", std::chrono::seconds(60)).exitCode;
  };
  const fs::path ignored = dir / "output.txt";

  EXPECT_EQ(run({"compile", "-o", out, qv::test::PathUtf8(dir / "bad.vls")}, ignored), 1);
  EXPECT_FALSE(fs::exists(out));
  EXPECT_EQ(run({"compile", "-o", out, qv::test::PathUtf8(dir / "good.vls")}, ignored), 0);
  ASSERT_TRUE(fs::exists(out));
  EXPECT_EQ(run({"dump", "-o", qv::test::PathUtf8(dir / "dump.vls"), out}, ignored), 0);
  const auto slurp = [](const fs::path& path) {  // closed again at once: Windows removes no open file
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  };
  const std::string text = slurp(dir / "dump.vls");
  EXPECT_NE(text.find("rule 0x1 \"R\" = p(0x1)"), std::string::npos) << text;
  EXPECT_EQ(run({"frobnicate"}, ignored), 2);
  EXPECT_EQ(run({"--version"}, dir / "version.txt"), 0);
  const std::string version = slurp(dir / "version.txt");
  EXPECT_TRUE(std::regex_match(version, std::regex("vlbc [0-9]+(\\.[0-9]+){1,3}\r?\n"))) << version;
  fs::remove_all(dir);
}

}  // namespace
}  // namespace qv
