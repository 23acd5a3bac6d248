// Delivers calls from other threads to the thread of a QObject. A call waits until it has
// run there; once the bridge is closed (the window is going away) every waiting and every
// later call returns at once with 0, so that no thread stays blocked on a window whose loop
// no longer runs, and nothing reaches the window afterwards.
#pragma once

#include <QObject>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "frontend/toolkit/win_defs.h"

namespace qv::ui {

class MessageBridge {
 public:
  explicit MessageBridge(QObject* context) : context_(context) {}
  ~MessageBridge() { Close(); }
  MessageBridge(const MessageBridge&) = delete;
  MessageBridge& operator=(const MessageBridge&) = delete;

  // Runs `call` on the context's thread and waits for its result (0 once closed). Must not
  // be used from the context's own thread.
  LRESULT Call(std::function<LRESULT()> call);
  // Queues `call` for the context's thread without waiting; dropped once closed.
  void Post(std::function<void()> call);
  void Close();
  bool IsClosed() const;

 private:
  QObject* context_;
  mutable std::mutex mutex_;
  std::condition_variable done_;
  bool closed_ = false;
};

}  // namespace qv::ui
