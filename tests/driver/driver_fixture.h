// One driver wired to a recording receiver, a fake engine and a fake drive list.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <initializer_list>
#include <list>
#include <memory>

#include "tests/driver/recording_receiver.h"
#include "tests/support/engine/program_folder.h"

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

// Files below the temporary folder (parent folders made), each holding its own name.
inline void Files(const qv::test::TempDir& t, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    std::filesystem::create_directories((t / name).parent_path());
    qv::test::WriteFile(t / name, std::string(name));
  }
}

}  // namespace qv::frontend::test
