#pragma once
// One pass over the thread's message queue: everything pending now is dispatched.
namespace notify {

void DispatchPendingMessages() noexcept;

}  // namespace notify
