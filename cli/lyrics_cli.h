// The lyrics file kinds beside SyncText that embed, extract and convert read and write: LRC
// (plain or enhanced) and SRT, and the lyrics frames embed adds to a SyncMP3 file.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sync/lrc_format.h"
#include "sync/sync_table.h"

namespace vexalo::cli {

// Takes `flag` out of args; true when it was there.
bool TakeFlag(std::vector<std::string>& args, std::string_view flag);
// Takes "NAME VALUE" (or "NAME=VALUE") out of args into `value`; false with `error` set when
// the name stands without a value.
bool TakeOption(std::vector<std::string>& args, std::string_view name, std::string& value, std::string& error);

// Reads a lyrics file into editor form as Text Open does: an .lrc file (or a text of LRC
// stamps) through the LRC reader, whose ID tags go to `tags`; anything else as SyncText. An LRC
// with bad stamps is refused, its first bad line named. kExitOk, or the exit status after the
// error was printed.
int EditorLyricsFromFile(const std::string& path, std::string& editor, LrcTags& tags);
// The SyncTable block of editor-form lyrics, as the SyncMP3 save builds it.
int BlockFromEditorLyrics(const std::string& editor, std::span<unsigned char, kSyncBlockBytes> block);

}  // namespace vexalo::cli
