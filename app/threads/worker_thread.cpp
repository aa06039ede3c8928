#include "app/threads/worker_thread.h"

#include "port/stop_scope.h"
#include "port/sync.h"

WorkerThread::~WorkerThread() {
  RequestStop();
  Join();
}

void WorkerThread::Start(std::function<void(const std::atomic<bool>& stop)> fn) {
  RequestStop();
  Join();
  m_stop = std::make_shared<std::atomic<bool>>(false);
  m_done = std::make_shared<std::atomic<bool>>(false);
  auto stop = m_stop;
  auto done = m_done;
  m_thread = std::thread([fn = std::move(fn), stop, done] {
    port::StopScope scope(stop.get());  // a stop abandons the thread's requests in flight
    fn(*stop);
    done->store(true);
  });
}

void WorkerThread::RequestStop() {
  if (m_stop) m_stop->store(true);
}

bool WorkerThread::Running() const { return m_thread.joinable() && !(m_done && m_done->load()); }

bool WorkerThread::TryJoin() {
  if (!m_thread.joinable()) return true;
  if (!m_done->load()) return false;
  m_thread.join();
  return true;
}

void WorkerThread::Join() {
  if (m_thread.joinable()) m_thread.join();
}

void WaitPumping(const std::function<bool()>& done, const std::function<void()>& pump,
                 int sliceMs) {
  while (!done()) {
    if (pump) pump();
    if (done()) break;
    port::SleepMs(sliceMs);
  }
}

void StopAndWait(const std::vector<WorkerThread*>& threads, const std::function<void()>& pump,
                 int sliceMs) {
  for (WorkerThread* t : threads)
    if (t) t->RequestStop();
  if (!pump) {
    for (WorkerThread* t : threads)
      if (t) t->Join();
    return;
  }
  WaitPumping(
      [&] {
        bool all = true;
        for (WorkerThread* t : threads)
          if (t && !t->TryJoin()) all = false;
        return all;
      },
      pump, sliceMs);
}
