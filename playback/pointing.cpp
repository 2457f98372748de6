#include "playback/pointing.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "common/control_ids.h"
#include "common/repaint.h"
#include "common/shared_state.h"
#include "common/view_port.h"
#include "lyrics/lyrics_editor.h"
#include "playback/readout.h"
#include "playback/transport.h"

namespace vexalo {

namespace {

constexpr int kLineBufferBytes = 2048;

bool SongLoaded() { return !CurrentMp3Path.empty(); }

// An even position limited to the decoded data.
std::uint64_t LimitToData(std::uint64_t p) {
  const std::uint64_t stored = storedBytes.load();
  if (p > stored) {
    p = stored;
    if (p & 1) --p;
  }
  return p;
}

std::uint64_t EvenUp(std::uint64_t p) { return (p & 1) ? p + 1 : p; }

std::uint64_t CursorColumnOf(std::uint64_t pos) {
  std::uint64_t columnBytes = ColumnBytes.load();
  if (columnBytes == 0) columnBytes = 1;
  return pos / columnBytes;
}

}  // namespace

bool InsideWaveRect(int x, int y) {
  const Rect r = WaveRect;
  return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

bool OnLButtonDown(int x, int y) {
  if (!SongShown() || !InsideWaveRect(x, y)) return false;
  TransportCommand.store(kCmdPlay);
  return true;
}

bool OnLButtonDblClk(int x, int y) {
  if (!SongShown() || !InsideWaveRect(x, y)) return false;
  if (WorkerBusy.load()) return true;
  const int c = x - WaveRect.left;
  TransportCommand.store(kCmdNone);
  WorkerBusy.store(1);
  CursorOffset.store(c);
  const std::uint64_t offset = static_cast<std::uint64_t>(c) * ColumnBytes.load();
  if (PlayerState.load() == kStateWholeView) {
    PlayPosBytes.store(LimitToData(EvenUp(offset)));
    StartWholePlayWorker();
  } else {
    PlayPosBytes.store(LimitToData(PlayPosBytes.load() + offset));
    StartWindowPlayWorker();
  }
  return true;
}

bool OnRButtonDown(int x, int y) {
  if (!SongShown() || !InsideWaveRect(x, y)) return false;
  TransportCommand.store(kCmdPlay);
  if (PlayerState.load() != kStateWholeView || WorkerBusy.load()) return true;
  const int c = x - WaveRect.left;
  TransportCommand.store(kCmdNone);
  PlayPosBytes.store(LimitToData(EvenUp(static_cast<std::uint64_t>(c) * ColumnBytes.load())));
  WorkerBusy.store(1);
  StartWindowPlayWorker();
  return true;
}

bool OnRButtonDblClk(int x, int y) {
  if (!SongShown() || !InsideWaveRect(x, y)) return false;
  TransportCommand.store(kCmdPlay);
  if (WorkerBusy.load()) return true;
  PlayerState.store(kStateWholeView);
  RepaintView();
  CursorOffset.store(static_cast<int>(CursorColumnOf(PlayPosBytes.load())));
  return true;
}

bool OnMouseMove(int x, int y) {
  if (!SongShown() || !InsideWaveRect(x, y)) return false;
  if (ViewPort* view = ActiveView.load()) view->SetFocus(kIdcWaveArea);
  const int c = x - WaveRect.left;
  std::uint64_t p = static_cast<std::uint64_t>(c) * ColumnBytes.load();
  if (PlayerState.load() == kStateWindowView) p += PlayPosBytes.load();
  const int ms = TimeOfPosition(LimitToData(EvenUp(p)));
  char text[kTextCapacity];
  std::snprintf(text, sizeof text, " Cursor Position Time = %02d:%02d:%02d ", ms / 60000, (ms / 1000) % 60,
                (ms % 1000) / 10);
  CursorTimeText.Set(text);
  ShowReadout(kIdcCursorSlot, CursorTimeText.Get());
  return true;
}

void OnSliderPressed() { SliderHeld.store(true); }

int OnSliderReleased() {
  SliderHeld.store(false);
  if (!SongLoaded() || !SongShown()) return 0;
  ViewPort* view = ActiveView.load();
  if (WorkerBusy.load()) {
    // The release stops the playback; the player starts the next one where the knob was let go.
    if (view) PendingSliderStart.store(std::clamp(view->GetSliderPos(), 0, 65535));
    TransportCommand.store(kCmdStop);
    TakePendingSliderStart();
    return 0;
  }
  // A playback that ended by itself during the drag left the knob's place unused.
  OnSliderCustomDraw();
  TransportCommand.store(kCmdStop);
  return 0;
}

int OnSliderCustomDraw() {
  if (!SongLoaded() || WorkerBusy.load() || !SongShown()) return 0;
  ViewPort* view = ActiveView.load();
  if (!view) return 0;
  const int v = view->GetSliderPos();
  if (v == SliderPos.load()) return 0;
  TransportCommand.store(kCmdNone);
  StartAtSlider(v);
  return 0;
}

int CountLineColumns(const unsigned char* line, int length) {
  auto at = [&](int i) { return i < length ? line[i] : 0; };
  int count = 0;
  for (int i = 0; i < length; ++i) {
    if (line[i] != 0xAB) {
      ++count;
    } else if (at(i + 4) == 0xBB) {
      i += 4;
    } else if (at(i + 7) == 0xBB) {
      i += 7;
    } else {
      ++count;
    }
  }
  return count;
}

void OnTimer(int timerId) {
  if (timerId != 0) return;
  ViewPort* view = ActiveView.load();
  if (!view) return;
  TakePendingSliderStart();
  const int caretLine = view->EditorCaretLine();
  CaretLine = std::max(0, caretLine);
  const std::string text = view->GetEditorText();
  const int begin = view->EditorLineIndex(caretLine);
  int length = 0;
  const unsigned char* line = nullptr;
  if (begin >= 0 && static_cast<std::size_t>(begin) <= text.size()) {
    std::size_t end = text.find_first_of("\r\n", static_cast<std::size_t>(begin));
    if (end == std::string::npos) end = text.size();
    length = static_cast<int>(std::min<std::size_t>(end - begin, kLineBufferBytes));
    line = reinterpret_cast<const unsigned char*>(text.data()) + begin;
  }
  char status[64];
  std::snprintf(status, sizeof status, "Line : %d Col : %d", caretLine + 1, line ? CountLineColumns(line, length) : 0);
  view->SetStatusText(kPaneEditorLine, status);
}

}  // namespace vexalo
