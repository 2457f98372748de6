#include "commands/mp3_open_command.h"

#include <optional>
#include <string>

#include "commands/command_support.h"
#include "commands/lyrics_file_commands.h"
#include "commands/text_commands.h"
#include "commands/time_adjust.h"
#include "common/control_ids.h"
#include "common/repaint.h"
#include "common/shared_state.h"
#include "common/view_port.h"
#include "common/worker.h"
#include "decode/decode_job.h"
#include "decode/decode_worker.h"
#include "sync/sync_table.h"
#include "sync/sync_text.h"
#include "syncmp3/syncmp3_file.h"
#include "tags/tag_editor_logic.h"
#include "tags/tag_fields.h"

namespace vexalo {

namespace {

std::function<void()> g_waitPump;

}  // namespace

void SetOpenWaitPump(std::function<void()> pump) { g_waitPump = std::move(pump); }

void ClearSongReadouts(ViewPort& view) {
  PlayTime.Store(TimeMark{});
  WindowStart.Store(TimeMark{});
  for (SharedText* text : {&StartTimeText, &ProgressText, &EndTimeText, &WindowStartText, &WindowEndText, &PlayTimeText,
                           &CursorTimeText, &LyricPanelText})
    text->Clear();
  view.SetStatusText(kPaneSongFacts, std::string());
}

void OnMp3FileOpen() {
  ViewPort* view = ActiveView.load();
  if (!view) return;
  FileDialogRequest request;
  request.title = kMp3OpenTitle;
  request.filter = kMp3OpenFilter;
  TransportCommand.store(kCmdStop);
  RepaintView();
  std::optional<FileChoice> choice = view->FileDialog(request);
  if (!choice) return;

  view->SetSliderPos(0);
  view->EnableSlider(false);
  CurrentMp3Path = choice->path;
  SyncSourcePath = choice->path;
  CurrentMp3Name = choice->name;
  CurrentMp3Folder = FolderOfChoice(choice->path, choice->name);

  // A worker told to stop may still be finishing its last chunk or frame; the new job must not
  // start under it.
  WaitForWorker(g_waitPump);
  ClearSongReadouts(*view);
  StartDecodeJob(CurrentMp3Path);
  TransportCommand.store(kCmdNone);
  view->SetTitle(std::string(kProductTitle) + kTitleSeparator + CurrentMp3Name);

  LyricPanelFresh.store(0);
  PlayerState.store(kStateOpening);
  ProgressMillis.store(0);
  ColumnBytes.store(0);
  CursorOffset.store(0);
  PlayPosBytes.store(0);
  SliderPos.store(0);
  Rect placeholder = view->ControlRect(kIdcWaveArea);
  WaveRect = Rect{placeholder.left, placeholder.top, placeholder.right - 5, placeholder.bottom};

  PromptSaveText();

  StoreLyrics(std::string());
  LastLrcTags = LrcTags{};
  view->SetEditorText(std::string());
  view->SetControlText(kIdcAdjustPreview, std::string());
  view->SetControlText(kIdcSideTime, std::string());
  ResetAdjustFields(*view);

  if (ReadTagFields(CurrentMp3Path, CurrentTagFields, SyncBlockBuffer) == 0) {
    RepaintView();
    TellUserWhy(kNotMp3FileText, CannotOpenReason(CurrentMp3Path, CurrentMp3Name));
    return;
  }

  ResetSyncTable(1);
  bool tableLyrics = false;
  if (SyncBlockBuffer[0] != 0) {
    ReadSyncMp3Block(CurrentMp3Path);
    if (ParseSyncBlock(kSyncMagic, SyncBlockBuffer) == 1) {
      tableLyrics = true;
      bool cut = false;
      std::string lyrics = RebuildSyncText(&cut);
      StoredToEditorForm(lyrics);
      StoreLyrics(lyrics);
      view->SetEditorText(lyrics);
      if (cut) TellUser(kEmbeddedLyricsCutText);
    }
  }
  if (!tableLyrics) LoadFrameLyrics(CurrentMp3Path);

  LaunchDecodeWorker();
}

}  // namespace vexalo
