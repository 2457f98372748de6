// SRT subtitles from the editor-form lyrics, for lyric videos: one cue per group, shown until
// the next group starts; and SRT read back into editor form. Texts are CP949 bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sync/lrc_format.h"

namespace vexalo {

constexpr std::uint32_t kLastSrtCueMillis = 5'000;

// Cues in time order, numbered from 1, lines ending in CR LF. Groups of the same time share one
// cue; a group without lyric ends the cue before it and shows nothing; blank lines inside a cue
// are left out (SRT ends a cue at a blank line) and so are short tags. The last cue lasts 5 s,
// or to the song's end when that comes sooner. Lines before the first long tag have no time and
// are not written.
std::string EditorFormToSrt(std::string_view editorText,
                            std::optional<std::uint32_t> songMillis = std::nullopt);

struct SrtImport {
  std::string editorText;
  std::vector<LrcProblem> problems;
};
// Reads SRT cues (an optional number line, "hh:mm:ss,mmm --> hh:mm:ss,mmm" with ',' or '.', the
// text lines up to a blank line) as groups in time order, times rounded to hundredths. A cue that
// ends before the next one starts is followed by a group without lyric at its end, as the export
// writes a pause; the last cue's end is not kept. A block without good cue times is listed in
// `problems` (its time line) and kept whole as lyric lines of the group before it.
SrtImport SrtToEditorForm(std::string_view srt);

// "hh:mm:ss,mmm".
std::string SrtTimeText(std::uint32_t millis);

}  // namespace vexalo
