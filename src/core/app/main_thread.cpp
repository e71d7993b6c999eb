#include "app/main_thread.h"

#include <chrono>
#include <thread>

namespace mozhou::app {

TaskQueue::TaskQueue() : owner_(std::this_thread::get_id()) {}

void TaskQueue::post(std::function<void()> fn) {
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(fn));
  }
  cv_.notify_all();
}

void TaskQueue::call(const std::function<void()>& fn) {
  if (std::this_thread::get_id() == owner_) {
    fn();
    return;
  }
  std::promise<void> done;
  auto fut = done.get_future();
  post([&] {
    fn();
    done.set_value();
  });
  fut.wait();
}

int TaskQueue::pump() {
  int ran = 0;
  for (;;) {
    std::function<void()> fn;
    {
      std::lock_guard lock(mutex_);
      if (tasks_.empty()) return ran;
      fn = std::move(tasks_.front());
      tasks_.pop_front();
    }
    fn();
    ++ran;
  }
}

int TaskQueue::pumpFor(int ms) {
  {
    std::unique_lock lock(mutex_);
    cv_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return !tasks_.empty(); });
  }
  return pump();
}

}  // namespace mozhou::app
