// The lyrics file types beside SyncText that Text Open reads and Text Save writes: LRC (plain or
// enhanced word marks, UTF-8 or CP949) and SRT. The ID tags of the last LRC read are kept for the
// next LRC written. UI thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/text_encoding.h"
#include "sync/lrc_format.h"
#include "syncmp3/syncmp3_file.h"

namespace vexalo {

enum class LyricsSaveType { kSyncText, kLrc, kEnhancedLrc, kLrcCp949, kEnhancedLrcCp949, kSrt };

// The kTextSaveFilter entry of each type, in filter order; "Text Files (*.*)" comes last and
// goes by the name's extension.
LyricsSaveType SaveTypeOfChoice(int filterIndex, std::string_view path);
// The filter entry Text Save proposes for the last text file's name (an .lrc or .srt one).
int SaveFilterIndexFor(std::string_view name);
const char* SaveTypeExtension(LyricsSaveType type);

// The ID tags of the last LRC text read (a file, or an MP3 file's USLT frame), written again at
// the head of every LRC saved.
extern LrcTags LastLrcTags;

// True for a file to be read as LRC: an .lrc name, or text without stored time tags that holds
// LRC line stamps.
bool IsLrcText(std::string_view path, std::string_view bytes);
// Reads an LRC file (bytes already read, or read here when `bytes` is empty) into the editor.
// Bad lines and characters without a CP949 form are told in a message box; lyrics too long for
// the editor are refused whole and the editor keeps its text.
// `choice` is the encoding the user chose in the dialog.
void OpenLrcFile(const std::string& path, std::optional<std::string> bytes,
                 EncodingChoice choice = EncodingChoice::Automatic);
// Writes the editor's lyrics to `path` as `type` (not kSyncText), after the overwrite question,
// and rebuilds the sync table from them.
void SaveLyricsFile(const std::string& path, LyricsSaveType type);
// True when `path` is the LRC or SRT file the editor's lyrics were last read from or saved to,
// and they have not changed since.
bool LyricsFileUnchanged(const std::string& path, const std::string& editorLyrics);

// MP3 File Open of a file without the SyncTable block: the lyrics of its SYLT frame, else of a
// USLT frame holding LRC text, go into the editor, the status bar says which, and the lyric
// panel follows them. Lyrics too long for the editor are refused whole. False when the file
// holds none.
bool LoadFrameLyrics(const std::string& mp3Path);

// The SYLT and USLT frames SyncMP3 save writes for the editor's lyrics, as the settings choose.
SyncMp3ExtraFrames SyncMp3LyricsFrames(const std::string& editorLyrics);
// After a SyncMP3 save to `mp3Path`: when the setting asks for it, the lyrics as plain LRC in
// UTF-8 beside it (SONG.lrc), after asking before replacing a different file of that name.
void WriteSidecarLrc(const std::string& mp3Path, const std::string& editorLyrics);

inline constexpr char kLrcOverwriteText[] = " LRC File OverWrite ? ";
inline constexpr char kLrcSaveErrorText[] = " LRC File Save Error !!! ";

// Rebuilds SharedSyncTable from editor-form lyrics so that the lyric panel follows them. The
// block builder's error text, or "" when the table now describes them.
std::string FollowLyrics(const std::string& editorLyrics);

// The song's length when one is decoded.
std::optional<std::uint32_t> SongMillis();

}  // namespace vexalo
