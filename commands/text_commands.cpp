#include "commands/text_commands.h"

#include <array>
#include <cstdio>
#include <optional>

#include "commands/command_support.h"
#include "commands/lyrics_file_commands.h"
#include "common/control_ids.h"
#include "common/input_file.h"
#include "common/repaint.h"
#include "common/safe_file.h"
#include "common/shared_state.h"
#include "common/text_codec.h"
#include "common/text_encoding.h"
#include "common/view_port.h"
#include "lyrics/lyrics_editor.h"
#include "sync/sync_table.h"
#include "sync/sync_text.h"

namespace vexalo {

namespace {

// A UTF-8 file converts to at most this many CP949 bytes per byte read, so anything longer
// cannot fit the editor whatever it holds.
constexpr std::size_t kMostTextFileBytes = 4 * kSyncTextAreaBytes;

// Reads at most `most` bytes; `whole` tells whether that was the whole file. False, with `why`
// set, when the file cannot be opened or read, or is not a regular file.
bool ReadTextFile(const std::string& path, std::size_t most, std::string& out, bool& whole, std::string& why) {
  whole = false;
  std::uint64_t size = 0;
  if (!ReadInputFile(path, most, out, size, why)) return false;
  whole = size <= most;
  return true;
}

// The encoding chosen in the last Text Open dialog; the save prompt reads the file back the
// same way.
EncodingChoice g_textEncoding = EncodingChoice::Automatic;

// Tells what reading the file could not keep as it was: bytes that are not in the encoding it
// was read in (kept as they are, or '?' for UTF-16), or else characters CP949 cannot hold.
void TellWhatDidNotConvert(const TextFileLyrics& t) {
  if (t.read.invalid != 0) {
    TellUser(TextOpenCodeErrorText(t.read));
  } else if (t.converted.unencodable != 0) {
    TellUser(TextOpenUnencodableText(t.converted));
  }
}

}  // namespace

std::string TextOpenReadAsText(TextEncoding encoding) {
  return std::string(" Read as ") + EncodingName(encoding) + " ";
}

std::string TextOpenCodeErrorText(const DecodedText& read) {
  char buf[256];
  const bool utf16 = read.encoding == TextEncoding::Utf16Le || read.encoding == TextEncoding::Utf16Be;
  std::snprintf(buf, sizeof buf,
                utf16 ? " Text File Code Error: %zu places are not %s, the first at line %zu, column %zu; they show as ? !!! "
                      : " Text File Code Error: %zu bytes are not %s, the first at line %zu, column %zu; they are kept as"
                        " they are !!! ",
                read.invalid, EncodingName(read.encoding), read.firstInvalid.line, read.firstInvalid.column);
  return buf;
}

std::string TextOpenUnencodableText(const EncodedText& converted) {
  char buf[256];
  std::snprintf(buf, sizeof buf,
                " %zu characters have no CP949 form and show as ?; the first, %s, is at line %zu, column %zu !!! ",
                converted.unencodable, CodePointName(converted.firstUnencodable).c_str(), converted.firstUnencodableAt.line,
                converted.firstUnencodableAt.column);
  return buf;
}

std::string PanelWillNotFollowText(const std::string& blockError) {
  if (blockError == kTextDataError999)
    return blockError + " The lyric panel will not follow these lyrics: they are too long for one"
                        " SyncTable block.";
  return blockError +
         " The lyric panel will not follow these lyrics: they must begin with a time tag, and no"
         " group may pass 512 bytes.";
}

void OnTextOpen() {
  ViewPort* view = ActiveView.load();
  if (!view) return;
  PromptSaveText();
  TransportCommand.store(kCmdPlay);
  RepaintView();

  FileDialogRequest request;
  request.title = kTextOpenTitle;
  request.filter = kTextOpenFilter;
  request.folder = CurrentMp3Folder;
  request.choiceLabel = kTextEncodingLabel;
  request.choices.assign(std::begin(kTextEncodingChoices), std::end(kTextEncodingChoices));
  request.choice = static_cast<int>(g_textEncoding);
  std::optional<FileChoice> choice = view->FileDialog(request);
  if (!choice) return;
  TextFilePath = choice->path;
  TextFileName = choice->name;
  if (choice->choice >= 0 && choice->choice < static_cast<int>(std::size(kTextEncodingChoices)))
    g_textEncoding = static_cast<EncodingChoice>(choice->choice);
  view->SetControlNameText(kIdcGroupFrame, "< " + TextFileName + " >");
  if (HasExtension(TextFilePath, ".lrc")) {
    OpenLrcFile(TextFilePath, std::nullopt, g_textEncoding);
    return;
  }

  std::string raw, why;
  bool whole = false;
  if (!ReadTextFile(TextFilePath, kMostTextFileBytes, raw, whole, why)) {
    TellUserWhy(kTextOpenErrorText, "cannot open '" + TextFileName + "': " + why);
    return;
  }
  LoadedSyncText loaded;
  TextFileLyrics content;
  if (whole && IsLrcText(TextFilePath, raw)) {
    OpenLrcFile(TextFilePath, std::move(raw), g_textEncoding);
    return;
  }
  if (whole) {
    content = ReadTextFileLyrics(raw, g_textEncoding);
    loaded = LoadSyncText(content.cp949);
  } else {
    loaded.text = FileSizeOverText();
  }
  if (!loaded.fits) {
    StoreLyrics(std::string());
    view->SetEditorText(loaded.text);
    return;
  }
  StoreLyrics(loaded.text);
  view->SetEditorText(loaded.text);
  LastLrcTags = LrcTags{};
  view->SetStatusText(kPanePrompt, TextOpenReadAsText(content.read.encoding));
  TellWhatDidNotConvert(content);
}

void OnTextSave() {
  ViewPort* view = ActiveView.load();
  if (!view) return;
  TransportCommand.store(kCmdPlay);
  RepaintView();

  FileDialogRequest request;
  request.save = true;
  request.title = kTextSaveTitle;
  request.filter = kTextSaveFilter;
  request.folder = CurrentMp3Folder;
  request.proposedName = TextFileName;
  request.filterIndex = SaveFilterIndexFor(TextFileName);
  std::optional<FileChoice> choice = view->FileDialog(request);
  if (!choice) return;
  TextFilePath = choice->path;
  TextFileName = choice->name;
  view->SetControlNameText(kIdcGroupFrame, std::string(" ") + " - " + TextFileName);
  if (LyricsSaveType type = SaveTypeOfChoice(choice->filterIndex, TextFilePath); type != LyricsSaveType::kSyncText) {
    if (!HasExtension(TextFilePath, SaveTypeExtension(type))) TextFilePath += SaveTypeExtension(type);
    SaveLyricsFile(TextFilePath, type);
    return;
  }
  if (!HasExtension(TextFilePath, ".snc")) TextFilePath += ".snc";

  std::string stored;
  if (!CaptureStoredLyrics(stored)) return;
  if (stored.empty()) {
    TellUser(kTextErrorText);
    return;
  }
  if (FileExists(TextFilePath) && !AskUser(kTextOverwriteText)) return;

  AtomicFileWriter writer;
  bool written = !IsReadOnlyFile(TextFilePath) && writer.Open(TextFilePath) &&
                 writer.Write(stored.data(), UpToZero(stored).size()) && writer.Commit();
  if (!written) {
    TellUser(kTextSaveErrorText);
    return;
  }

  // The block is built aside, so lyrics that cannot become a block leave no stale table behind.
  ResetSyncTable(1);
  std::array<unsigned char, kSyncBlockBytes> block{};
  std::string error;
  BuildSyncBlock(stored, block, error);
  if (block[0] != 0) {
    std::copy(block.begin(), block.end(), SyncBlockBuffer);
    if (ParseSyncBlock(kSyncMagic, SyncBlockBuffer) == 1) LyricPanelFresh.store(0);
  }
  if (!error.empty()) view->SetStatusText(kPanePrompt, PanelWillNotFollowText(error));
}

bool CaptureStoredLyrics(std::string& stored) {
  if (!CaptureLyrics(stored)) {
    TellUser(kTextSizeOver);
    return false;
  }
  if (!EditorToStoredForm(stored)) {
    // The stored form has two more bytes per tag; past the buffer it could not be opened again.
    TellUser(kTextSizeOverText);
    return false;
  }
  StoreLyrics(stored);
  return true;
}

void PromptSaveText() {
  ViewPort* view = ActiveView.load();
  if (!view) return;
  if (!TextFilePath.empty()) {
    std::string lyrics;
    const bool whole = CaptureLyrics(lyrics);
    // An LRC or SRT file just read or saved: its bytes are no stored form to compare with.
    if (whole && LyricsFileUnchanged(TextFilePath, lyrics)) return;
    std::string raw, why;
    bool wholeFile = false;
    if (ReadTextFile(TextFilePath, kMostTextFileBytes, raw, wholeFile, why)) {
      std::string stored = lyrics;
      if (whole && EditorToStoredForm(stored) && UpToZero(stored) == UpToZero(raw)) return;
      // Also unchanged: the text as Text Open would load this file (six-digit tags expanded,
      // converted from its encoding).
      if (whole && wholeFile) {
        LoadedSyncText loaded = LoadSyncText(ReadTextFileLyrics(raw, g_textEncoding).cp949);
        if (loaded.fits && loaded.text == lyrics) return;
      }
    }
  }
  std::string lyrics;
  CaptureLyrics(lyrics);
  if (lyrics.empty()) return;
  if (AskUser(kTextSavePromptText)) OnTextSave();
}

}  // namespace vexalo
