#include "port/thread.h"

#include <utility>

#ifdef _WIN32
#include <windows.h>
#include <process.h>
#else
#include <limits.h>
#include <pthread.h>
#endif

namespace port {

struct Thread::Handle {
#ifdef _WIN32
  HANDLE thread = nullptr;
#else
  pthread_t thread{};
#endif
};

namespace {

#ifdef _WIN32
unsigned __stdcall Entry(void* arg) {
#else
void* Entry(void* arg) {
#endif
  std::unique_ptr<std::function<void()>> fn(static_cast<std::function<void()>*>(arg));
  (*fn)();
  return 0;
}

}  // namespace

Thread::Thread(std::function<void()> fn, std::size_t stackBytes) {
  auto* arg = new std::function<void()>(std::move(fn));
  auto* h = new Handle;
#ifdef _WIN32
  uintptr_t t = ::_beginthreadex(nullptr, static_cast<unsigned>(stackBytes), &Entry, arg,
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (t == 0) {
    delete arg;
    delete h;
    return;
  }
  h->thread = reinterpret_cast<HANDLE>(t);
#else
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  if (stackBytes < static_cast<std::size_t>(PTHREAD_STACK_MIN)) stackBytes = PTHREAD_STACK_MIN;
  pthread_attr_setstacksize(&attr, stackBytes);
  const int rc = pthread_create(&h->thread, &attr, &Entry, arg);
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    delete arg;
    delete h;
    return;
  }
#endif
  m_handle = h;
}

Thread::~Thread() { Join(); }

Thread::Thread(Thread&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}

Thread& Thread::operator=(Thread&& other) noexcept {
  if (this != &other) {
    Join();
    m_handle = std::exchange(other.m_handle, nullptr);
  }
  return *this;
}

void Thread::Join() {
  if (!m_handle) return;
#ifdef _WIN32
  ::WaitForSingleObject(m_handle->thread, INFINITE);
  ::CloseHandle(m_handle->thread);
#else
  pthread_join(m_handle->thread, nullptr);
#endif
  delete m_handle;
  m_handle = nullptr;
}

}  // namespace port
