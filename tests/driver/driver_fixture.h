// One driver wired to a recording receiver, a fake engine and a fake drive list.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <initializer_list>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "tests/driver/recording_receiver.h"
#include "tests/support/engine/program_folder.h"
#include "tests/support/system/system.h"

namespace qv::frontend::test {

struct DriverRig {
  RecordingReceiver receiver;
  FakeEngine engine;
  std::list<std::u16string> drives;
  std::unique_ptr<ScanRunDriver> driver =
      std::make_unique<ScanRunDriver>(receiver, engine.call(), [this] { return drives; });

  // Waits for the run to end; fails the test when it does not.
  void Wait() { ASSERT_TRUE(driver->WaitForWorker(std::chrono::seconds(60))) << "the run did not end"; }
};

inline std::u16string U16(const std::filesystem::path& path) { return qv::test::U16(path); }

// Starts a run on dropped paths (through m_setDropped, as the drop target does).
inline bool DropPaths(DriverRig& rig, std::initializer_list<std::u16string> paths) {
  rig.driver->m_setDropped = paths;
  return rig.driver->ScanDroppedPaths(&rig.driver->m_setDropped);
}

// Paths below the temporary folder as the expectations write them: relative, with '/'
// between names (other paths unchanged).
inline std::vector<std::string> RelativeTo(const qv::test::TempDir& t, std::vector<std::string> paths) {
  const std::string root = qv::test::PathUtf8(t.path()) + char(platform::kSep);
  for (std::string& path : paths) {
    if (path.rfind(root, 0) != 0) continue;
    path.erase(0, root.size());
    std::replace(path.begin(), path.end(), char(platform::kSep), '/');
  }
  return paths;
}

// A chain of `depth` folders d0/d1/… below the temporary folder, each holding an x.doc;
// answers the deepest folder.
inline std::filesystem::path DeepTree(const qv::test::TempDir& t, int depth) {
  std::filesystem::path deep = t.path();
  for (int i = 0; i < depth; ++i) {
    deep /= "d" + std::to_string(i);
    std::filesystem::create_directory(deep);
    qv::test::WriteFile(deep / "x.doc", "x");
  }
  return deep;
}

// Files below the temporary folder (parent folders made), each holding its own name.
inline void Files(const qv::test::TempDir& t, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    std::filesystem::create_directories((t / name).parent_path());
    qv::test::WriteFile(t / name, std::string(name));
  }
}

}  // namespace qv::frontend::test
