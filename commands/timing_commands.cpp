#include "commands/timing_commands.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "commands/lyrics_undo.h"
#include "commands/time_adjust.h"
#include "common/control_ids.h"
#include "common/cp949_chars.h"
#include "common/repaint.h"
#include "common/settings.h"
#include "common/shared_state.h"
#include "common/view_port.h"
#include "lyrics/lyrics_editor.h"
#include "playback/transport.h"
#include "playback/waveform.h"

namespace vexalo {

namespace {

// A replay that waits for the running playback to end: its start, or none.
std::optional<std::uint64_t> g_pendingReplay;

// Start of the line before the one starting at lineStart (lineStart itself at the text's start).
std::size_t PreviousLineStart(std::string_view text, std::size_t lineStart) {
  if (lineStart == 0) return 0;
  std::size_t i = lineStart - 1;  // the last byte of the line break before lineStart
  if (text[i] == '\n' && i > 0 && text[i - 1] == '\r') --i;
  while (i > 0 && text[i - 1] != '\n' && text[i - 1] != '\r') --i;
  return i;
}

// Start of the line that holds byte `at`.
std::size_t LineStartOf(std::string_view text, std::size_t at) {
  at = std::min(at, text.size());
  while (at > 0 && text[at - 1] != '\n' && text[at - 1] != '\r') --at;
  return at;
}

void StartReplay(std::uint64_t pos) {
  if (PlayerState.load() != kStateWholeView) {
    PlayerState.store(kStateWholeView);
  }
  const Rect r = WaveRect;
  const int channels = std::max(1, SongInfo.channels.load());
  const std::uint64_t columnBytes =
      static_cast<std::uint64_t>(channels) * ComputeColumnStep(storedBytes.load(), channels, r.Width());
  TransportCommand.store(kCmdNone);
  WorkerBusy.store(1);
  PlayPosBytes.store(pos);
  CursorOffset.store(static_cast<int>(pos / columnBytes));
  RepaintView();
  StartWholePlayWorker();
}

void Replay(ViewPort& view, std::optional<std::size_t> tag) {
  if (!SongShown() || Decoding.load() != 0) return;
  const std::string& text = LyricsTextBuffer;
  const std::optional<int> ms = tag ? LongTagMillis(text, *tag) : std::nullopt;
  if (!ms) {
    view.SetStatusText(kPanePrompt, kNoGroupText);
    return;
  }
  const std::uint64_t pos = ReplayStartBytes(*ms, UserSettings().Int(kSettingReplayPreRollMs));
  if (WorkerBusy.load() != 0) {
    // The playback ends on Stop; the replay starts once it has.
    g_pendingReplay = pos;
    TransportCommand.store(kCmdStop);
    return;
  }
  StartReplay(pos);
}

}  // namespace

std::optional<std::size_t> GroupTagBefore(std::string_view text, std::size_t lineStart) {
  std::size_t s = std::min(lineStart, text.size());
  for (;;) {
    if (EditorLongTagAt(text, s) != 0) return s;
    if (s == 0) return std::nullopt;
    s = PreviousLineStart(text, s);
  }
}

std::optional<int> LongTagMillis(std::string_view text, std::size_t at) {
  if (EditorLongTagAt(text, at) == 0) return std::nullopt;
  int v[8];
  for (int k = 0; k < 8; ++k) {
    const char c = text[at + 1 + static_cast<std::size_t>(k)];
    if (c < '0' || c > '9') return std::nullopt;
    v[k] = c - '0';
  }
  return ((v[0] * 10 + v[1]) * 3600 + (v[2] * 10 + v[3]) * 60 + (v[4] * 10 + v[5])) * 1000 + (v[6] * 10 + v[7]) * 10;
}

void NudgeCaretGroup(ViewPort& view, LyricsHistory& history, int deltaMillis) {
  const bool whole = CaptureEditorText();
  const EditorPlace place = CurrentEditorPlace(view);
  std::string text = LyricsTextBuffer;
  const std::optional<std::size_t> tag =
      GroupTagBefore(text, LineStartOf(text, static_cast<std::size_t>(std::max(0, place.from))));
  if (!tag || !LongTagMillis(text, *tag)) {
    view.SetStatusText(kPanePrompt, kNoGroupText);
    return;
  }
  if (!whole) {
    view.MessageBox(kTextSizeOver, kProductTitle, MessageStyle::Ok);
    return;
  }
  std::string one = text.substr(*tag, kEditorLongTagBytes - 2);
  ShiftLongTags(one, deltaMillis);
  text.replace(*tag, one.size(), one);
  const int ms = *LongTagMillis(text, *tag);
  // Presses on one group merge into one step; the key tells groups apart by the tag's place.
  if (text != LyricsTextBuffer) ReplaceLyrics(view, history, text, place, LyricsChangeKind::Nudge, static_cast<int>(*tag) + 1);
  char shown[64];
  std::snprintf(shown, sizeof shown, kNudgedFormat, ms / 3'600'000, ms / 60'000 % 60, ms / 1000 % 60, ms % 1000 / 10);
  view.SetStatusText(kPanePrompt, shown);
}

std::uint64_t ReplayStartBytes(int groupMillis, int preRollMillis) {
  const double frameMs = SongInfo.frameSeconds.load() * 1000.0;
  const int ms = std::max(0, groupMillis - std::max(0, preRollMillis));
  if (frameMs <= 0.0) return 0;
  const auto frame = static_cast<std::uint64_t>(ms / frameMs);
  std::uint64_t pos = frame * static_cast<std::uint64_t>(SongBytesPerFrame());
  const std::uint64_t stored = storedBytes.load();
  if (pos >= stored) pos = stored >= 2 ? stored - 2 : 0;
  return pos & ~std::uint64_t{1};
}

void ReplayGroup(ViewPort& view, int back) {
  CaptureEditorText();
  const std::string& text = LyricsTextBuffer;
  int from = 0, to = 0;
  view.EditorGetSelection(from, to);
  std::optional<std::size_t> tag = GroupTagBefore(text, LineStartOf(text, static_cast<std::size_t>(std::max(0, from))));
  for (int i = 0; i < back && tag; ++i) tag = *tag == 0 ? std::nullopt : GroupTagBefore(text, PreviousLineStart(text, *tag));
  Replay(view, tag);
}

void ReplayGroupAtLine(ViewPort& view, std::size_t lineStart) {
  CaptureEditorText();
  if (EditorLongTagAt(LyricsTextBuffer, lineStart) == 0) return;
  Replay(view, lineStart);
}

void ReplayTick() {
  if (!g_pendingReplay || WorkerBusy.load() != 0) return;
  const std::uint64_t pos = *g_pendingReplay;
  g_pendingReplay.reset();
  if (!SongShown() || Decoding.load() != 0) return;
  StartReplay(std::min(pos, storedBytes.load()));
}

bool ReplayPending() { return g_pendingReplay.has_value(); }

}  // namespace vexalo
