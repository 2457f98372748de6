// A song from file to SyncMP3 and back, without a window: open, decode, play, stamp, save,
// open again.
#include <chrono>
#include <cstdio>
#include <thread>

#include "command_test_env.h"
#include "commands/editor_commands.h"
#include "commands/mp3_open_command.h"
#include "commands/save_commands.h"
#include "commands/transport_commands.h"
#include "common/worker.h"
#include "lyrics/lyrics_editor.h"
#include "playback/transport.h"
#include "playback/wave_out_device.h"
#include "support/capturing_audio_backend.h"
#include "sync/sync_text.h"

namespace vexalo::test {
namespace {

// The editor's long tag for a play time: hours 00, minutes, seconds, tenths as hundredths.
std::string EditorTag(TimeMark t) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d%02d%02d%02d", 0, t.minutes, t.seconds, (t.millis / 100) * 10);
  return "\xA7" + std::string(buf) + "\xBB\r\n";
}

int Millis(TimeMark t) { return (t.minutes * 60 + t.seconds) * 1000 + t.millis; }

class EndToEnd : public CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    SetAudioWaitLimit(20000);
    UseAudioBackend(&backend);
  }
  void TearDown() override {
    Finish();
    UseAudioBackend(nullptr);
    CommandTest::TearDown();
  }
  // Completes buffers until the worker has ended.
  void Finish() {
    auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (WorkerBusy.load() && std::chrono::steady_clock::now() < giveUp)
      if (!backend.Tick()) std::this_thread::sleep_for(std::chrono::microseconds(200));
    WaitForWorker();
  }
  // Plays from where the last pause left off until `chunks` more chunks have gone to the
  // device, pauses, and returns the Play Time the pause left.
  TimeMark PlayAndPause(std::size_t chunks) {
    std::size_t start = backend.QueuedSizes().size();
    OnPlay();
    EXPECT_TRUE(backend.WaitForQueued(start + 3));
    for (std::size_t n = start + 4; n <= start + chunks; ++n) {
      backend.Tick();
      EXPECT_TRUE(backend.WaitForQueued(n));
    }
    OnPause();
    Finish();
    EXPECT_EQ(PlayerState.load(), kStateWholeView);
    return PlayTime.Load();
  }

  CapturingAudioBackend backend;
};

TEST_F(EndToEnd, StampedLyricsSurviveASyncMp3SaveAndOpen) {
  std::string song = CopyFixture("stereo_44k.mp3", "song.mp3");
  view.QueueFile(Choose(song));
  OnMp3FileOpen();
  WaitForWorker();
  ASSERT_EQ(PlayerState.load(), kStateWholeView);
  ASSERT_GT(storedBytes.load(), 0u);
  ASSERT_TRUE(view.messages.empty());

  const std::string lines[] = {"first line of the song\r\n", "second line\r\n", "third and last"};
  view.SetEditorText(lines[0] + lines[1] + lines[2]);
  AutoAdvance = 0;

  // Each stamp goes on the line that holds the caret; every earlier stamp added a line above.
  TimeMark stamps[3];
  const std::size_t chunks[] = {4, 5, 6};
  for (int i = 0; i < 3; ++i) {
    stamps[i] = PlayAndPause(chunks[i]);
    view.PutCaretOnLine(2 * i);
    OnInsertTimeInfo();
  }
  EXPECT_LT(Millis(stamps[0]), Millis(stamps[1]));
  EXPECT_LT(Millis(stamps[1]), Millis(stamps[2]));
  const std::string stamped = EditorTag(stamps[0]) + lines[0] + EditorTag(stamps[1]) + lines[1] +
                              EditorTag(stamps[2]) + lines[2];
  ASSERT_EQ(view.editorText, stamped);

  std::string saved = PathIn("stamped.mp3");
  view.QueueFile(Choose(PathIn("stamped")));
  OnSyncMp3FileSave();
  ASSERT_TRUE(view.messages.empty());
  ASSERT_TRUE(fs::exists(saved));

  view.QueueAnswer(Answer::No);  // the save prompt for the lyrics under edit
  view.QueueFile(Choose(saved));
  OnMp3FileOpen();
  EXPECT_EQ(view.editorText, stamped);
  WaitForWorker();
  EXPECT_EQ(PlayerState.load(), kStateWholeView);
  EXPECT_EQ(CurrentMp3Name, "stamped.mp3");
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{" Text File Save ? "});

  std::string stored = stamped;
  ASSERT_TRUE(EditorToStoredForm(stored));
  ToolResult extracted = RunSyncTool({"extract", saved});
  EXPECT_EQ(extracted.status, 0) << extracted.err;
  EXPECT_EQ(extracted.out, stored);
}

}  // namespace
}  // namespace vexalo::test
