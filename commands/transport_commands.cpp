#include "commands/transport_commands.h"

#include <algorithm>
#include <cstdint>

#include "common/control_ids.h"
#include "common/repaint.h"
#include "common/shared_state.h"
#include "common/view_port.h"
#include "playback/transport.h"

namespace vexalo {

namespace {

void FocusWaveArea() {
  if (ViewPort* view = ActiveView.load()) view->SetFocus(kIdcWaveArea);
}

// Play, << and >>: the command word a running worker watches, then what the key does when idle.
void PressTransportButton(int code) {
  if (SongShown()) {
    TransportCommand.store(code);
    OnTransportKey(code);
  }
  FocusWaveArea();
}

}  // namespace

void OnPlay() { PressTransportButton(kCmdPlay); }

void OnPause() {
  if (SongShown()) TransportCommand.store(kCmdPause);
  FocusWaveArea();
}

void OnStop() {
  if (SongShown()) TransportCommand.store(kCmdStop);
  FocusWaveArea();
}

void OnRewind() { PressTransportButton(kCmdRewind); }

void OnForward() { PressTransportButton(kCmdForward); }

void OnTransportKey(int code) {
  if (!SongShown()) return;
  switch (code) {
    case kCmdEscape:
      SwitchToWholeView();
      break;
    case kCmdPlay:
      TransportCommand.store(kCmdPlay);
      if (WorkerBusy.load()) return;
      WorkerBusy.store(1);
      TransportCommand.store(kCmdNone);
      RepaintView();
      if (PlayerState.load() == kStateWholeView) {
        StartWholePlayWorker();
      } else {
        StartWindowPlayWorker();
      }
      break;
    case kCmdRewind:
    case kCmdForward: {
      TransportCommand.store(code);
      if (PlayerState.load() != kStateWindowView || WorkerBusy.load()) return;
      WorkerBusy.store(1);
      const std::int64_t step = static_cast<std::int64_t>(3 * ColumnBytes.load() / 4) * WaveRect.right;
      auto pos = static_cast<std::int64_t>(PlayPosBytes.load());
      if (code == kCmdRewind) {
        pos -= step;
        if (pos & 1) --pos;
        if (pos < 0) pos = 0;
      } else {
        pos += step;
        if (pos & 1) ++pos;
        const auto stored = static_cast<std::int64_t>(storedBytes.load());
        if (pos >= stored) {
          pos = std::max<std::int64_t>(stored - 1, 0);
          if (pos & 1) --pos;
        }
      }
      PlayPosBytes.store(static_cast<std::uint64_t>(pos));
      RepaintView();
      UpdateSliderFromPosition(PlayPosBytes.load());
      ShowPlayReadout();
      // The key's own code would end the new window playback before its first chunk.
      TransportCommand.store(kCmdNone);
      StartWindowPlayWorker();
      break;
    }
    case kCmdStop:
      TransportCommand.store(kCmdStop);
      break;
    default:
      break;
  }
}

void OnWholeView() {
  if (!SongShown()) return;
  TransportCommand.store(kCmdWholeView);
  if (WorkerBusy.load()) return;
  TransportCommand.store(kCmdNone);
  SwitchToWholeView();
}

void OnWindowView() {
  if (!SongShown()) return;
  TransportCommand.store(kCmdWindowView);
  if (WorkerBusy.load()) return;
  TransportCommand.store(kCmdNone);
  SwitchToWindowView();
}

}  // namespace vexalo
