// The timed lyrics other programs embed in an MP3 file: a SYLT frame, else a USLT frame holding
// LRC text. Read through libid3tag, so any ID3v2 version, unsynchronised or compressed frames.
#pragma once

#include <string>

#include "syncmp3/lyrics_frames.h"

namespace vexalo {

enum class FrameLyricsSource { kNone, kSylt, kUslt };

struct FrameLyrics {
  FrameLyricsSource source = FrameLyricsSource::kNone;
  ParsedLyricsFrame frame;  // the frame read, lyrics in editor form
  std::string why;          // frames were there but none could be read: the first reason
};

// Among several frames, a SYLT of lyrics (type 1) is taken before others, and one of `preferred`
// before other languages and descriptions. A USLT counts when it holds LRC stamps, or any text
// at all when `plainUslt` is set. kNone when the file cannot be read or has none.
FrameLyrics ReadFrameLyrics(const std::string& path, const LyricsFrameKey& preferred = {},
                            bool plainUslt = false);

}  // namespace vexalo
