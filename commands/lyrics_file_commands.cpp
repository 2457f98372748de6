#include "commands/lyrics_file_commands.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "commands/command_support.h"
#include "commands/text_commands.h"
#include "common/control_ids.h"
#include "common/cp949_chars.h"
#include "common/input_file.h"
#include "common/safe_file.h"
#include "common/settings.h"
#include "common/shared_state.h"
#include "common/view_port.h"
#include "lyrics/lyrics_editor.h"
#include "sync/lrc_file.h"
#include "sync/lyrics_file_text.h"
#include "sync/srt_format.h"
#include "sync/sync_table.h"
#include "sync/sync_text.h"
#include "syncmp3/frame_lyrics.h"
#include "syncmp3/lyrics_frames.h"

namespace vexalo {

LrcTags LastLrcTags;

namespace {

// LRC files far past the editor's size are still read whole, to tell exactly how big their
// lyrics are and which line is bad; beyond this only the file's size is told.
constexpr std::size_t kMostLrcFileBytes = 64u << 20;

struct SaveFilterEntry {
  LyricsSaveType type;
  const char* extension;
};
// In the order of kTextSaveFilter.
constexpr SaveFilterEntry kSaveFilterEntries[] = {
    {LyricsSaveType::kSyncText, ".snc"},     {LyricsSaveType::kLrc, ".lrc"},
    {LyricsSaveType::kEnhancedLrc, ".lrc"},  {LyricsSaveType::kLrcCp949, ".lrc"},
    {LyricsSaveType::kEnhancedLrcCp949, ".lrc"}, {LyricsSaveType::kSrt, ".srt"},
};

// The lyrics file the editor's text last came from or went to, and that text.
struct LyricsFileMark {
  std::string path;
  std::string lyrics;
};
LyricsFileMark g_lastLyricsFile;

std::string WithCount(const char* format, unsigned long long n) {
  char text[160];
  std::snprintf(text, sizeof text, format, n);
  return text;
}

const char* EncodingName(LyricsEncoding encoding) {
  switch (encoding) {
    case LyricsEncoding::kUtf8:
      return "UTF-8";
    case LyricsEncoding::kUtf16:
      return "UTF-16";
    default:
      return "CP949";
  }
}

bool HasStoredLongTag(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size(); i = NextCharacter(bytes, i))
    if (StoredLongTagAt(bytes, i) || SixDigitTagAt(bytes, i)) return true;
  return false;
}

}  // namespace

LyricsSaveType SaveTypeOfChoice(int filterIndex, std::string_view path) {
  constexpr int entries = static_cast<int>(std::size(kSaveFilterEntries));
  if (filterIndex >= 0 && filterIndex < entries) return kSaveFilterEntries[filterIndex].type;
  if (HasExtension(path, ".lrc")) return LyricsSaveType::kLrc;
  if (HasExtension(path, ".srt")) return LyricsSaveType::kSrt;
  return LyricsSaveType::kSyncText;
}

int SaveFilterIndexFor(std::string_view name) {
  if (HasExtension(name, ".lrc")) return 1;
  if (HasExtension(name, ".srt")) return 5;
  return 0;
}

const char* SaveTypeExtension(LyricsSaveType type) {
  for (const SaveFilterEntry& entry : kSaveFilterEntries)
    if (entry.type == type) return entry.extension;
  return ".snc";
}

std::optional<std::uint32_t> SongMillis() {
  const int state = PlayerState.load();
  if (state != kStateWholeView && state != kStateWindowView) return std::nullopt;
  const long long millis = (SongInfo.totalMinutes.load() * 60LL + SongInfo.totalSeconds.load()) * 1000 +
                           SongInfo.totalMillis.load();
  if (millis <= 0) return std::nullopt;
  return static_cast<std::uint32_t>(millis);
}

bool IsLrcText(std::string_view path, std::string_view bytes) {
  if (HasExtension(path, ".lrc")) return true;
  return !HasStoredLongTag(bytes) && HasLrcStamps(ReadLyricsFileText(bytes).cp949);
}

std::string FollowLyrics(const std::string& editorLyrics) {
  std::string stored = editorLyrics;
  ResetSyncTable(1);
  if (!EditorToStoredForm(stored)) return kTextDataError999;
  // Built aside, so lyrics that cannot become a block leave no stale table behind.
  std::array<unsigned char, kSyncBlockBytes> block{};
  std::string error;
  BuildSyncBlock(stored, block, error);
  if (block[0] != 0) {
    std::copy(block.begin(), block.end(), SyncBlockBuffer);
    if (ParseSyncBlock(kSyncMagic, SyncBlockBuffer) == 1) LyricPanelFresh.store(0);
  }
  return error;
}

