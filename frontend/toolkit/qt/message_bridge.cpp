#include "frontend/toolkit/qt/message_bridge.h"

#include <QMetaObject>
#include <memory>

namespace qv::ui {
namespace {

struct PendingCall {
  bool running = false;
  bool done = false;
  LRESULT result = 0;
};

}  // namespace

LRESULT MessageBridge::Call(std::function<LRESULT()> call) {
  auto pending = std::make_shared<PendingCall>();
  {
    std::lock_guard lock(mutex_);
    if (closed_) return 0;
  }
  QMetaObject::invokeMethod(
      context_,
      [this, pending, call = std::move(call)] {
        {
          std::lock_guard lock(mutex_);
          if (closed_) return;
          pending->running = true;
        }
        const LRESULT result = call();
        {
          std::lock_guard lock(mutex_);
          pending->result = result;
          pending->done = true;
        }
        done_.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock lock(mutex_);
  // A call already running finishes before the caller goes on: its arguments may live on
  // the caller's stack.
  done_.wait(lock, [&] { return pending->done || (closed_ && !pending->running); });
  return pending->done ? pending->result : 0;
}

void MessageBridge::Post(std::function<void()> call) {
  {
    std::lock_guard lock(mutex_);
    if (closed_) return;
  }
  QMetaObject::invokeMethod(
      context_,
      [this, call = std::move(call)] {
        if (!IsClosed()) call();
      },
      Qt::QueuedConnection);
}

void MessageBridge::Close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
  }
  done_.notify_all();
}

bool MessageBridge::IsClosed() const {
  std::lock_guard lock(mutex_);
  return closed_;
}

}  // namespace qv::ui
