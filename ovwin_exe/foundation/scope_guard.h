// Runs one clean-up on every way out of a scope, for the work that has no
// resource of its own to own (switching something back on, restoring a
// flag):
//
//     const ScopeGuard restore([] { EnableSomething(); });
#pragma once

#include <utility>

template <typename Action>
class [[nodiscard]] ScopeGuard
{
  public:
    explicit ScopeGuard(Action action) : action_(std::move(action)) {}
    ~ScopeGuard() { action_(); }
    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;

  private:
    Action action_;
};