void OpenLrcFile(const std::string& path, std::optional<std::string> bytes, EncodingChoice choice) {
  ViewPort* view = ActiveView.load();
  if (!view) return;
  if (!bytes) {
    std::string read, why;
    std::uint64_t size = 0;
    if (!ReadInputFile(path, kMostLrcFileBytes, read, size, why)) {
      TellUser(kTextOpenErrorText);
      return;
    }
    if (size > read.size()) {
      TellUser(WithCount(" LRC Size Over: the file has %llu bytes, the editor holds 30719 !!! ", size));
      return;
    }
    bytes = std::move(read);
  }
  LrcFileImport imported = ImportLrcFile(*bytes, kMaxLyricsTextBytes, choice);
  if (!imported.fits) {
    TellUser(imported.message);
    return;
  }
  LastLrcTags = imported.lrc.tags;
  StoreLyrics(imported.lrc.editorText);
  view->SetEditorText(imported.lrc.editorText);
  g_lastLyricsFile = {path, imported.lrc.editorText};
  const bool ascii = std::all_of(bytes->begin(), bytes->end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  view->SetStatusText(kPanePrompt, ascii ? std::string(" LRC file read ")
                                         : std::string(" LRC file read as ") + EncodingName(imported.encoding) + " ");
  if (!imported.message.empty()) TellUser(imported.message);
}

void SaveLyricsFile(const std::string& path, LyricsSaveType type) {
  ViewPort* view = ActiveView.load();
  if (!view) return;
  std::string lyrics;
  if (!CaptureLyrics(lyrics)) {
    TellUser(kTextSizeOver);
    return;
  }
  if (lyrics.empty()) {
    TellUser(kTextErrorText);
    return;
  }
  std::string text;
  LyricsEncoding encoding = LyricsEncoding::kUtf8;
  switch (type) {
    case LyricsSaveType::kSrt:
      text = EditorFormToSrt(lyrics, SongMillis());
      break;
    case LyricsSaveType::kLrcCp949:
    case LyricsSaveType::kEnhancedLrcCp949:
      encoding = LyricsEncoding::kCp949;
      [[fallthrough]];
    default: {
      const bool enhanced = type == LyricsSaveType::kEnhancedLrc || type == LyricsSaveType::kEnhancedLrcCp949;
      text = EditorFormToLrc(lyrics, LastLrcTags, enhanced ? LrcStyle::kEnhanced : LrcStyle::kPlain);
      break;
    }
  }
  const LyricsFileBytes file = LyricsFileBytesOf(text, encoding);
  if (FileExists(path) && !AskUser(kTextOverwriteText)) return;

  AtomicFileWriter writer;
  const bool written = !IsReadOnlyFile(path) && writer.Open(path) &&
                       writer.Write(file.bytes.data(), file.bytes.size()) && writer.Commit();
  if (!written) {
    TellUser(kTextSaveErrorText);
    return;
  }
  g_lastLyricsFile = {path, lyrics};
  const std::string error = FollowLyrics(lyrics);
  const char* what = type == LyricsSaveType::kSrt ? " SRT file saved" : " LRC file saved as ";
  std::string status = what;
  if (type != LyricsSaveType::kSrt) status += EncodingName(encoding);
  status += " ";
  if (!error.empty()) status = PanelWillNotFollowText(error);
  view->SetStatusText(kPanePrompt, status);
  if (file.invalidBytes != 0)
    TellUser(WithCount(" Text File Code Error: %llu bytes are not CP949 !!! ", file.invalidBytes));
}

bool LoadFrameLyrics(const std::string& mp3Path) {
  ViewPort* view = ActiveView.load();
  if (!view) return false;
  FrameLyrics found = ReadFrameLyrics(mp3Path);
  if (found.source == FrameLyricsSource::kNone) return false;
  const char* frame = found.source == FrameLyricsSource::kSylt ? "SYLT" : "USLT";
  const std::string& lyrics = found.frame.editorText;
  if (lyrics.size() > kMaxLyricsTextBytes) {
    char text[160];
    std::snprintf(text, sizeof text, " %s Lyrics Size Over: they need %zu bytes, the editor holds %zu !!! ", frame,
                  lyrics.size(), kMaxLyricsTextBytes);
    TellUser(text);
    return false;
  }
  StoreLyrics(lyrics);
  view->SetEditorText(lyrics);
  LastLrcTags = found.frame.tags;
  const std::string error = FollowLyrics(lyrics);
  std::string status = std::string(" Lyrics read from the ") + frame + " frame" +
                       (found.source == FrameLyricsSource::kUslt ? " (LRC text) " : " ");
  if (!error.empty()) status += PanelWillNotFollowText(error);
  view->SetStatusText(kPanePrompt, status);
  if (!found.frame.unencodable.empty())
    TellUser(WithCount(" Embedded Lyrics: %llu characters have no CP949 form and show as ? !!! ",
                       found.frame.unencodable.size()));
  return true;
}

SyncMp3ExtraFrames SyncMp3LyricsFrames(const std::string& editorLyrics) {
  const Settings& settings = UserSettings();
  LyricsFramesChoice choice;
  choice.sylt = settings.Bool(kSettingWriteSylt);
  choice.uslt = settings.Bool(kSettingWriteUslt);
  choice.key.language = LyricsLanguageOrDefault(settings.String(kSettingLyricsLanguage));
  return LyricsFramesForSave(editorLyrics, LastLrcTags, choice);
}

void WriteSidecarLrc(const std::string& mp3Path, const std::string& editorLyrics) {
  if (!UserSettings().Bool(kSettingWriteSidecarLrc) || editorLyrics.empty()) return;
  const std::string path = SidecarLrcPath(mp3Path);
  const std::string lrc = EditorFormToLrc(editorLyrics, LastLrcTags, LrcStyle::kPlain);
  const LyricsFileBytes file = LyricsFileBytesOf(lrc, LyricsEncoding::kUtf8);
  std::string old;
  if (FileExists(path)) {
    if (ReadWholeFile(path, old) && old == file.bytes) return;
    if (!AskUser(kLrcOverwriteText)) return;
  }
  AtomicFileWriter writer;
  const bool written = !IsReadOnlyFile(path) && writer.Open(path) &&
                       writer.Write(file.bytes.data(), file.bytes.size()) && writer.Commit();
  if (!written) TellUser(kLrcSaveErrorText);
}

bool LyricsFileUnchanged(const std::string& path, const std::string& editorLyrics) {
  return !path.empty() && path == g_lastLyricsFile.path && editorLyrics == g_lastLyricsFile.lyrics;
}

}  // namespace vexalo
