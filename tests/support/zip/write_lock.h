// Makes a file or folder unchangeable for the length of a test, even for root: a folder
// loses its write permission, and where the process may set it (root on ext4, tmpfs …) the
// immutable attribute is added, which refuses creating, removing and renaming entries.
// On Windows a file is held open without delete sharing instead (write_lock_win32.cpp).
#pragma once

#include <cstdint>
#include <filesystem>

namespace qv::test {

class WriteLock {
 public:
  explicit WriteLock(std::filesystem::path path);
  ~WriteLock();
  WriteLock(const WriteLock&) = delete;
  WriteLock& operator=(const WriteLock&) = delete;
  // True when the lock really holds: a folder refuses a new file; a file cannot be replaced.
  bool holds() const { return holds_; }

 private:
  std::filesystem::path path_;
  bool immutable_ = false;
  bool holds_ = false;
  intptr_t held_ = -1;  // Windows: the file's handle, open without delete sharing
};

}  // namespace qv::test
