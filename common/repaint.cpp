#include "common/repaint.h"

#include <atomic>

#include "common/view_port.h"

namespace vexalo {

namespace {
std::atomic<DrawRoutine> g_routine{nullptr};
}

void SetDrawRoutine(DrawRoutine routine) { g_routine.store(routine); }

void RepaintView() {
  ViewPort* view = ActiveView.load();
  DrawRoutine routine = g_routine.load();
  if (!view || !routine) return;
  CanvasLease canvas(*view);
  routine(*canvas);
}

}  // namespace vexalo
