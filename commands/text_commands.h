// The commands that move lyrics between the editor and text files: Text Open, Text Save and the
// save prompt that Text Open, MP3 File Open and Exit run first. They set TextFilePath and
// TextFileName and talk to the user only through the active view. UI thread only.
#pragma once

#include <string>

#include "common/text_encoding.h"

namespace vexalo {

inline constexpr char kTextOpenTitle[] = "Text File Open";
inline constexpr char kTextOpenFilter[] =
    "Lyrics files (*.snc;*.lrc;*.txt)|*.snc;*.lrc;*.txt|SyncText Files (*.snc)|*.snc|LRC Files (*.lrc)|*.lrc|"
    "Text Files (*.txt)|*.txt|All files (*.*)|*.*|";
inline constexpr char kTextSaveTitle[] = "SyncText File Save";
// The entries' order is the one SaveTypeOfChoice (lyrics_file_commands.h) reads.
inline constexpr char kTextSaveFilter[] =
    "SyncText Files (*.snc)|*.snc|LRC Files (*.lrc)|*.lrc|Enhanced LRC Files (*.lrc)|*.lrc|"
    "LRC Files, CP949 (*.lrc)|*.lrc|Enhanced LRC Files, CP949 (*.lrc)|*.lrc|SRT Subtitles (*.srt)|*.srt|"
    "Text Files (*.*)|*.*|";

inline constexpr char kTextErrorText[] = " Text Error !!! ";
inline constexpr char kTextOverwriteText[] = " Text File OverWrite ? ";
inline constexpr char kTextSavePromptText[] = " Text File Save ? ";
inline constexpr char kTextOpenErrorText[] = " Text File Open Error !!! ";
inline constexpr char kTextSaveErrorText[] = " Text File Save Error !!! ";
inline constexpr char kTextSizeOverText[] = " Text Size Over 30719 bytes !!! ";

// Text Open's encoding list, in the order of EncodingChoice.
inline constexpr char kTextEncodingLabel[] = "Encoding:";
inline constexpr const char* kTextEncodingChoices[] = {"Automatic", "CP949", "UTF-8", "UTF-16"};

// Command 32771: offers to save the lyrics, asks for a SyncText, LRC or text file and its
// encoding (Automatic detects it) and loads it into the editor (six-digit tags expanded, tags
// in editor form; LRC stamps become long tags). Status pane 0 tells the encoding read; a
// message tells what could not be kept.
void OnTextOpen();
// Command 32772: asks for a file name and type, writes the lyrics safely (temporary file and
// rename) and rebuilds the sync table from them. SyncText gets ".snc" appended unless present and
// holds the stored form; LRC and SRT files get their own extension.
void OnTextSave();
// Asks " Text File Save ? " when the editor holds lyrics that differ from the last text file.
void PromptSaveText();

// The save commands' first step: the editor's lyrics in stored form into `stored` and into
// LyricsTextBuffer. False, after telling the user, when they do not fit the lyrics buffer in
// either form.
bool CaptureStoredLyrics(std::string& stored);

// Text Open's reports: " Read as UTF-8 " (pane 0); bytes not in the encoding read, and
// characters CP949 cannot hold, each with how many and where the first is.
std::string TextOpenReadAsText(TextEncoding encoding);
std::string TextOpenCodeErrorText(const DecodedText& read);
std::string TextOpenUnencodableText(const EncodedText& converted);

// The status-bar text (pane 0) that tells why the lyric panel will not follow saved lyrics:
// the block builder's error text and its reason.
std::string PanelWillNotFollowText(const std::string& blockError);

}  // namespace vexalo
