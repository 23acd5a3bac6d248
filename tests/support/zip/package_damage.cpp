#include "tests/support/zip/package_damage.h"

#include <stdexcept>

#include "engine/zip/package_survey.h"

namespace qv::test {
namespace {

using namespace qv::zip::layout;

uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
  return b.at(at) | b.at(at + 1) << 8 | b.at(at + 2) << 16 | static_cast<uint32_t>(b.at(at + 3)) << 24;
}
uint16_t Get16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b.at(at) | b.at(at + 1) << 8); }
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

std::vector<size_t> CentralRecords(const std::vector<uint8_t>& package) {
  if (package.size() < kEndBytes) throw std::invalid_argument("not a package");
  const size_t end = package.size() - kEndBytes;
  if (Get32(package, end) != kEndSignature) throw std::invalid_argument("the package has a comment or no end record");
  std::vector<size_t> records;
  size_t at = Get32(package, end + kEndDirectoryOffset);
  while (at < end && Get32(package, at) == kCentralSignature) {
    records.push_back(at);
    at += kCentralBytes + Get16(package, at + kCentralNameLength) + Get16(package, at + kCentralExtraLength) +
          Get16(package, at + kCentralCommentLength);
  }
  return records;
}

std::string CentralName(const std::vector<uint8_t>& package, size_t record) {
  const auto begin = package.begin() + static_cast<std::ptrdiff_t>(record + kCentralBytes);
  return std::string(begin, begin + Get16(package, record + kCentralNameLength));
}

uint32_t LocalOffsetOf(const std::vector<uint8_t>& package, size_t record) {
  return Get32(package, record + kCentralLocalOffset);
}

size_t RecordNamed(const std::vector<uint8_t>& package, const std::string& name) {
  for (size_t record : CentralRecords(package)) {
    if (CentralName(package, record) == name) return record;
  }
  throw std::invalid_argument("no entry " + name);
}

void ShareOneLocalHeader(std::vector<uint8_t>& package, const std::string& name) {
  const uint32_t local = LocalOffsetOf(package, RecordNamed(package, name));
  for (size_t record : CentralRecords(package)) Put32(package, record + kCentralLocalOffset, local);
}

void FlipLocalName(std::vector<uint8_t>& package, const std::string& name) {
  if (name.empty()) throw std::invalid_argument("an empty name");
  const uint32_t local = LocalOffsetOf(package, RecordNamed(package, name));
  package.at(local + kLocalBytes + name.size() / 2) ^= 0x01;
}

void DropZip64EndRecords(std::vector<uint8_t>& package) {
  constexpr size_t kEndRecordBytes = 22, kLocatorBytes = 20;
  constexpr uint32_t kEndSignature = 0x06054b50, kLocatorSignature = 0x07064b50, kZip64EndSignature = 0x06064b50;
  if (package.size() < kEndRecordBytes + kLocatorBytes) return;
  const size_t end = package.size() - kEndRecordBytes;  // packages are written without a comment
  if (Get32(package, end) != kEndSignature) throw std::invalid_argument("no end record at the end");
  const size_t locator = end - kLocatorBytes;
  if (Get32(package, locator) != kLocatorSignature) return;
  const uint64_t record = Get32(package, locator + 8) | static_cast<uint64_t>(Get32(package, locator + 12)) << 32;
  if (record >= locator || Get32(package, record) != kZip64EndSignature) throw std::invalid_argument("no zip64 record");
  package.erase(package.begin() + static_cast<std::ptrdiff_t>(record), package.begin() + static_cast<std::ptrdiff_t>(end));
}

}  // namespace qv::test
