#include "playback/readout.h"

#include <cstring>

#include "common/control_ids.h"
#include "common/view_port.h"

namespace vexalo {

void CopyReadoutText(std::string_view text, char (&buffer)[kTextCapacity]) {
  std::memset(buffer, 0, sizeof buffer);
  std::size_t n = text.size();
  if (n > kTextCapacity - 1) n = kTextCapacity - 1;
  const void* zero = std::memchr(text.data(), 0, n);
  if (zero != nullptr) n = static_cast<std::size_t>(static_cast<const char*>(zero) - text.data());
  std::memcpy(buffer, text.data(), n);
}

void ShowReadout(int slot, const std::string& text) {
  ViewPort* view = ActiveView.load();
  if (view == nullptr) return;
  switch (slot) {
    case kIdcEditor:
    case kIdcSideTime:
    case kIdcAdjustPreview:
      view->SetControlText(slot, text);
      return;
    default: break;
  }

  const Rect r = WaveRect;
  int x = 0, y = 0;
  switch (slot) {
    case kIdcProgressSlot: x = r.left + 10, y = r.bottom - 25; break;
    case kIdcCursorSlot: x = r.left + 270, y = r.bottom - 25; break;
    case kIdcStartSlot: x = r.left + 10, y = r.top + 5; break;
    case kIdcEndSlot: x = r.left + 570, y = r.top + 5; break;
    case kIdcPlaySlot: x = r.left + 270, y = r.top + 5; break;
    default: return;
  }
  char buffer[kTextCapacity];
  CopyReadoutText(text, buffer);
  CanvasLease canvas(*view);
  canvas->Text(x, y, std::string(buffer, std::strlen(buffer)));
}

}  // namespace vexalo
