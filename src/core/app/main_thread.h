#pragma once
// How workers reach the main thread, which owns every model. The desktop posts into the Qt
// event loop; the CLI and tests use TaskQueue and pump it on their main thread.
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

namespace mozhou::app {

class MainThread {
 public:
  virtual ~MainThread() = default;
  // Runs fn on the main thread later; never blocks.
  virtual void post(std::function<void()> fn) = 0;
  // Runs fn on the main thread and waits for it. Called from the main thread, runs at once.
  virtual void call(const std::function<void()>& fn) = 0;
};

// A main thread made of a task queue that its owner pumps.
class TaskQueue : public MainThread {
 public:
  TaskQueue();
  void post(std::function<void()> fn) override;
  void call(const std::function<void()>& fn) override;

  // Runs every queued task; returns how many ran. Must be called on the owning thread.
  int pump();
  // Waits up to `ms` for a task, then pumps. Returns how many ran.
  int pumpFor(int ms);

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<std::function<void()>> tasks_;
  std::thread::id owner_;
};

}  // namespace mozhou::app
