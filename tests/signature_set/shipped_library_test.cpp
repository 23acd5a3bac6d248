// The shipped library as a file: the build compiles every source of signatures/ into the
// program folder, the engine loads it, and compile -> dump -> compile gives the same file.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/signature/signature_set.h"
#include "tests/support/vlb/vlb_builder.h"
#include "tools/vlb/compiler.h"

#if !defined(QV_PROGRAM_DIR) || !defined(QV_README)
#error "QV_PROGRAM_DIR must name the program folder of the build and QV_README the README"
#endif

namespace qv::test::sigset {
namespace {

std::vector<uint8_t> ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string Dump(const std::vector<uint8_t>& image) {
  std::string error;
  const std::optional<std::string> text = vlbc::DumpLibrary(image.data(), image.size(), &error);
  EXPECT_TRUE(text.has_value()) << error;
  return text.value_or("");
}

// The dump's first line names the build time; the records follow.
std::string Records(const std::string& dump) { return dump.substr(dump.find('\n') + 1); }

bool NoReport(const char*, WorkArea&) { return true; }

TEST(ShippedLibrary, TheBuiltFileLoadsAndHoldsEveryShippedSource) {
  const std::vector<uint8_t> built = ReadWhole(std::string(QV_PROGRAM_DIR) + "/qzmacro.vlb");
  ASSERT_GT(built.size(), 256u) << "the build did not place qzmacro.vlb in the program folder";
  const auto tables = BuildTablesFromImage(built.data(), built.size(), &NoReport);
  ASSERT_NE(tables, nullptr);
  EXPECT_NE(tables->matcher, nullptr);
  // Same records as a fresh compile of signatures/ (only the build time may differ).
  EXPECT_EQ(Records(Dump(built)), Records(Dump(BuildShippedLibrary())));
}

TEST(ShippedLibrary, CompileDumpCompileGivesTheSameFile) {
  const std::vector<uint8_t> first = BuildShippedLibrary();
  const std::string dumped = Dump(first);
  const vlbc::CompileResult again = vlbc::CompileSources({{"dump.vls", dumped}}, FixedLibraryTime());
  ASSERT_TRUE(again.Ok()) << (again.errors.empty() ? "" : again.errors.front());
  EXPECT_EQ(again.image, first);
  EXPECT_EQ(Dump(again.image), dumped);
}

// The README's rule table names every reported rule, and nothing else.
TEST(ShippedLibrary, TheReadmeTableNamesEveryReportedRule) {
  const std::vector<uint8_t> bytes = ReadWhole(QV_README);
  const std::string readme(bytes.begin(), bytes.end());
  const size_t section = readme.find("\n## Signatures\n");
  ASSERT_NE(section, std::string::npos);
  const size_t end = readme.find("\n## ", section + 1);
  std::set<std::string> documented;
  for (size_t at = readme.find("\n| `", section); at < end; at = readme.find("\n| `", at + 1)) {
    const size_t close = readme.find('`', at + 4);
    documented.insert(readme.substr(at + 4, close - at - 4));
  }
  const std::vector<uint8_t> image = BuildShippedLibrary();
  const auto tables = BuildTablesFromImage(image.data(), image.size(), &NoReport);
  ASSERT_NE(tables, nullptr);
  std::set<std::string> reported;
  for (const RuleRecord& rule : tables->library->rules) {
    if (rule.Enabled()) reported.insert(rule.name);
  }
  EXPECT_EQ(documented, reported);
}

}  // namespace
}  // namespace qv::test::sigset
