// Repainting the view at once (skin, then the waveform of the current mode) from any thread.
// The form view installs its draw routine; the core's workers and commands call RepaintView.
#pragma once

#include "common/canvas.h"

namespace vexalo {

using DrawRoutine = void (*)(Canvas&);

void SetDrawRoutine(DrawRoutine routine);
// Draws through the active view's canvas; does nothing without an active view or a routine.
void RepaintView();

}  // namespace vexalo
