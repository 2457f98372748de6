// An LRC file's bytes read into the editor: the encoding found, the lyrics in editor form with
// the ID tags kept for export, and what the user must be told (bad lines, characters without a
// CP949 form, lyrics too long for the editor).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "sync/lrc_format.h"
#include "sync/lyrics_file_text.h"

namespace vexalo {

inline constexpr char kLrcSizeOverFormat[] =
    " LRC Size Over: the lyrics need %zu bytes, the editor holds %zu !!! ";
inline constexpr char kLrcTimeErrorFormat[] = " LRC Time Error: %s !!! ";
inline constexpr char kLrcCodeErrorFormat[] =
    " LRC File Code Error: %zu bytes are not in the encoding chosen; they are kept as they are !!! ";
inline constexpr char kLrcUnencodableFormat[] =
    " UTF-8 Text: %zu characters have no CP949 form and show as ? !!! ";

struct LrcFileImport {
  bool fits = false;      // false: the lyrics pass `limit`; nothing goes into the editor then
  LrcImport lrc;          // the whole import, also when it does not fit
  LyricsEncoding encoding = LyricsEncoding::kCp949;
  std::size_t unencodable = 0;
  std::size_t invalid = 0;  // bytes not in the encoding chosen
  std::string message;    // for a message box; empty when there is nothing to say
};

// The LRC file players look for beside a song: its path with .lrc in place of the extension.
std::string SidecarLrcPath(const std::string& songPath);

// `limit` is the most the editor takes (the lyrics buffer less its terminating zero). A file
// whose lyrics pass it is refused whole, never cut.
LrcFileImport ImportLrcFile(std::string_view fileBytes, std::size_t limit,
                            EncodingChoice choice = EncodingChoice::Automatic);

}  // namespace vexalo
