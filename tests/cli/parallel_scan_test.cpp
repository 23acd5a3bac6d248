// The parallel scanner under the command line's --jobs: what the workers find is written in
// hand-in order however they finish, and after a stop the documents in hand finish while the
// others are dropped, without the hand-in ever blocking for good.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cli/core/parallel_scan.h"

namespace qv::cli {
namespace {

std::u16string Name(int i) {
  const std::string text = "doc" + std::to_string(i);
  return std::u16string(text.begin(), text.end());
}

// A scan that takes longer for some documents, so that workers finish out of order.
DocumentReport SlowScan(const std::u16string& path) {
  const int n = std::stoi(std::string(path.begin() + 3, path.end()));
  std::this_thread::sleep_for(std::chrono::microseconds((n * 7919) % 5 * 400));
  DocumentReport report;
  report.entries.push_back({n % 3 == 0, std::string(path.begin(), path.end())});
  report.detected = n % 2 == 0;
  return report;
}

TEST(ParallelScanner, WritesEveryDocumentInHandInOrderWhateverTheWorkers) {
  for (unsigned jobs : {1u, 2u, 5u}) {
    std::vector<std::string> written;  // only the emit callback touches it, one call at a time
    std::atomic<int> concurrentEmits{0}, maxConcurrentEmits{0};
    {
      ParallelScanner scanner(
          jobs, [](api::Session&, const std::u16string& path) { return SlowScan(path); },
          [&](const DocumentReport& report) {
            const int now = ++concurrentEmits;
            if (now > maxConcurrentEmits) maxConcurrentEmits = now;
            for (const auto& entry : report.entries) written.push_back((entry.message ? "! " : "") + entry.text);
            --concurrentEmits;
          },
          [] { return false; });
      for (int i = 0; i < 120; ++i) scanner.Submit(Name(i));
      scanner.Finish();
    }
    ASSERT_EQ(written.size(), 120u) << jobs;
    for (int i = 0; i < 120; ++i) {
      EXPECT_EQ(written[i], (i % 3 == 0 ? "! doc" : "doc") + std::to_string(i)) << jobs;
    }
    EXPECT_EQ(maxConcurrentEmits.load(), 1) << jobs;
  }
}

TEST(ParallelScanner, AfterAStopOnlyTheDocumentsInHandFinish) {
  constexpr unsigned kJobs = 3;
  constexpr int kStopAt = 10;  // the stop comes while the 10th document is scanned
  std::atomic<bool> stop{false};
  std::atomic<int> begun{0};
  std::vector<int> scanned;  // documents that produced a report, in writing order
  int written = 0;
  {
    ParallelScanner scanner(
        kJobs,
        [&](api::Session&, const std::u16string& path) {
          if (++begun == kStopAt) stop = true;
          std::this_thread::sleep_for(std::chrono::milliseconds(2));
          return SlowScan(path);
        },
        [&](const DocumentReport& report) {
          ++written;
          if (!report.entries.empty()) {
            const std::string& text = report.entries.front().text;
            scanned.push_back(std::stoi(text.substr(3)));
          }
        },
        [&] { return stop.load(); });
    // Far more than the scanner holds at once: the hand-in must not wait for good once the
    // run stops.
    for (int i = 0; i < 500; ++i) scanner.Submit(Name(i));
    scanner.Finish();
  }
  EXPECT_EQ(written, 500);  // every document handed in is accounted for, scanned or dropped
  // The documents begun before the stop, and at most one per other worker that was already
  // past its check: nothing else was scanned.
  EXPECT_GE(scanned.size(), static_cast<size_t>(kStopAt));
  EXPECT_LE(scanned.size(), static_cast<size_t>(kStopAt + kJobs - 1));
  for (size_t i = 1; i < scanned.size(); ++i) EXPECT_LT(scanned[i - 1], scanned[i]);
}

}  // namespace
}  // namespace qv::cli
