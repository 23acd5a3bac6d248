// What one package may cost while it is extracted or rebuilt: inflated bytes and time. Every
// chunk that comes out of an entry is charged; once the budget is spent the work stops and
// the package counts as not examined (or is not rebuilt).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

#include "engine/common/capacities.h"

namespace qv::zip {

class PackageBudget {
 public:
  // A set `stop` (the caller's stop request) spends the budget at once.
  explicit PackageBudget(const std::atomic<bool>* stop = nullptr)
      : deadline_(std::chrono::steady_clock::now() + std::chrono::seconds(cap::kMaxPackageSeconds)), stop_(stop) {}

  // Charges `bytes` inflated bytes; false (and spent for good) past the byte or time bound,
  // or once a stop was asked for.
  bool Spend(uint64_t bytes) {
    if (spent_) return false;
    if (bytes > left_ || std::chrono::steady_clock::now() > deadline_ || (stop_ != nullptr && stop_->load())) {
      spent_ = true;
      return false;
    }
    left_ -= bytes;
    return true;
  }
  bool spent() const { return spent_; }

 private:
  uint64_t left_ = cap::kMaxPackageInflatedBytes;
  std::chrono::steady_clock::time_point deadline_;
  const std::atomic<bool>* stop_ = nullptr;
  bool spent_ = false;
};

// Whether an entry of `size` inflated bytes from `compressed` stored bytes inflates within
// the ratio a package part may have once it is larger than a small part.
constexpr bool PartWithinInflateRatio(uint64_t size, uint64_t compressed) {
  if (size <= cap::kRatioFreeBytes) return true;
  return compressed != 0 && size / compressed <= cap::kMaxPartInflateRatio;
}

// Whether an entry of `size` inflated bytes from `compressed` stored bytes is within what a
// project part may cost: its size, and its ratio once it is larger than a small part.
constexpr bool ProjectPartWithinBounds(uint64_t size, uint64_t compressed) {
  return size <= cap::kMaxProjectPartBytes && PartWithinInflateRatio(size, compressed);
}

}  // namespace qv::zip
