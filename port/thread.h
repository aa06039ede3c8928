// A joinable thread with a small stack. A batch starts one worker per checked device, and
// hundreds of them must fit in a 32-bit address space: threads of the default size (2 MB
// reserved each) would not.
#pragma once
#include <cstddef>
#include <functional>
#include <memory>

namespace port {

class Thread {
 public:
  static constexpr std::size_t kSmallStack = 256 * 1024;

  Thread() = default;
  // Starts fn in a new thread with a stack of about stackBytes. When the system cannot
  // start it, the Thread is not joinable and fn never runs.
  explicit Thread(std::function<void()> fn, std::size_t stackBytes = kSmallStack);
  // Joins a thread that is still joinable.
  ~Thread();
  Thread(Thread&& other) noexcept;
  Thread& operator=(Thread&& other) noexcept;
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  bool Joinable() const { return m_handle != nullptr; }
  void Join();

 private:
  struct Handle;
  Handle* m_handle = nullptr;
};

}  // namespace port
