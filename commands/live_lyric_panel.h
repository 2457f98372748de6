// The lyric panel follows the editor: whenever the lyrics change the SyncTable that playback
// reads is rebuilt from them, on the UI thread, and published whole (SyncTable's one lock), so a
// lookup never sees half a table. Typing rebuilds after a short pause, every other change at
// once. Lyrics that cannot become a table keep the last good one, and status pane 0 says why,
// once. UI thread only.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "lyrics/lyrics_history.h"

namespace vexalo {

class ViewPort;

// How long typing must pause before the table follows it.
constexpr std::chrono::milliseconds kPanelTypingPause{400};

enum class PanelTableResult {
  Built,    // the table now describes the lyrics
  Emptied,  // lyrics without a long tag: the table is absent, the panel shows no lyric
  Kept,     // the lyrics cannot become a table: the last good table stays
};

struct PanelRebuild {
  PanelTableResult result = PanelTableResult::Kept;
  std::string error;  // the block builder's text when Kept
};

// Rebuilds SharedSyncTable from editor-form lyrics.
PanelRebuild RebuildPanelTable(std::string_view editorLyrics);

// When the table follows the lyrics: told of every change, it rebuilds at once or, for typing,
// once the pause has passed (Tick, from the view's timer).
class LivePanel {
 public:
  using Clock = std::chrono::steady_clock;

  void LyricsChanged(ViewPort& view, LyricsChangeKind kind, Clock::time_point now = Clock::now());
  // Rebuilds a table that typing left behind, once the pause has passed.
  void Tick(ViewPort& view, Clock::time_point now = Clock::now());
  bool Pending() const { return m_pending; }
  // Forgets a pending rebuild and the error last told.
  void Reset();

 private:
  void Rebuild(ViewPort& view);

  bool m_pending = false;
  Clock::time_point m_changed{};
  std::string m_toldError;
};

// The program's panel follower (the undo history tells it of every change).
LivePanel& TheLivePanel();

}  // namespace vexalo
