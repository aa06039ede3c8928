// Sleeps, events and clocks shared by both builds.
#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace port {

// Sleeps ms milliseconds (port/sleep.cpp).
void SleepMs(int ms);
// Gives up the rest of the time slice (the zero-length sleep of the receivers).
inline void YieldSlice() { std::this_thread::yield(); }

// Milliseconds on a steady clock, for time-outs and measurements.
inline std::int64_t SteadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// A manual-reset event: Set wakes every waiter until Reset.
class Event {
 public:
  void Set() {
    std::lock_guard<std::mutex> l(m_);
    set_ = true;
    cv_.notify_all();
  }
  void Reset() {
    std::lock_guard<std::mutex> l(m_);
    set_ = false;
  }
  bool IsSet() const {
    std::lock_guard<std::mutex> l(m_);
    return set_;
  }
  // True when set within timeoutMs (a negative time-out waits without limit).
  bool Wait(int timeoutMs = -1) {
    std::unique_lock<std::mutex> l(m_);
    if (timeoutMs < 0) {
      cv_.wait(l, [this] { return set_; });
      return true;
    }
    return cv_.wait_for(l, std::chrono::milliseconds(timeoutMs), [this] { return set_; });
  }

 private:
  mutable std::mutex m_;
  std::condition_variable cv_;
  bool set_ = false;
};

}  // namespace port
