// The view's drawing surface and UI queue: a worker's drawing and calls reach the UI thread in
// the order they were made, and a worker's lease or step is never split by other drawing.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/back_buffer.h"
#include "app/ui_queue.h"
#include "app/view_surface.h"

namespace vexalo::app {
namespace {

// A stand-in UI thread: the test's own thread, draining when it chooses.
struct FakeUi {
  std::thread::id ui = std::this_thread::get_id();
  std::atomic<int> wakes{0};
  UiQueue queue{[this] { return std::this_thread::get_id() == ui; }, [this](std::function<void()>) { ++wakes; }};
};

TEST(UiQueue, WorkerCallsRunOnTheUiThreadInOrderAndUiPostsWaitBehindThem) {
  FakeUi ui;
  std::vector<int> order;
  std::thread worker([&] {
    ui.queue.Post([&] { order.push_back(1); });
    ui.queue.Post([&] { order.push_back(2); });
  });
  worker.join();
  EXPECT_TRUE(order.empty());
  EXPECT_EQ(ui.wakes.load(), 1);
  ui.queue.Post([&] { order.push_back(3); });  // behind what the worker queued
  EXPECT_TRUE(order.empty());
  ui.queue.Drain();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  ui.queue.Post([&] { order.push_back(4); });  // nothing waits: at once
  EXPECT_EQ(order.back(), 4);
}

TEST(UiQueue, RunGivesTheWorkerTheUiThreadsAnswer) {
  FakeUi ui;
  std::atomic<int> answer{0};
  std::thread worker([&] { answer = ui.queue.Run([&] { return std::this_thread::get_id() == ui.ui ? 42 : -1; }); });
  while (!ui.queue.Pending()) std::this_thread::yield();
  ui.queue.Drain();
  worker.join();
  EXPECT_EQ(answer.load(), 42);
}

TEST(ViewSurface, WorkerLeaseIsDrawnWholeOnTheUiThreadAfterUiDrawing) {
  FakeUi ui;
  BackBuffer buffer(20, 10, 0);
  int changes = 0;
  ViewSurface surface(buffer, ui.queue, ViewSurface::Hooks{{}, [&] { ++changes; }});
  std::thread worker([&] {
    surface.Acquire();
    surface.FillSolid(0, 0, 20, 10, 0x0000FF);
    surface.Line(0, 5, 20, 5, 0xFF0000);
    surface.Release();
  });
  worker.join();
  EXPECT_EQ(buffer.GetPixel(3, 5), 0u) << "nothing is drawn off the UI thread";
  surface.Acquire();
  surface.SetPixel(3, 5, 0x00FF00);
  surface.Release();
  EXPECT_EQ(changes, 1);
  ui.queue.Drain();
  EXPECT_EQ(buffer.GetPixel(3, 5), 0xFF0000u);
  EXPECT_EQ(buffer.GetPixel(3, 6), 0x0000FFu);
  EXPECT_EQ(changes, 2);
}

TEST(ViewSurface, StepFromAWorkerRunsAsOneOnTheUiThreadAndReadsWhatWasDrawnBefore) {
  FakeUi ui;
  BackBuffer buffer(8, 8, 0);
  ViewSurface surface(buffer, ui.queue, ViewSurface::Hooks{});
  std::atomic<bool> stepOnUi{false};
  std::thread worker([&] {
    surface.Acquire();
    surface.SetPixel(1, 1, 0x123456);
    surface.RunStep([&](Canvas& c) {
      stepOnUi = std::this_thread::get_id() == ui.ui;
      c.SetPixel(2, 2, c.GetPixel(1, 1));
    });
    surface.Release();
  });
  worker.join();
  ui.queue.Drain();
  EXPECT_TRUE(stepOnUi.load());
  EXPECT_EQ(buffer.GetPixel(2, 2), 0x123456u);
}

}  // namespace
}  // namespace vexalo::app
