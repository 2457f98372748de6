// The one worker thread (decode or playback). Whoever starts a worker sets WorkerBusy first; the
// worker clears it as its last act. The UI thread never waits for a worker, except at shutdown
// and before a new file is opened, where it keeps dispatching what the worker queued.
#pragma once

#include <functional>

namespace vexalo {

// Starts `proc` on a new worker thread. The caller has set WorkerBusy to 1. A previous worker
// thread, which has already cleared WorkerBusy, is joined first.
void StartWorkerThread(std::function<void()> proc);

// Waits until the running worker (if any) has ended and its thread is joined, calling `pump`
// (the UI's event dispatch) between short sleeps so that queued drawing is still carried out.
void WaitForWorker(const std::function<void()>& pump = {});

}  // namespace vexalo
