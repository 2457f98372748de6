#include "app/ui_queue.h"

namespace vexalo::app {

void UiQueue::Enqueue(std::function<void()> call) {
  bool wake = false;
  {
    std::lock_guard<std::mutex> hold(m_lock);
    m_calls.push_back(std::move(call));
    if (!m_wakePosted) m_wakePosted = wake = true;
  }
  if (wake) m_wake([this] { Drain(); });
}

void UiQueue::Post(std::function<void()> call) {
  if (OnUiThread() && !Pending()) {
    call();
    return;
  }
  Enqueue(std::move(call));
}

bool UiQueue::Pending() {
  std::lock_guard<std::mutex> hold(m_lock);
  return !m_calls.empty();
}

void UiQueue::Drain() {
  for (;;) {
    std::function<void()> call;
    {
      std::lock_guard<std::mutex> hold(m_lock);
      if (m_calls.empty()) {
        m_wakePosted = false;
        return;
      }
      call = std::move(m_calls.front());
      m_calls.pop_front();
      // What comes while the call runs wakes the UI again, so a dialog's loop inside the call
      // keeps draining; the order stays, as every drain takes from the front.
      m_wakePosted = false;
    }
    call();
  }
}

}  // namespace vexalo::app
