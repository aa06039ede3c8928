// Stop requests that reach into the socket layer. A thread that may be asked to stop puts
// its stop flag in a StopScope; while the scope lives, every wait of the socket layer made
// on that thread (connect, send, receive: port/net.h) ends within kStopSliceMs of the flag
// being set, as a failure. So a worker's request in flight is abandoned at once, however
// long its own time-out, without the stop flag being handed down through every call.
//
//   std::atomic<bool> stop{false};        // owned by whoever may stop the worker
//   // on the worker thread:
//   port::StopScope scope(&stop);
//   HttpGetCgi(...);                      // returns -1 soon after stop = true
//
// Scopes nest: an inner scope (a batch's own stop) adds its flag to the outer ones (the
// engine's), and the waits end when any of them is set. The flags must outlive the scope.
#pragma once
#include <atomic>

namespace port {

// How often a wait looks at the stop flags.
constexpr int kStopSliceMs = 20;

class StopScope {
 public:
  explicit StopScope(const std::atomic<bool>* flag);
  ~StopScope();
  StopScope(const StopScope&) = delete;
  StopScope& operator=(const StopScope&) = delete;

 private:
  const std::atomic<bool>* m_flag;
  const StopScope* m_outer;
  friend bool StopRequested();
};

// True when a flag of any scope active on the calling thread is set.
bool StopRequested();
// True when the calling thread has a scope at all (its waits then go in slices).
bool InStopScope();

}  // namespace port
