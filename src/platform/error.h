#pragma once
// One failure mechanism for the whole module: inside a trapped procedure a failure is a
// RuntimeError (or a standard exception); the procedure's noexcept boundary catches
// everything and yields its neutral result.
#include <stdexcept>
#include <string>

namespace notify {

class RuntimeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

[[noreturn]] inline void Fail(const std::string& what) { throw RuntimeError(what); }

// Runs body(); any exception becomes `neutral`. For use inside noexcept boundaries.
template <class T, class Body>
T Trap(T neutral, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return neutral;
  }
}

template <class Body>
void TrapVoid(Body&& body) noexcept {
  try {
    body();
  } catch (...) {
  }
}

}  // namespace notify
