// The format side of vexalo-sync convert: a lyrics file read as SyncText, LRC or SRT (by its
// extension, a .txt file by its content) and written as SyncText, LRC, enhanced LRC or SRT.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/text_encoding.h"
#include "sync/lyrics_file_text.h"

namespace vexalo::cli {

enum class LyricsFileFormat { kSyncText, kLrc, kSrt, kText };

// The format of a file name's extension (any letter case): .snc, .lrc, .srt, .txt; nullopt for
// any other name.
std::optional<LyricsFileFormat> LyricsFileFormatOf(std::string_view path);

struct FormatConversion {
  std::string input;
  std::string output;
  bool enhanced = false;                   // LRC output keeps the word marks
  EncodingChoice from = EncodingChoice::Automatic;
  std::optional<LyricsEncoding> to;        // default: CP949 for SyncText, UTF-8 for LRC and SRT
  bool force = false;                      // an existing output may be replaced
};

// Reads `input`, writes `output` in the format of its extension, and tells on standard error
// which encoding the input was read in. Anything that cannot be kept whole (a bad stamp, a
// character without a CP949 form, SyncText past the editor's size) is refused before anything
// is written. Formats must have been checked with LyricsFileFormatOf. kExitOk, or the exit
// status after the error was printed.
int ConvertLyricsFile(const FormatConversion& conversion);

}  // namespace vexalo::cli
