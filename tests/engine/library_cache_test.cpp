// The session's library cache: the content of qzmacro.vlb is read again unless the file's stamp
// is the one of the last read and its last change lies well before that read.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "engine/signature/library_cache.h"
#include "tests/support/engine/program_folder.h"
#include "tests/support/vlb/vlb_builder.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

bool NoReport(const char*, WorkArea&) { return true; }

std::vector<uint8_t> LibraryNaming(const char* ruleName) {
  return test::BuildLibrary(std::string("pattern 0x1 \"") + test::kTestSignatureText + "\"\nrule 0x1 \"" + ruleName +
                            "\" = p(0x1)\n");
}

// Overwrites the file in place (same identity) and puts its modification time back.
void RewriteInPlace(const fs::path& file, const std::vector<uint8_t>& bytes) {
  const auto modified = fs::last_write_time(file);
  test::WriteFile(file, bytes);
  fs::last_write_time(file, modified);
}

TEST(LibraryCacheTest, ASettledFileIsReadOnceAndAnyChangeIsReadAgain) {
  test::TempDir dir;
  const fs::path file = dir / "qzmacro.vlb";
  const std::vector<uint8_t> one = LibraryNaming("Macro.Renamed.One");
  const std::vector<uint8_t> two = LibraryNaming("Macro.Renamed.Two");
  ASSERT_EQ(one.size(), two.size());
  test::WriteFile(file, one);
  LibraryCache cache;
  SignatureTables* tables = nullptr;
  const std::u16string path = test::U16(file);

  // Freshly written: its stamp may not change with a change made within the same clock tick,
  // so its content is read every time.
  ASSERT_EQ(cache.Acquire(path, &NoReport, tables), kLibraryLoaded);
  ASSERT_EQ(cache.Acquire(path, &NoReport, tables), kLibraryLoaded);
  EXPECT_EQ(cache.Reads(), 2u);
  EXPECT_EQ(cache.Builds(), 1u);

  // Settled: one read, then the stamp answers.
  std::this_thread::sleep_for(std::chrono::milliseconds(2100));
  ASSERT_EQ(cache.Acquire(path, &NoReport, tables), kLibraryLoaded);
  ASSERT_EQ(cache.Acquire(path, &NoReport, tables), kLibraryLoaded);
  EXPECT_EQ(cache.Reads(), 3u);
  EXPECT_EQ(cache.Builds(), 1u);

  // Same identity, size and modification time: the status change still tells.
  RewriteInPlace(file, two);
  ASSERT_EQ(cache.Acquire(path, &NoReport, tables), kLibraryLoaded);
  EXPECT_EQ(cache.Reads(), 4u);
  EXPECT_EQ(cache.Builds(), 2u);

  // Gone: told at once, and nothing is kept.
  fs::remove(file);
  EXPECT_EQ(cache.Acquire(path, &NoReport, tables), kLibraryMissing);
  EXPECT_EQ(tables, nullptr);
}

}  // namespace
}  // namespace qv
