#include "commands/listening_commands.h"

#include <cstdio>

#include "common/control_ids.h"
#include "common/shared_state.h"
#include "common/view_port.h"
#include "playback/playback_speed.h"
#include "playback/pointing.h"
#include "playback/transport.h"

namespace vexalo {

void ShowSpeedPane() {
  if (ViewPort* view = ActiveView.load()) view->SetStatusText(kPaneSpeed, SpeedText(PlaybackSpeedPercent.load()));
}

void OnSpeed(int percent) {
  PlaybackSpeedPercent.store(ValidSpeed(percent));
  ShowSpeedPane();
}

void OnSpeedSlower() { OnSpeed(SlowerSpeed(PlaybackSpeedPercent.load())); }

void OnSpeedFaster() { OnSpeed(FasterSpeed(PlaybackSpeedPercent.load())); }

std::string WindowSpanText(int frames) {
  char text[96];
  const double seconds = frames * SongInfo.frameSeconds.load();
  if (SongShown() && seconds > 0) {
    std::snprintf(text, sizeof text, "Window span: %d frames (%.2f s)", frames, seconds);
  } else {
    std::snprintf(text, sizeof text, "Window span: %d frames", frames);
  }
  return text;
}

void OnWindowSpan(int frames) {
  const int span = ZoomedSpan(frames, 0);
  WindowFrames.store(span);
  ViewPort* view = ActiveView.load();
  if (view) view->SetStatusText(kPanePrompt, WindowSpanText(span));
  if (PlayerState.load() != kStateWindowView) return;
  if (WorkerBusy.load()) {
    TransportCommand.store(kCmdPlay);
    return;
  }
  ShowWindowEndReadout();
  SwitchToWindowView();
}

void OnZoomIn() { OnWindowSpan(ZoomedSpan(WindowFrames.load(), 1)); }

void OnZoomOut() { OnWindowSpan(ZoomedSpan(WindowFrames.load(), -1)); }

bool OnWaveformWheel(int x, int y, int steps, bool ctrl) {
  if (!ctrl || steps == 0 || !InsideWaveRect(x, y)) return false;
  OnWindowSpan(ZoomedSpan(WindowFrames.load(), steps));
  return true;
}

}  // namespace vexalo
