#include "commands/mp3_open_command.h"

#include <dirent.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "command_test_env.h"
#include "commands/time_adjust.h"
#include "common/control_ids.h"
#include "common/repaint.h"
#include "common/worker.h"
#include "lyrics/lyrics_editor.h"
#include "sync/sync_table.h"
#include "sync/sync_text.h"
#include "syncmp3/syncmp3_file.h"
#include "tags/tag_editor_logic.h"

namespace vexalo::test {
namespace {

std::atomic<int> g_draws{0};
void CountingDraw(Canvas&) { g_draws.fetch_add(1); }

int OpenDescriptors() {
  int n = 0;
  if (DIR* d = ::opendir("/proc/self/fd")) {
    while (::readdir(d)) ++n;
    ::closedir(d);
  }
  return n;
}

class Mp3OpenTest : public CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    view.controlRects[kIdcWaveArea] = Rect{20, 30, 520, 230};
    SetDrawRoutine(CountingDraw);
    g_draws = 0;
    ResetSyncTable(1);
    SetOpenWaitPump({});
  }
  void TearDown() override {
    WaitForWorker();
    SetDrawRoutine(nullptr);
    SetOpenWaitPump({});
    CommandTest::TearDown();
  }
  void Open(const std::string& path) {
    view.QueueFile(Choose(path));
    OnMp3FileOpen();
  }
  std::vector<std::string> Messages() {
    std::lock_guard<std::recursive_mutex> hold(view.lock);
    std::vector<std::string> texts;
    for (const auto& m : view.messages) texts.push_back(m.text);
    return texts;
  }
};

TEST_F(Mp3OpenTest, CancelOnlyStopsWhatRuns) {
  CurrentMp3Path = "/music/playing.mp3";
  CurrentMp3Name = "playing.mp3";
  PlayerState = kStateWholeView;
  view.title = "Vexalo Caption Editor - playing.mp3";
  view.QueueFile(std::nullopt);
  OnMp3FileOpen();

  EXPECT_EQ(TransportCommand.load(), kCmdStop);
  EXPECT_EQ(view.commandAtDialog, kCmdStop);
  EXPECT_EQ(CurrentMp3Path, "/music/playing.mp3");
  EXPECT_EQ(CurrentMp3Name, "playing.mp3");
  EXPECT_EQ(PlayerState.load(), kStateWholeView);
  EXPECT_EQ(view.title, "Vexalo Caption Editor - playing.mp3");
  EXPECT_EQ(WorkerBusy.load(), 0);
  EXPECT_EQ(view.Snapshot(), std::vector<std::string>{"dialog:MP3 File Open"});
}

TEST_F(Mp3OpenTest, OpensATaggedFileStepByStep) {
  std::string path = CopyFixture("tagged_v23.mp3", "tagged.mp3");
  view.editorText = "unsaved words";
  view.controlTexts[kIdcAdjustSeconds] = "12";
  view.checks[kIdcAdjustMinus] = true;
  AdjustPlus = 0;
  LyricsTextBuffer = "unsaved words";
  view.QueueAnswer(Answer::No);  // " Text File Save ? "
  Open(path);

  ASSERT_EQ(view.dialogs.size(), 1u);
  EXPECT_FALSE(view.dialogs[0].save);
  EXPECT_EQ(view.dialogs[0].filter, "MPEG Audio Files (*.mp3)|*.mp3|");
  EXPECT_EQ(view.commandAtDialog, kCmdStop);
  EXPECT_GE(g_draws.load(), 1);  // the view was drawn before the dialog

  EXPECT_EQ(CurrentMp3Path, path);
  EXPECT_EQ(SyncSourcePath, path);
  EXPECT_EQ(CurrentMp3Name, "tagged.mp3");
  EXPECT_EQ(CurrentMp3Folder, dir.string() + "/");
  EXPECT_EQ(WaveRect, (Rect{20, 30, 515, 230}));
  EXPECT_EQ(CurrentTagFields.Text(kTagTitle), "Sine Song");

  EXPECT_TRUE(InOrder(view.Snapshot(),
                      {"dialog:MP3 File Open", "slider:0", "slider:off", "title:Vexalo Caption Editor - tagged.mp3",
                       "message: Text File Save ? ", "editor:", "control:1021=", "control:1020=", "control:1022=0",
                       "control:1017=0", "check:1041=on", "check:1042=off"}));
  ASSERT_EQ(view.stateAtMessage.size(), 1u);
  EXPECT_EQ(view.stateAtMessage[0], kStateOpening);  // the resets come before the prompt

  WaitForWorker();
  EXPECT_EQ(Messages(), std::vector<std::string>{" Text File Save ? "});
  EXPECT_EQ(PlayerState.load(), kStateWholeView);
  EXPECT_GT(storedBytes.load(), 0u);
  EXPECT_EQ(SongInfo.layer.load(), 3);
  EXPECT_TRUE(view.sliderEnabled);
  EXPECT_EQ(view.editorText, "");
  EXPECT_EQ(LyricsTextBuffer, "");
  EXPECT_EQ(AdjustPlus, 1);
}

