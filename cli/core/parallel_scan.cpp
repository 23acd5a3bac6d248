#include "cli/core/parallel_scan.h"

#include <algorithm>

namespace qv::cli {

unsigned DefaultJobs() { return std::max(1u, std::thread::hardware_concurrency()); }

ParallelScanner::ParallelScanner(unsigned jobs, ScanFn scan, EmitFn emit, StopFn stop)
    : scan_(std::move(scan)), emit_(std::move(emit)), stop_(std::move(stop)) {
  jobs = std::max(1u, jobs);
  window_ = jobs * kInHandPerWorker;
  if (jobs == 1) {
    inlineSession_ = std::make_unique<qv::api::Session>();
    return;
  }
  workers_.reserve(jobs);
  for (unsigned i = 0; i < jobs; ++i) workers_.emplace_back(&ParallelScanner::Work, this);
}

ParallelScanner::~ParallelScanner() { Finish(); }

void ParallelScanner::Submit(const std::u16string& path) {
  if (inlineSession_) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (finished_) return;
    }
    if (stop_()) return;  // after a stop the documents not yet begun are dropped
    emit_(scan_(*inlineSession_, path));
    return;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  room_.wait(lock, [&] { return next_ - nextToWrite_ < window_ || closing_; });
  if (closing_) return;
  waiting_.emplace_back(next_++, path);
  work_.notify_one();
}

void ParallelScanner::Work() {
  qv::api::Session session;
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    work_.wait(lock, [&] { return !waiting_.empty() || closing_; });
    if (waiting_.empty()) return;  // closing, and nothing left
    auto [number, path] = std::move(waiting_.front());
    waiting_.pop_front();
    DocumentReport report;
    lock.unlock();
    // After a stop the documents not yet begun are dropped; those in hand finish.
    if (!stop_()) report = scan_(session, path);
    lock.lock();
    done_.emplace(number, std::move(report));
    EmitReadyLocked(lock);
  }
}

void ParallelScanner::EmitReadyLocked(std::unique_lock<std::mutex>& lock) {
  if (emitting_) return;  // the thread writing now picks this one up too
  emitting_ = true;
  for (auto ready = done_.find(nextToWrite_); ready != done_.end(); ready = done_.find(nextToWrite_)) {
    DocumentReport report = std::move(ready->second);
    done_.erase(ready);
    lock.unlock();
    emit_(report);
    lock.lock();
    ++nextToWrite_;
    room_.notify_all();
  }
  emitting_ = false;
}

void ParallelScanner::Finish() {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    if (finished_) return;
    finished_ = true;
    closing_ = true;
    work_.notify_all();
    room_.notify_all();
  }
  for (auto& worker : workers_) worker.join();
  workers_.clear();
}

}  // namespace qv::cli
