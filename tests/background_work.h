// Runs a piece of work on a thread of its own, for tests of calls that block until another thread (a
// device, a reset, a resume) frees them.
#pragma once
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

struct BackgroundWork {
  explicit BackgroundWork(std::function<void()> work)
      : thread_([this, work = std::move(work)] {
          work();
          done_ = true;
        }) {}
  BackgroundWork(const BackgroundWork&) = delete;
  BackgroundWork& operator=(const BackgroundWork&) = delete;
  ~BackgroundWork() {
    if (thread_.joinable()) thread_.join();
  }
  bool Done() const { return done_; }
  // Waits up to `ms` for the work. When it has not finished, `rescue` runs on this thread to free it, so
  // that a failing test reports instead of hanging. True when the work finished without the rescue.
  bool Finish(int ms, const std::function<void()>& rescue) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done_ && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const bool finished = done_;
    if (!finished) rescue();
    thread_.join();
    return finished;
  }

 private:
  std::atomic<bool> done_{false};
  std::thread thread_;
};

// Runs `work` in the background and finishes it as above.
inline bool FinishesWithin(int ms, const std::function<void()>& work, const std::function<void()>& rescue) {
  return BackgroundWork(work).Finish(ms, rescue);
}
