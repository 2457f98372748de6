// commands/: every user command, each acting on the shared state through the active view: MP3 open,
// Text Open and Save with the save prompt, the LRC and SRT files, SyncMP3 save and MP3 + Text, the
// tag editor's behaviour, Insert TimeInfo, Editor Clear, Adjust, Side Time, and the transport
// buttons and view commands. Above the engines and formats; only form/ and app/ use it.
//
// What the file commands share: message boxes owned by the view and titled with the product's
// name, the lyrics read from and put back into the editor through LyricsTextBuffer, and the
// extension rule of the save dialogs. UI thread only.
#pragma once

#include <string>
#include <string_view>

namespace vexalo {

// An OK message box; nothing without an active view.
void TellUser(const std::string& text);
// The product's message box for a failure, with what failed and why (`reason`) in status pane 0
// beside it: the box's text stays as the product words it. The reason is UTF-8 (it names files
// as the platform spells them).
void TellUserWhy(const std::string& text, const std::string& reason);
// "cannot open 'NAME': why" for a chosen file that cannot be read, from its path and name.
std::string CannotOpenReason(const std::string& path, const std::string& name);
// A Yes/No question; false (No) without an active view.
bool AskUser(const std::string& text);

// CaptureEditorText, and the captured lyrics (editor form) into `out`. False when the editor
// holds more than the lyrics buffer: `out` is then only its beginning and must not be saved.
bool CaptureLyrics(std::string& out);
// Replaces LyricsTextBuffer without touching the editor.
void StoreLyrics(const std::string& text);

// True when `path` is longer than the extension and ends in it, letters in any case
// (".snc", ".mp3").
bool HasExtension(std::string_view path, std::string_view extension);

// The folder part of a chosen file: the path less its last `name.size()` characters, so that
// it ends with the separator.
std::string FolderOfChoice(const std::string& path, const std::string& name);

// The bytes of a text before its first zero byte, as a zero-terminated buffer holds them.
std::string_view UpToZero(std::string_view text);

}  // namespace vexalo
