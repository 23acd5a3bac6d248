// Shared set-up of the package tests: a document folder, a private stand-in for the user's
// temporary folder (TMPDIR points at it while a test runs) and a quarantine folder.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tests/support/engine/program_folder.h"
#include "tests/support/system/system.h"
#include "tests/support/zip/package_builder.h"

namespace qv::test {

class PackageTest : public ::testing::Test {
 protected:
  void SetUp() override { tempFolder_.emplace(TempFolderVariable(), temp_.path().string().c_str()); }
  void TearDown() override { tempFolder_.reset(); }

  std::filesystem::path Doc(const std::string& name = "Report.docm") const { return docs_ / name; }
  std::u16string QuarantineDir() const { return U16(quarantine_.path()) + u"/"; }

  // Every name below `folder`, relative to it (links are listed, not followed).
  static std::set<std::string> Listing(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
      names.insert(entry.path().lexically_relative(folder).string());
    }
    return names;
  }
  // The same for a quarantine folder, without its in-progress folder and lock file (which stay
  // between runs); anything else in progress is listed.
  static std::set<std::string> QuarantineListing(const std::filesystem::path& folder) {
    std::set<std::string> names = Listing(folder);
    names.erase("in-progress");
    names.erase((std::filesystem::path("in-progress") / "run.lock").string());
    return names;
  }

  // The entry names a rebuilt package must hold, in order: every entry whose name does not
  // contain the project entry's name, then the project entry itself unless it was deleted.
  static std::vector<std::string> RebuiltNames(const std::vector<PackagePart>& entries,
                                               const std::string& projectName, bool projectKept) {
    std::vector<std::string> names;
    for (const auto& entry : entries) {
      if (entry.name.find(projectName) == std::string::npos) names.push_back(entry.name);
    }
    if (projectKept) names.push_back(projectName);
    return names;
  }

  TempDir docs_;
  TempDir temp_;
  TempDir quarantine_;

 private:
  std::optional<ScopedEnv> tempFolder_;  // the user's temporary folder points at temp_
};

}  // namespace qv::test
