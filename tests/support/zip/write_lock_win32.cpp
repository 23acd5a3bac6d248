// Windows has no immutable attribute a test may set: a file gets the read-only attribute
// (which refuses opening it for writing and replacing it); a folder cannot be made to refuse
// new files, so its lock never holds and the tests that need one skip themselves.
#include <windows.h>

#include "tests/support/zip/write_lock.h"

namespace qv::testing {

WriteLock::WriteLock(std::filesystem::path path) : path_(std::move(path)) {
  const DWORD attributes = GetFileAttributesW(path_.wstring().c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return;
  immutable_ = SetFileAttributesW(path_.wstring().c_str(), attributes | FILE_ATTRIBUTE_READONLY) != 0;
  holds_ = immutable_;
}

WriteLock::~WriteLock() {
  if (!immutable_) return;
  const DWORD attributes = GetFileAttributesW(path_.wstring().c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    SetFileAttributesW(path_.wstring().c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  }
}

}  // namespace qv::testing
