// Where the window places the form's native controls, in view client pixels, so that each sits
// inside its frame of the skin (skin_layout.h). Rectangles are [left, right) x [top, bottom).
#pragma once

#include <span>

#include "common/shared_state.h"

namespace vexalo::skin {

// The white waveform field painted into background bitmap 143 (inclusive bounds). Control 1002
// lies inside it with room for the 3-pixel fill beyond WaveRect's right edge.
constexpr Rect kWaveField{20, 46, 757, 198};

struct ControlPlacement {
  int id;             // control id, 0 for a static label
  const char* label;  // text of a static label, nullptr for controls
  Rect rect;
  bool visible;
};

// The editor 1001, waveform area 1002 (hidden), slider 1003, checkbox 1014, adjust fields 1022 and
// 1017 with the "." between them, radios 1041 / 1042 with their "+" / "-" labels.
std::span<const ControlPlacement> ControlPlacements();
const ControlPlacement* FindControlPlacement(int id);

}  // namespace vexalo::skin
