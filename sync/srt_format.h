// SRT subtitles from the editor-form lyrics, for lyric videos: one cue per group, shown until
// the next group starts. Texts are CP949 bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vexalo {

constexpr std::uint32_t kLastSrtCueMillis = 5'000;

// Cues in time order, numbered from 1, lines ending in CR LF. Groups of the same time share one
// cue; a group without lyric ends the cue before it and shows nothing; blank lines inside a cue
// are left out (SRT ends a cue at a blank line) and so are short tags. The last cue lasts 5 s,
// or to the song's end when that comes sooner. Lines before the first long tag have no time and
// are not written.
std::string EditorFormToSrt(std::string_view editorText,
                            std::optional<std::uint32_t> songMillis = std::nullopt);

// "hh:mm:ss,mmm".
std::string SrtTimeText(std::uint32_t millis);

}  // namespace vexalo
