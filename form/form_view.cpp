#include "form/form_view.h"

#include <atomic>
#include <cstdio>

#include "commands/time_adjust.h"
#include "common/control_ids.h"
#include "common/repaint.h"
#include "common/shared_state.h"
#include "form/skin_layout.h"
#include "playback/playback_speed.h"
#include "playback/pointing.h"
#include "playback/transport.h"
#include "playback/waveform.h"

namespace vexalo {

namespace {

std::atomic<void (*)(Canvas&)> g_drawWhole{&DrawWholeWave};
std::atomic<std::uint64_t (*)(Canvas&, std::uint64_t)> g_drawWindow{&DrawWindowWave};
std::atomic<bool (*)(int, int)> g_pointerDown{&OnLButtonDown};
std::atomic<bool (*)(int, int)> g_pointerMoved{&OnMouseMove};

void Draw(Canvas& canvas, int index, bool highlighted) {
  const skin::Button& b = skin::ButtonAt(index);
  canvas.DrawBitmap(b.x, b.y, highlighted ? b.highlighted : b.normal);
}

// The lower buttons in the order the press handler tests them.
constexpr int kLowerPressOrder[] = {skin::kInsertTimeInfo, skin::kSideTime, skin::kAdjust, skin::kPause,
                                    skin::kForward,        skin::kRewind,   skin::kPlay,   skin::kStop};

}  // namespace

void SetWaveformCalls(const WaveformCalls& calls) {
  g_drawWhole.store(calls.drawWhole);
  g_drawWindow.store(calls.drawWindow);
  g_pointerDown.store(calls.pointerDown);
  g_pointerMoved.store(calls.pointerMoved);
}

WaveformCalls GetWaveformCalls() {
  WaveformCalls calls;
  calls.drawWhole = g_drawWhole.load();
  calls.drawWindow = g_drawWindow.load();
  calls.pointerDown = g_pointerDown.load();
  calls.pointerMoved = g_pointerMoved.load();
  return calls;
}

WaveformCalls DefaultWaveformCalls() {
  WaveformCalls calls;
  calls.drawWhole = &DrawWholeWave;
  calls.drawWindow = &DrawWindowWave;
  calls.pointerDown = &OnLButtonDown;
  calls.pointerMoved = &OnMouseMove;
  return calls;
}


std::string SongFactsText() {
  char text[96];
  std::snprintf(text, sizeof text, SongInfo.channels.load() == 2 ? "Stereo : SR = %d BR = %d" : "Mono : SR = %d BR = %d",
                SongInfo.sampleRate.load(), SongInfo.bitRate.load());
  return text;
}

void OnDraw(Canvas& canvas) {
  for (const skin::Placement& p : skin::FrameworkPlacements()) canvas.DrawBitmap(p.x, p.y, p.id);
  for (int n = skin::kTop1; n <= skin::kTop10; ++n) Draw(canvas, n, false);
  Draw(canvas, skin::kInsertTimeInfo, false);
  Draw(canvas, skin::kSideTime, false);
  Draw(canvas, skin::kAdjust, false);
  for (int n : {skin::kForward, skin::kRewind, skin::kPlay, skin::kPause, skin::kStop}) Draw(canvas, n, false);

  const int state = PlayerState.load();
  if (state == kStateWindowView) {
    if (auto drawWindow = g_drawWindow.load()) {
      const std::uint64_t step = drawWindow(canvas, WindowSpanBytes());
      if (step != 0) ColumnBytes.store(static_cast<std::uint64_t>(SongInfo.channels.load()) * step);
    }
  } else if (state == kStateWholeView) {
    // The facts are known from the song's first frame on; until then the pane stays empty.
    if (ViewPort* view = ActiveView.load())
      view->SetStatusText(kPaneSongFacts, SongInfo.layer.load() == 3 ? SongFactsText() : std::string());
    if (!Decoding.load()) {
      if (auto drawWhole = g_drawWhole.load()) drawWhole(canvas);
    }
  }

  Draw(canvas, skin::kInsertTimeInfo, false);
  Draw(canvas, skin::kSideTime, false);
  Draw(canvas, skin::kAdjust, false);
}

int HitTopButton(int x, int y) {
  for (int n = skin::kTop1; n <= skin::kTop10; ++n) {
    if (skin::ButtonAt(n).hit.Contains(x, y)) return n;
  }
  return -1;
}

int HitActiveLowerButton(int x, int y, int playerState) {
  for (int n : kLowerPressOrder) {
    const skin::Button& b = skin::ButtonAt(n);
    if (skin::Answers(b.activity, playerState) && b.hit.Contains(x, y)) return n;
  }
  return -1;
}

int HitLowerButton(int x, int y) {
  for (int n = skin::kInsertTimeInfo; n < skin::kButtonCount; ++n) {
    if (skin::ButtonAt(n).hit.Contains(x, y)) return n;
  }
  return -1;
}

FormView::FormView(ViewPort& port, CommandRegistry& commands) : m_port(port), m_commands(commands) {}

void FormView::OnInitialUpdate() {
  SetDrawRoutine(&OnDraw);
  m_port.SetTitle(kProductTitle);
  m_port.EnableSlider(false);
  ResetAdjustFields(m_port);
  m_port.EditorSetLimit(static_cast<int>(kLyricsCapacity));
  m_port.SetFocus(kIdcEditor);
  m_port.SetStatusText(kPaneSpeed, SpeedText(PlaybackSpeedPercent.load()));
}

void FormView::PressButton(int index) {
  // Button handlers reach the view through ActiveView; after the view shutdown nothing runs.
  if (!ActiveView.load()) return;
  {
    CanvasLease canvas(m_port);
    Draw(*canvas, index, true);
  }
  // The canvas is released first: the command may open a dialog or repaint the view itself.
  m_commands.Run(skin::ButtonAt(index).command);
}

void FormView::OnLButtonDown(int x, int y) {
  if (auto pointerDown = g_pointerDown.load(); pointerDown && pointerDown(x, y)) return;
  const int state = PlayerState.load();
  if (int top = HitTopButton(x, y); top >= 0) {
    PressButton(top);
    return;
  }
  if (!SongShown(state)) return;
  if (int lower = HitActiveLowerButton(x, y, state); lower >= 0) PressButton(lower);
}

void FormView::OnMouseMove(int x, int y) {
  if (auto pointerMoved = g_pointerMoved.load(); pointerMoved && pointerMoved(x, y)) return;
  const int state = PlayerState.load();
  const int top = HitTopButton(x, y);
  {
    CanvasLease canvas(m_port);
    if (SongShown(state)) {
      Draw(*canvas, skin::kInsertTimeInfo, false);
      Draw(*canvas, skin::kSideTime, false);
      Draw(*canvas, skin::kAdjust, false);
      if (state != kStateWholeView) {
        Draw(*canvas, skin::kForward, false);
        Draw(*canvas, skin::kRewind, false);
      } else {
        Draw(*canvas, skin::kPause, false);
      }
      Draw(*canvas, skin::kPlay, false);
      Draw(*canvas, skin::kStop, false);
    }
    for (int n = skin::kTop1; n <= skin::kTop10; ++n) Draw(*canvas, n, n == top);
  }
  if (top >= 0) {
    const skin::Button& b = skin::ButtonAt(top);
    m_port.SetMouseCursor(b.cursor);
    m_port.SetStatusText(kPanePrompt, b.tip);
  }
}

void FormView::OnLButtonUp(int x, int y) {
  const int lower = HitLowerButton(x, y);
  if (lower < 0) return;
  CanvasLease canvas(m_port);
  Draw(*canvas, lower, false);
}

}  // namespace vexalo
