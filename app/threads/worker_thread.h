// Threads that the main window starts: each can be asked to stop, and is waited for before
// the objects it uses go away. A wait on the user-interface thread keeps handling messages,
// so threads that SendMessage to that thread while it waits can finish.
#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

class WorkerThread {
 public:
  WorkerThread() = default;
  ~WorkerThread();  // asks the thread to stop and joins it
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Starts fn(stopFlag) in a new thread, inside a stop scope of that flag (port/stop_scope.h):
  // RequestStop also abandons the thread's requests in flight. A thread still running from an
  // earlier Start is asked to stop and joined first.
  void Start(std::function<void(const std::atomic<bool>& stop)> fn);
  void RequestStop();
  bool Running() const;
  // Joins the thread when it has ended (or was never started); returns true then.
  bool TryJoin();
  void Join();

 private:
  std::thread m_thread;
  std::shared_ptr<std::atomic<bool>> m_stop;
  std::shared_ptr<std::atomic<bool>> m_done;
};

// Asks every thread to stop, then waits until all have ended, calling pump() every sliceMs
// meanwhile (the user-interface thread passes its message pump). Without a pump it joins.
void StopAndWait(const std::vector<WorkerThread*>& threads, const std::function<void()>& pump,
                 int sliceMs = 10);
// Waits until done() is true, calling pump() every sliceMs.
void WaitPumping(const std::function<bool()>& done, const std::function<void()>& pump,
                 int sliceMs = 10);
