#include "common/worker.h"

#include <chrono>
#include <mutex>
#include <thread>

#include "common/shared_state.h"

namespace vexalo {

namespace {
std::mutex g_threadLock;
std::thread g_worker;

void JoinFinished() {
  std::lock_guard<std::mutex> hold(g_threadLock);
  if (g_worker.joinable() && g_worker.get_id() != std::this_thread::get_id()) g_worker.join();
}
}  // namespace

void StartWorkerThread(std::function<void()> proc) {
  JoinFinished();
  std::lock_guard<std::mutex> hold(g_threadLock);
  g_worker = std::thread(std::move(proc));
}

void WaitForWorker(const std::function<void()>& pump) {
  while (WorkerBusy.load() != 0) {
    if (pump) pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  JoinFinished();
}

}  // namespace vexalo
