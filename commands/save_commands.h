// The SyncMP3 save commands: the lyrics in the editor written into a copy of the open MP3 file
// (SyncMP3 File Save) or of any other MP3 file (MP3 File + Text File), with the same-file and
// overwrite questions. Neither touches the open song's audio. UI thread only.
#pragma once

namespace vexalo {

inline constexpr char kSyncMp3SaveTitle[] = "SyncMP3 File Save";
inline constexpr char kSyncMp3SaveFilter[] = "SyncMP3 Files (*.mp3)|*.mp3|";

inline constexpr char kMp3NotOpenText[] = " MP3 File Open Error !!! ";
inline constexpr char kSameMp3Text[] = " Same MP3 File Save ? ";
inline constexpr char kMp3OverwriteText[] = " MP3 File OverWrite ? ";
inline constexpr char kMp3ReadOnlyText[] = "MP3 file Read-Only Error !!!";
inline constexpr char kMp3SourceErrorText[] = "MP3 file open Error !!!";
inline constexpr char kMp3WriteErrorText[] = " MP3 File Write Error !!! ";
inline constexpr char kMp3LyricsTooLargeText[] = " SyncMP3 Lyrics Size Over !!! ";

// Command 57603: saves the editor's lyrics into a SyncMP3 copy of SyncSourcePath (normally the
// open file); a destination that is the source file itself is rewritten in place after asking.
void OnSyncMp3FileSave();
// Command 32777: asks for another MP3 file, runs SyncMP3 File Save with it as the source, then
// puts the four remembered names back as they were.
void OnMp3PlusTextFile();

}  // namespace vexalo
