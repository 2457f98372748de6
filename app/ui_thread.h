// Carrying calls from a worker thread onto the UI thread, in the order they were made.
// Calls that return nothing are queued; calls that return a value block the calling worker until
// the UI thread has run them. The UI thread itself runs every call at once.
#pragma once

#include <functional>
#include <future>
#include <type_traits>
#include <utility>

#include <wx/event.h>
#include <wx/thread.h>

namespace vexalo::app {

// Queues `call` for the UI thread (or runs it now when already there).
template <typename F>
void PostToUi(wxEvtHandler& target, F&& call) {
  if (wxIsMainThread()) {
    call();
    return;
  }
  target.CallAfter(std::function<void()>(std::forward<F>(call)));
}

// Runs `call` on the UI thread and returns its result; a worker waits for it.
template <typename F>
auto RunOnUi(wxEvtHandler& target, F&& call) -> std::invoke_result_t<F> {
  using R = std::invoke_result_t<F>;
  if (wxIsMainThread()) return call();
  std::promise<R> done;
  auto result = done.get_future();
  target.CallAfter(std::function<void()>([&done, &call]() {
    if constexpr (std::is_void_v<R>) {
      call();
      done.set_value();
    } else {
      done.set_value(call());
    }
  }));
  return result.get();
}

}  // namespace vexalo::app
