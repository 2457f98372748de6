// Calls made off the UI thread, carried onto it in the order they were made (one queue for the
// view's drawing and its other port calls). Toolkit-free: the window supplies how to tell the UI
// thread and how to wake it.
#pragma once

#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <type_traits>
#include <utility>

namespace vexalo::app {

class UiQueue {
 public:
  // `onUiThread` tells whether the caller is the UI thread; `wake` has the UI thread call Drain()
  // soon (the window posts it as an event).
  UiQueue(std::function<bool()> onUiThread, std::function<void(std::function<void()>)> wake)
      : m_onUiThread(std::move(onUiThread)), m_wake(std::move(wake)) {}

  bool OnUiThread() const { return m_onUiThread(); }

  // Runs `call` on the UI thread after everything queued before it. On the UI thread it runs at
  // once when nothing waits, and otherwise takes its place behind what a worker queued.
  void Post(std::function<void()> call);

  // Runs `call` on the UI thread and returns its result; a worker waits for it (after everything
  // it queued before). On the UI thread it runs at once.
  template <typename F>
  auto Run(F&& call) -> std::invoke_result_t<F> {
    using R = std::invoke_result_t<F>;
    if (OnUiThread()) return call();
    std::promise<R> done;
    auto result = done.get_future();
    Enqueue([&done, &call] {
      if constexpr (std::is_void_v<R>) {
        call();
        done.set_value();
      } else {
        done.set_value(call());
      }
    });
    return result.get();
  }

  // UI thread: runs the queued calls in order, including those queued while it runs.
  void Drain();
  // True while calls wait.
  bool Pending();

 private:
  void Enqueue(std::function<void()> call);

  std::function<bool()> m_onUiThread;
  std::function<void(std::function<void()>)> m_wake;
  std::mutex m_lock;
  std::deque<std::function<void()>> m_calls;
  bool m_wakePosted = false;
};

}  // namespace vexalo::app
