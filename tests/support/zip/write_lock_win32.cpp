// Windows has no immutable attribute a test may set. A file is held open without delete
// sharing for the length of the lock, which refuses writing, replacing and removing it (the
// read-only attribute alone does not stop a rename over the file under Wine). A folder cannot
// be made to refuse new files: its lock never holds and the tests that need one skip.
#include <windows.h>

#include "tests/support/zip/write_lock.h"

namespace qv::test {

WriteLock::WriteLock(std::filesystem::path path) : path_(std::move(path)) {
  const DWORD attributes = GetFileAttributesW(path_.wstring().c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return;
  const HANDLE held = CreateFileW(path_.wstring().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (held == INVALID_HANDLE_VALUE) return;
  held_ = reinterpret_cast<intptr_t>(held);
  holds_ = true;
}

WriteLock::~WriteLock() {
  if (held_ != -1) CloseHandle(reinterpret_cast<HANDLE>(held_));
}

}  // namespace qv::test
