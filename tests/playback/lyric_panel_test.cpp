// The lyric panel as playback draws it, chunk after chunk, while the lyrics change under it.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "commands/editor_commands.h"
#include "commands/live_lyric_panel.h"
#include "commands/lyrics_undo.h"
#include "common/shared_state.h"
#include "lyrics/lyrics_editor.h"
#include "playback/transport.h"
#include "support/scripted_view_port.h"
#include "sync/sync_table.h"
#include "sync/sync_text.h"

namespace vexalo::test {
namespace {

constexpr double kChunkMillis = 4 * 1152 / 44.1;  // four frames of a 44.1 kHz song

void SetTable(const std::string& stored) {
  std::array<unsigned char, kSyncBlockBytes> block{};
  std::string error;
  ASSERT_TRUE(BuildSyncBlock(stored, block, error)) << error;
  ASSERT_EQ(ParseSyncBlock(kSyncMagic, block), 1);
}

// What the panel shows below its time line.
std::string PanelLyric() {
  const std::string text = LyricPanelText.Get();
  return text.size() > 16 ? text.substr(16) : std::string();
}

void ShowAt(std::int64_t ms) {
  ShowLyricPanel(0, static_cast<int>(ms / 60000), static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000));
}

class LyricPanel : public ::testing::Test {
 protected:
  void SetUp() override {
    ActiveView.store(nullptr);
    ChunkFrames.store(4);
    SongInfo.frameSeconds.store(1152 / 44100.0);
    LyricPanelFresh.store(0);
  }
  void TearDown() override {
    ActiveView.store(nullptr);
    ResetSyncTable(1);
    LyricPanelFresh.store(0);
    LyricPanelText.Clear();
  }
};

TEST_F(LyricPanel, EveryChunkShowsTheLineWhoseTimeCameLast) {
  // A line every tenth of a second: chunks of 104.5 ms pass over one tenth in twenty, and the
  // panel must not stay on the line before it.
  std::string stored;
  for (int tenth = 0; tenth < 60; ++tenth) {
    char group[48];
    std::snprintf(group, sizeof group, "\xA2\xE2" "0000%02d%d0\xA2\xD0\r\nL%d\r\n", tenth / 10, tenth % 10, tenth);
    stored += group;
  }
  SetTable(stored);
  for (double at = kChunkMillis; at < 5'900; at += kChunkMillis) {
    const auto ms = static_cast<std::int64_t>(at);
    ShowAt(ms);
    ASSERT_EQ(PanelLyric(), "L" + std::to_string(ms / 100) + "\r\n") << "at " << ms;
  }
}

TEST_F(LyricPanel, ALineStampedDuringThePlaybackShowsAtOnceAndGoesWithItsUndo) {
  ScriptedViewPort view;
  ActiveView.store(&view);
  PlayerState.store(kStateWholeView);
  view.editorText = "\xA7" "00000100" "\xBB\r\nfirst\r\nsecond";
  TheLyricsHistory().Reset(view.editorText);
  TheLivePanel().LyricsChanged(view, LyricsChangeKind::Command);
  ShowAt(1'100);  // first chunk of a playback that began at 1.0 s
  EXPECT_EQ(PanelLyric(), "first\r\nsecond");
  ShowAt(2'150);
  PlayTime.Store({0, 2, 150});
  view.PutCaretOnLine(2);
  {
    LyricsStep step(view, TheLyricsHistory());
    OnInsertTimeInfo();
  }
  ShowAt(2'250);
  EXPECT_EQ(PanelLyric(), "second");
  UndoLyrics(view, TheLyricsHistory());
  ShowAt(2'350);
  EXPECT_EQ(PanelLyric(), "first\r\nsecond");
  PlayerState.store(kStateNoSong);
}

// The playback worker draws the panel chunk after chunk while the UI thread stamps line after
// line, each stamp rebuilding and publishing the table: every panel read is whole (nothing
// before the first table, then its time line and one of the lyric lines or nothing), and the
// table ends with every stamp.
TEST_F(LyricPanel, PlaybackReadsTheTableWhileStampsRebuildIt) {
  ScriptedViewPort view;
  ActiveView.store(&view);
  PlayerState.store(kStateWholeView);
  constexpr int kLines = 150;
  std::string text;
  for (int i = 0; i < kLines; ++i) text += "line" + std::to_string(i) + "\r\n";
  view.editorText = text;
  TheLyricsHistory().Reset(text);
  AutoAdvance = 1;

  std::atomic<bool> stop{false};
  std::atomic<int> torn{0};
  std::atomic<int> shown{0};
  std::atomic<int> reads{0};
  std::thread worker([&] {
    std::int64_t ms = 0;
    while (!stop.load()) {
      ++reads;
      ms += 105;
      ShowAt(ms % 200'000);
      const std::string panel = LyricPanelText.Get();
      if (panel.empty()) continue;  // no table parsed yet
      if (panel.compare(0, 6, "      ") != 0 || panel.size() < 16) {
        ++torn;
        continue;
      }
      const std::string lyric = panel.substr(16);
      if (lyric.empty()) continue;
      ++shown;
      if (lyric.compare(0, 4, "line") != 0 || lyric.find('\r') == std::string::npos) ++torn;
    }
  });
  while (reads.load() == 0) std::this_thread::yield();
  for (int i = 0; i < kLines; ++i) {
    PlayTime.Store({i / 60, i % 60, 0});
    LyricsStep step(view, TheLyricsHistory());
    OnInsertTimeInfo();
  }
  for (int wait = 0; wait < 2000 && shown.load() == 0; ++wait) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  stop.store(true);
  worker.join();
  EXPECT_EQ(torn.load(), 0);
  EXPECT_GT(shown.load(), 0);
  EXPECT_EQ(SharedSyncTable.Count(), kLines);
  AutoAdvance = 0;
  PlayerState.store(kStateNoSong);
  TheLyricsHistory().Reset("");
}

}  // namespace
}  // namespace vexalo::test
