#include "tests/support/doc/doc_harness.h"

#include <atomic>
#include <fstream>
#include <iterator>

#include "engine/platform/platform.h"
#include "engine/storage/streams.h"
#include "tests/support/system/system.h"

namespace qv::test {
namespace {

std::filesystem::path FreshPath() {
  static std::atomic<unsigned> counter{0};
  return std::filesystem::temp_directory_path() /
         ("qv-storage-" + std::to_string(qv::test::ProcessId()) + "-" + std::to_string(counter++) + ".doc");
}

}  // namespace

DocHarness::DocHarness() : path_(FreshPath()), area_(std::make_unique<WorkArea>()) {}

DocHarness::DocHarness(const std::vector<uint8_t>& bytes, ReadMode mode) : DocHarness() {
  Load(bytes.data(), bytes.size(), mode);
}

DocHarness::~DocHarness() {
  Release();
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
}

void DocHarness::Release() {
  if (doc_ != nullptr) {
    CloseDocFile(*doc_);
    FreeDocFile(doc_);
    doc_ = nullptr;
  }
  area_->allocations.FreeAllBlocks();
  area_->document.reset();
}

bool DocHarness::Load(const uint8_t* bytes, size_t size, ReadMode mode) {
  Release();
  {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    if (!out) return false;
  }
  area_->document = platform::File::OpenReadWrite(platform::FromNarrow(path_.string()));
  if (!area_->document) return false;
  area_->fileSize = static_cast<uint32_t>(area_->document->Size());
  doc_ = NewDocFile(*area_);
  if (doc_ == nullptr) return false;
  return mode == ReadMode::File || LoadMemoryImage(*doc_);
}

std::vector<uint8_t> DocHarness::DiskBytes() const {
  std::ifstream in(path_, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::optional<std::vector<uint8_t>> DocHarness::ReadWhole(uint32_t id) {
  if (OpenStream(*doc_, id) != kStreamOpened) {
    CloseStream(*doc_);
    return std::nullopt;
  }
  std::vector<uint8_t> out(doc_->current.size);
  const int32_t got = ReadStream(*doc_, out.data(), static_cast<int32_t>(out.size()));
  out.resize(got > 0 ? static_cast<size_t>(got) : 0);
  CloseStream(*doc_);
  return out;
}

}  // namespace qv::test
