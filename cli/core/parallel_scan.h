// The engine calls of a scan run spread over N workers, each with an engine session of its
// own. Documents are numbered in the order they are handed in (the scan run's walk order:
// each folder's entries by name), and what each document has to say is written in that order: the output is the same
// text whatever the number of workers, and it appears while the run goes on.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/include/scan_engine.h"

namespace qv::cli {

// What one document has to say, in order: lines for standard output and messages for
// standard error.
struct DocumentReport {
  struct Entry {
    bool message = false;  // true: standard error
    std::string text;
  };
  std::vector<Entry> entries;
  bool detected = false;  // at least one finding
  bool changed = false;   // repaired, deleted or swept
  bool notExamined = false;  // could not be examined completely
};

class ParallelScanner {
 public:
  using ScanFn = std::function<DocumentReport(qv::api::Session& session, const std::u16string& path)>;
  using EmitFn = std::function<void(const DocumentReport& report)>;
  // True once no further document may be begun (Ctrl-C, an engine that cannot be used).
  using StopFn = std::function<bool()>;

  // `jobs` workers (at least one). `scan` runs on the workers; `emit` runs for each document
  // in hand-in order, one at a time. With one job there is no worker thread: each document is
  // scanned and written by the thread that hands it in, which saves two thread switches a
  // document.
  ParallelScanner(unsigned jobs, ScanFn scan, EmitFn emit, StopFn stop);
  // Finish() when not done yet.
  ~ParallelScanner();
  ParallelScanner(const ParallelScanner&) = delete;
  ParallelScanner& operator=(const ParallelScanner&) = delete;

  // Hands in the next document. Waits while too many documents are in hand (the slowest one
  // holds back the writing of those after it), so memory stays bounded.
  void Submit(const std::u16string& path);
  // Waits until every document handed in has been scanned (or dropped after a stop) and
  // written, and ends the workers.
  void Finish();

  // Documents in hand at most, per worker.
  static constexpr size_t kInHandPerWorker = 8;

 private:
  void Work();
  void EmitReadyLocked(std::unique_lock<std::mutex>& lock);

  ScanFn scan_;
  EmitFn emit_;
  StopFn stop_;
  size_t window_;
  std::mutex mutex_;
  std::condition_variable work_;   // a document is waiting, or the run ends
  std::condition_variable room_;   // a document was written
  std::deque<std::pair<uint64_t, std::u16string>> waiting_;
  std::map<uint64_t, DocumentReport> done_;  // scanned, waiting for those before it
  uint64_t next_ = 0;        // number of the next document handed in
  uint64_t nextToWrite_ = 0;
  bool emitting_ = false;    // one thread writes at a time, outside the lock
  bool closing_ = false;
  bool finished_ = false;
  std::vector<std::thread> workers_;
  std::unique_ptr<qv::api::Session> inlineSession_;  // one job: the handing-in thread's session
};

// The default number of workers: the number of processors (1 when unknown).
unsigned DefaultJobs();

}  // namespace qv::cli