TEST_F(Mp3OpenTest, EmbeddedLyricsAreInTheEditorBeforeDecodingEnds) {
  const std::string stored = "\xA2\xE2" "00010500" "\xA2\xD0\r\nfirst line\r\n\xA2\xE2" "00020040" "\xA2\xD0\r\nsecond";
  const std::string editor = "\xA7" "00010500" "\xBB\r\nfirst line\r\n\xA7" "00020040" "\xBB\r\nsecond";
  std::array<unsigned char, kSyncBlockBytes> block{};
  std::string error;
  ASSERT_TRUE(BuildSyncBlock(stored, block, error));
  std::string path = PathIn("synced.mp3");
  ASSERT_EQ(SaveSyncMp3File(FixturePath("tagged_v23.mp3"), path, false, block), kSyncMp3Saved);

  Open(path);
  EXPECT_EQ(view.GetEditorText(), editor);
  EXPECT_EQ(LyricsTextBuffer, editor);
  EXPECT_TRUE(SharedSyncTable.Present());
  EXPECT_EQ(SharedSyncTable.Count(), 2);
  EXPECT_EQ(CurrentTagFields.Text(kTagArtist), "Test Artist");
  WaitForWorker();
  EXPECT_EQ(PlayerState.load(), kStateWholeView);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(Mp3OpenTest, EmbeddedLyricsPastTheBufferAreCutAtAWholeLineAndTheUserIsTold) {
  // 1,900 one-letter entries: each becomes a 14-byte tag, the letter and CR LF (17 bytes), so
  // only 1,807 fit the 30,719 bytes of the lyrics.
  constexpr int kEntries = 1900;
  std::array<unsigned char, kSyncBlockBytes> block{};
  block[0] = 'S';
  block[1] = 'O';
  WriteLe32(&block[2], kSyncMagic);
  WriteLe32(&block[6], 14 + 8 * kEntries + kEntries);
  WriteLe32(&block[10], kEntries);
  for (int i = 0; i < kEntries; ++i) {
    WriteLe32(&block[14 + 4 * i], static_cast<std::uint32_t>(i));
    WriteLe16(&block[14 + 4 * kEntries + 4 * i], 0);
    WriteLe16(&block[14 + 4 * kEntries + 4 * i + 2], 1);
    block[14 + 8 * kEntries + i] = 'x';
  }
  std::string path = PathIn("long.mp3");
  ASSERT_EQ(SaveSyncMp3File(FixturePath("stereo_44k.mp3"), path, false, block), kSyncMp3Saved);

  Open(path);
  std::string text = view.GetEditorText();
  EXPECT_LE(text.size(), kMaxLyricsTextBytes);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\xA7'), 1807);
  EXPECT_EQ(text.substr(text.size() - 3), "x\r\n");
  std::string stored = text;
  EXPECT_TRUE(EditorToStoredForm(stored));  // it can be saved again
  WaitForWorker();
  EXPECT_EQ(Messages(), std::vector<std::string>{" Embedded Lyrics Size Over: cut at 30719 bytes !!! "});
}

TEST_F(Mp3OpenTest, FileGoneBeforeTheReadIsNotAnMp3File) {
  std::string path = PathIn("gone.mp3");
  view.editorText = "";
  Open(path);

  EXPECT_EQ(Messages(), std::vector<std::string>{" Not MP3 File "});
  EXPECT_EQ(view.messages[0].title, "Vexalo Caption Editor");
  EXPECT_EQ(view.messages[0].style, MessageStyle::Ok);
  EXPECT_EQ(view.title, "Vexalo Caption Editor - gone.mp3");
  EXPECT_EQ(view.editorText, "");
  EXPECT_EQ(PlayerState.load(), kStateOpening);
  EXPECT_EQ(WorkerBusy.load(), 0);  // no decoding
  EXPECT_FALSE(view.sliderEnabled);
}

TEST_F(Mp3OpenTest, ARefusedFileSaysWhyInTheStatusBar) {
  fs::create_directory(dir / "folder.mp3");
  ASSERT_EQ(::mkfifo(PathIn("fifo.mp3").c_str(), 0600), 0);
  const struct {
    std::string name;
    std::string why;
  } cases[] = {
      {"gone.mp3", "No such file or directory"},
      {"folder.mp3", "Is a directory"},
      {"fifo.mp3", "Is a FIFO, not a regular file"},  // and the open does not wait on it
      {"\xEC\x97\x86\xEB\x8A\x94 \xEB\x85\xB8\xEB\x9E\x98.mp3", "No such file or directory"},  // "없는 노래", UTF-8 as the file system has it
  };
  for (const auto& c : cases) {
    view.messages.clear();
    Open(PathIn(c.name));
    WaitForWorker();
    EXPECT_EQ(Messages(), std::vector<std::string>{" Not MP3 File "}) << c.name;
    EXPECT_EQ(view.statusTexts[kPanePrompt], " cannot open '" + c.name + "': " + c.why + " ") << c.name;
    EXPECT_TRUE(view.nameStatus[kPanePrompt]) << c.name;
  }
}

TEST_F(Mp3OpenTest, AWavFileIsRefusedByTheDecoder) {
  Open(CopyFixture("not_mp3.wav.mp3", "not_mp3.wav.mp3"));
  WaitForWorker();
  EXPECT_EQ(Messages(), std::vector<std::string>{" Not MP3 File !!! "});
  EXPECT_EQ(PlayerState.load(), kStateNoSong);
  EXPECT_FALSE(view.sliderEnabled);
}

// Whether the new file opens or not, the read-outs and pane 1 no longer tell of the song before.
TEST_F(Mp3OpenTest, OpeningClearsWhatTheReadoutsAndPaneOneShowedOfThePreviousSong) {
  const std::string wav = CopyFixture("not_mp3.wav.mp3", "words.mp3");
  for (const std::string& path : {wav, PathIn("gone.mp3")}) {
    PlayTime.Store(TimeMark{0, 12, 340});
    WindowStart.Store(TimeMark{0, 10, 0});
    PlayTimeText.Set(" Play Time = 00:12:34 ");
    CursorTimeText.Set(" Cursor Position Time = 00:20:00 ");
    WindowStartText.Set(" Start Time = 00:10:00 ");
    WindowEndText.Set(" End Time = 00:15:22 ");
    view.statusTexts[kPaneSongFacts] = "Stereo : SR = 44100 BR = 128000";
    Open(path);
    WaitForWorker();
    EXPECT_EQ(view.statusTexts[kPaneSongFacts], "") << path;
    EXPECT_EQ(PlayTime.Load(), TimeMark{}) << path;
    EXPECT_EQ(WindowStart.Load(), TimeMark{}) << path;
    for (const SharedText* text : {&PlayTimeText, &CursorTimeText, &WindowStartText, &WindowEndText})
      EXPECT_EQ(text->Get(), "") << path;
  }
  EXPECT_EQ(Messages(), (std::vector<std::string>{" Not MP3 File !!! ", " Not MP3 File "}));
}

TEST_F(Mp3OpenTest, WaitsForAWorkerStillEndingAndKeepsDispatching) {
  std::atomic<int> pumps{0};
  std::atomic<bool> ended{false};
  SetOpenWaitPump([&] { pumps.fetch_add(1); });
  // A worker that takes a while to see the stop.
  WorkerBusy = 1;
  StartWorkerThread([&] {
    while (TransportCommand.load() != kCmdStop) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ended = true;
    WorkerBusy = 0;
  });
  Open(CopyFixture("stereo_44k.mp3", "song.mp3"));
  EXPECT_TRUE(ended.load());
  EXPECT_GT(pumps.load(), 0);
  WaitForWorker();
  EXPECT_EQ(PlayerState.load(), kStateWholeView);  // the new song was decoded after all
  EXPECT_GT(storedBytes.load(), 0u);
}

TEST_F(Mp3OpenTest, RepeatedRefusedOpensLeaveNoFilesOpen) {
  // A folder opens for the decode job but is refused by the tag read, so no worker ever ends
  // that job; a vanished file fails both; a WAV decodes to nothing.
  fs::create_directory(dir / "folder.mp3");
  std::string wav = CopyFixture("not_mp3.wav.mp3", "wav.mp3");
  const std::string paths[] = {PathIn("folder.mp3"), PathIn("gone.mp3"), wav};
  for (const std::string& p : paths) {
    Open(p);
    WaitForWorker();
  }
  int afterFirstRound = OpenDescriptors();
  for (int round = 0; round < 3; ++round) {
    for (const std::string& p : paths) {
      Open(p);
      WaitForWorker();
    }
  }
  EXPECT_LE(OpenDescriptors(), afterFirstRound);
  std::vector<std::string> expected;
  for (int round = 0; round < 4; ++round)
    for (const char* m : {" Not MP3 File ", " Not MP3 File ", " Not MP3 File !!! "}) expected.push_back(m);
  EXPECT_EQ(Messages(), expected);
}

TEST_F(Mp3OpenTest, LongPathsAreHeldWhole) {
  fs::path deep = dir;
  while (deep.string().size() < 290) deep /= "folder_of_songs";
  fs::create_directories(deep);
  std::string path = (deep / "a song with a long name.mp3").string();
  ASSERT_GT(path.size(), 300u);
  fs::copy_file(FixturePath("tagged_v24.mp3"), path);
  Open(path);
  EXPECT_EQ(CurrentMp3Path, path);
  EXPECT_EQ(CurrentMp3Folder, deep.string() + "/");
  EXPECT_EQ(view.title, "Vexalo Caption Editor - a song with a long name.mp3");
  WaitForWorker();
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(PlayerState.load(), kStateWholeView);
}

}  // namespace
}  // namespace vexalo::test
