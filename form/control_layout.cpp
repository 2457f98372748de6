#include "form/control_layout.h"

#include <algorithm>
#include <array>

#include "common/control_ids.h"

namespace vexalo::skin {

namespace {

// The editor fills its frame below the caption row (Insert TimeInfo, the checkbox, Side Time);
// the adjust fields and radios sit between the "Time Adjust" caption and the Adjust button.
constexpr std::array<ControlPlacement, 11> kControls{{
    {kIdcEditor, nullptr, Rect{24, 331, 555, 503}, true},
    {kIdcWaveArea, nullptr, Rect{22, 48, 755, 196}, false},
    {kIdcSlider, nullptr, Rect{18, 206, 756, 232}, true},
    {kIdcAutoAdvance, nullptr, Rect{153, 305, 171, 323}, true},
    {kIdcAdjustSeconds, nullptr, Rect{632, 457, 662, 481}, true},
    {0, ".", Rect{662, 457, 672, 481}, true},
    {kIdcAdjustTenths, nullptr, Rect{672, 457, 702, 481}, true},
    {kIdcAdjustPlus, nullptr, Rect{588, 446, 606, 462}, true},
    {0, "+", Rect{607, 446, 619, 462}, true},
    {kIdcAdjustMinus, nullptr, Rect{588, 465, 606, 481}, true},
    {0, "-", Rect{607, 465, 619, 481}, true},
}};

}  // namespace

std::span<const ControlPlacement> ControlPlacements() { return kControls; }

const ControlPlacement* FindControlPlacement(int id) {
  if (id == 0) return nullptr;
  auto it = std::find_if(kControls.begin(), kControls.end(), [id](const ControlPlacement& c) { return c.id == id; });
  return it == kControls.end() ? nullptr : &*it;
}

}  // namespace vexalo::skin
