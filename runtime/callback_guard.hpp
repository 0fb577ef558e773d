#pragma once
// Signal handlers run inside GTK's and WebKit's C code: an exception that
// reaches it ends the process. Every handler body runs through `guarded`, and
// what fails there is dropped, since the app never reports a failure
// other than through its error page and the alert sound.

#include <exception>
#include <type_traits>
#include <utility>

namespace runlet {

template <class Body>
void guarded(Body&& body) noexcept {
  try {
    std::forward<Body>(body)();
  } catch (...) {
  }
}

// For handlers that answer: `fallback` when the body throws.
template <class Body, class Result = std::invoke_result_t<Body>>
Result guarded(Result fallback, Body&& body) noexcept {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    return fallback;
  }
}

}  // namespace runlet
