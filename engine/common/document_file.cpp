#include "engine/common/document_file.h"

#include <algorithm>
#include <cstring>

namespace qv {

size_t DocumentFile::ReadAt(uint64_t offset, void* buffer, size_t length) const {
  if (!part_) return file_.ReadAt(offset, buffer, length);
  const size_t size = part_->bytes.size();
  if (offset >= size) return 0;
  const size_t n = std::min<size_t>(length, size - static_cast<size_t>(offset));
  if (n == 0) return 0;
  std::memcpy(buffer, part_->bytes.data() + offset, n);
  return n;
}

size_t DocumentFile::WriteAt(uint64_t offset, const void* buffer, size_t length) {
  if (!part_) return file_.WriteAt(offset, buffer, length);
  const size_t size = part_->bytes.size();
  if (offset >= size) return 0;
  const size_t n = std::min<size_t>(length, size - static_cast<size_t>(offset));
  if (n == 0) return 0;
  std::memcpy(part_->bytes.data() + offset, buffer, n);
  return n;
}

uint64_t DocumentFile::Size() const { return part_ ? part_->bytes.size() : file_.Size(); }

void DocumentFile::Close() {
  if (!part_) file_.Close();
}

}  // namespace qv
