#include "commands/save_commands.h"

#include <algorithm>
#include <optional>
#include <string>

#include "commands/command_support.h"
#include "commands/lyrics_file_commands.h"
#include "commands/mp3_open_command.h"
#include "commands/text_commands.h"
#include "common/repaint.h"
#include "common/safe_file.h"
#include "common/shared_state.h"
#include "common/view_port.h"
#include "sync/sync_table.h"
#include "sync/sync_text.h"
#include "syncmp3/syncmp3_file.h"

namespace vexalo {

namespace {

// The four names the open document stands on, put back when the scope ends.
class RememberedNames {
 public:
  RememberedNames()
      : m_path(CurrentMp3Path), m_source(SyncSourcePath), m_name(CurrentMp3Name), m_folder(CurrentMp3Folder) {}
  ~RememberedNames() {
    CurrentMp3Path = m_path;
    SyncSourcePath = m_source;
    CurrentMp3Name = m_name;
    CurrentMp3Folder = m_folder;
  }
  RememberedNames(const RememberedNames&) = delete;
  RememberedNames& operator=(const RememberedNames&) = delete;

 private:
  std::string m_path, m_source, m_name, m_folder;
};

}  // namespace

void OnSyncMp3FileSave() {
  ViewPort* view = ActiveView.load();
  if (!view) return;
  if (CurrentMp3Folder.empty()) {
    TellUser(kMp3NotOpenText);
    return;
  }
  TransportCommand.store(kCmdPlay);
  RepaintView();

  FileDialogRequest request;
  request.save = true;
  request.title = kSyncMp3SaveTitle;
  request.filter = kSyncMp3SaveFilter;
  request.folder = CurrentMp3Folder;
  request.proposedName = CurrentMp3Name;
  std::optional<FileChoice> choice = view->FileDialog(request);
  if (!choice) return;
  std::string destination = choice->path;
  CurrentMp3Name = choice->name;
  if (!HasExtension(destination, ".mp3")) destination += ".mp3";

  const std::string source = SyncSourcePath;
  CurrentMp3Path = source;
  // The same file under another spelling (a relative path, a hard link) is the same file too.
  bool inPlace = false;
  if (!source.empty() && (destination == source || SameFile(destination, source))) {
    if (!AskUser(kSameMp3Text)) return;
    inPlace = true;
  }

  std::string stored;
  if (!CaptureStoredLyrics(stored)) return;
  std::string editorLyrics = stored;
  StoredToEditorForm(editorLyrics);
  if (!stored.empty()) {
    std::string error;
    BuildSyncBlock(stored, error);
    if (!error.empty()) {
      TellUser(error);
      return;
    }
  } else {
    std::fill(std::begin(SyncBlockBuffer), std::end(SyncBlockBuffer), 0);
  }

  if (source.empty()) {
    TellUser(kMp3SourceErrorText);
    return;
  }
  if (FileExists(destination) && !AskUser(kMp3OverwriteText)) return;

  // The writer refuses a read-only source in place and a read-only destination, which a rename
  // would otherwise replace behind the user's back.
  const SyncMp3ExtraFrames lyricsFrames = SyncMp3LyricsFrames(editorLyrics);
  std::string why;
  switch (SaveSyncMp3File(source, destination, inPlace, &why, &lyricsFrames)) {
    case kSyncMp3Saved:
      if (inPlace) ParseSyncBlock(kSyncMagic, SyncBlockBuffer);
      WriteSidecarLrc(destination, editorLyrics);
      break;
    case kSyncMp3ReadOnly:
      TellUserWhy(kMp3ReadOnlyText, why);
      break;
    case kSyncMp3OpenError:
      TellUserWhy(kMp3SourceErrorText, why);
      break;
    case kSyncMp3BlockTooLarge:
      TellUserWhy(kMp3LyricsTooLargeText, why);
      break;
    default:
      TellUserWhy(kMp3WriteErrorText, why);
      break;
  }
}

void OnMp3PlusTextFile() {
  ViewPort* view = ActiveView.load();
  if (!view) return;
  RememberedNames keep;
  TransportCommand.store(kCmdPlay);
  RepaintView();

  FileDialogRequest request;
  request.title = kMp3OpenTitle;
  request.filter = kMp3OpenFilter;
  std::optional<FileChoice> choice = view->FileDialog(request);
  if (!choice) return;
  CurrentMp3Path = choice->path;
  SyncSourcePath = choice->path;
  CurrentMp3Name = choice->name;
  CurrentMp3Folder = FolderOfChoice(choice->path, choice->name);
  OnSyncMp3FileSave();
}

}  // namespace vexalo
