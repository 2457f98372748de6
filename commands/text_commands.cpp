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

// A byte-order mark, or valid UTF-8 with at least one multi-byte character. CP949 text with
// Hangul is hardly ever valid UTF-8, and stored time tags (0xA2 0xE2 ...) never are.
bool LooksLikeUtf8(std::string_view s) {
  if (s.size() >= 3 && static_cast<unsigned char>(s[0]) == 0xEF &&
      static_cast<unsigned char>(s[1]) == 0xBB && static_cast<unsigned char>(s[2]) == 0xBF)
    return true;
  bool multibyte = false;
  for (std::size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    std::size_t extra;
    char32_t cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + extra >= s.size()) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      unsigned char t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3F);
    }
    if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    multibyte = true;
    i += extra + 1;
  }
  return multibyte;
}

// A text file's bytes as the lyrics hold them: CP949 as it stands, UTF-8 converted.
struct TextFileContent {
  std::string stored;
  bool utf8 = false;
  std::size_t unencodable = 0;  // UTF-8 characters that CP949 cannot hold ('?' in their place)
};

TextFileContent ContentOf(std::string raw) {
  TextFileContent c;
  if (!LooksLikeUtf8(raw)) {
    c.stored = std::move(raw);
    return c;
  }
  std::string_view text = raw;
  if (text.size() >= 3 && static_cast<unsigned char>(text[0]) == 0xEF) text.remove_prefix(3);
  Cp949Encoded e = EncodeCp949(text);
  c.stored = std::move(e.bytes);
  c.utf8 = true;
  c.unencodable = e.unencodable.size();
  return c;
}

std::string WithCount(const char* format, std::size_t n) {
  char buf[128];
  std::snprintf(buf, sizeof buf, format, n);
  return buf;
}

}  // namespace

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
  std::optional<FileChoice> choice = view->FileDialog(request);
  if (!choice) return;
  TextFilePath = choice->path;
  TextFileName = choice->name;
  view->SetControlText(kIdcGroupFrame, "< " + TextFileName + " >");
  if (HasExtension(TextFilePath, ".lrc")) {
    OpenLrcFile(TextFilePath, std::nullopt);
    return;
  }

  std::string raw, why;
  bool whole = false;
  if (!ReadTextFile(TextFilePath, kMostTextFileBytes, raw, whole, why)) {
    TellUserWhy(kTextOpenErrorText, "cannot open '" + TextFileName + "': " + why);
    return;
  }
  LoadedSyncText loaded;
  TextFileContent content;
  if (whole && IsLrcText(TextFilePath, raw)) {
    OpenLrcFile(TextFilePath, std::move(raw));
    return;
  }
  if (whole) {
    content = ContentOf(std::move(raw));
    loaded = LoadSyncText(content.stored);
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

  if (content.utf8) {
    if (content.unencodable != 0)
      TellUser(WithCount(" UTF-8 Text: %zu characters have no CP949 form and show as ? !!! ",
                         content.unencodable));
    else
      view->SetStatusText(kPanePrompt, " Text file read as UTF-8 ");
  } else if (std::size_t bad = DecodeCp949(loaded.text).invalidBytes; bad != 0) {
    TellUser(WithCount(" Text File Code Error: %zu bytes are not CP949 !!! ", bad));
  }
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
  view->SetControlText(kIdcGroupFrame, std::string(" ") + " - " + TextFileName);
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
      // UTF-8 converted).
      if (whole && wholeFile) {
        LoadedSyncText loaded = LoadSyncText(ContentOf(raw).stored);
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
