#include "port/stop_scope.h"

namespace port {
namespace {

thread_local const StopScope* t_innermost = nullptr;

}  // namespace

StopScope::StopScope(const std::atomic<bool>* flag) : m_flag(flag), m_outer(t_innermost) { t_innermost = this; }

StopScope::~StopScope() { t_innermost = m_outer; }

bool StopRequested() {
  for (const StopScope* s = t_innermost; s; s = s->m_outer)
    if (s->m_flag && s->m_flag->load()) return true;
  return false;
}

bool InStopScope() { return t_innermost != nullptr; }

}  // namespace port
