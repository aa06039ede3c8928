// Where the time goes while a search's answers arrive: how long each pass of the discovery
// dispatcher works, how long it waits for the main window to take an answer, and how long
// the user-interface thread stays in each message it handles. Written, when the environment
// variable DORVIK_PACE_LOG names a file, as one line per measurement ("<kind> <start> <microseconds>
// <message> <window>", the start on the steady clock in microseconds); bench/startup reads it.
// Without the variable each call is one test of a flag.
#pragma once
#include <cstdint>

namespace port::pace {

enum Kind : int {
  kDispatchPass = 0,  // a dispatcher pass that handed something over, its pause not counted
  kSendWait = 1,      // a worker's synchronous report to the main window, sent to returned
  kWindowMessage = 2, // a message handled by a window procedure that no other one called
  kLoopMessage = 3,   // a message taken by the main message loop, from taken to done
  kStep = 4,          // a named step inside one of them
};

bool On();
// Microseconds on a steady clock.
std::int64_t NowUs();
// Records now - startUs under kind. Safe from any thread.
// `what` names the window (or nothing).
void Note(Kind kind, std::int64_t startUs, unsigned message = 0, const char* what = nullptr);
// Writes what is still kept (measurements reach the file at least twice a second anyway).
void Flush();

// One synchronous report from a worker, timed on both sides: Sent() just before the send,
// a HandOver on the receiver's stack while it handles the report, Returned() when the sender
// has its answer. Notes the steps "deliver-latency" (sent to taken) and "return-latency"
// (handled to returned). Meant for one sender at a time (the discovery dispatcher).
class HandOver {
 public:
  static void Sent();
  static void Returned();
  HandOver();
  ~HandOver();
  HandOver(const HandOver&) = delete;
  HandOver& operator=(const HandOver&) = delete;
};

// Times its own scope.
class Scope {
 public:
  // Nothing is timed when `wanted` is false.
  explicit Scope(Kind kind, unsigned message = 0, bool wanted = true, const char* what = nullptr)
      : m_kind(kind), m_message(message), m_what(what), m_start(wanted && On() ? NowUs() : -1) {}
  ~Scope() {
    if (m_start >= 0) Note(m_kind, m_start, m_message, m_what);
  }
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;

 private:
  Kind m_kind;
  unsigned m_message;
  const char* m_what;
  std::int64_t m_start;
};

}  // namespace port::pace
