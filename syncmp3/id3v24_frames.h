// The source's frames as the SyncMP3 writer carries them into its ID3v2.3 tag: a tag whose
// leading TXXX frame has a plain size is only valid as version 2.3, so a version 2.4 source's
// frames are converted (plain sizes, v2.3 flags, UTF-8 and mark-less UTF-16 text as UTF-16 with a
// byte order mark, decoded as the tag reader decodes them). A frame the tag reader (libid3tag)
// trips over would make it drop the whole tag, lyrics frame and all, so such frames are left out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vexalo {

// A piece of a tag being written: `bytes` of its own, then `count` bytes of the source from
// offset `from`, copied as they are.
struct TagPiece {
  std::string bytes;
  std::uint64_t from = 0;
  std::uint64_t count = 0;
};

// Reads `n` bytes of the source at `offset`; false on a read error or when the source ends
// first.
using SourceReader = std::function<bool(std::uint64_t offset, unsigned char* out, std::size_t n)>;

// The size field of the v2.4 frame whose header is at `pos`, taken as syncsafe or, where only
// that makes the next frame (or padding, or the tag's end at `tagEnd`) follow, as a plain
// number, as some programs write it. The lyrics frame of an earlier SyncMP3 save, which always
// has a plain size, is tried that way first. False when neither fits.
bool Id3v24FrameSize(const SourceReader& read, std::uint64_t pos, std::uint64_t tagEnd,
                     std::uint64_t& size);

// The frames of a v2.4 tag from `pos` to `tagEnd` as v2.3 frames, followed by the tag's padding
// unchanged. Left out: frames the tag reader would not take once converted, frames with a format
// flag v2.4 does not define, SEEK frames (their offset counts from the old tag's end) and bytes
// after the last frame that are not padding. False, with the reason in `why`, when the tag is
// damaged or holds a frame that cannot be converted.
bool ConvertId3v24Frames(const SourceReader& read, std::uint64_t pos, std::uint64_t tagEnd,
                         std::vector<TagPiece>& pieces, std::string& why);

// Whether the tag reader parses the whole ID3v2.3 frame `frame` (header and data).
bool TagReaderTakesFrame(std::string_view frame);
// The same for the frame a piece holds; one over 16 MB is taken unread. False with `why` set when
// the source cannot be read.
bool TagReaderTakesPiece(const SourceReader& read, const TagPiece& piece, std::string& why);
// Whether the tag reader shows the file's first TXXX frame with this description, as MP3 open
// needs to find the lyrics.
bool TagReaderShowsLyricsFrame(const std::string& path, std::string_view description);

// A frame's data (after its v2.4 header and format bytes) with the text in a v2.4-only encoding
// (UTF-8, or UTF-16 without a byte order mark) written as UTF-16 with one; other data unchanged.
std::string Id3v23FrameData(std::string_view id, std::string_view data);

}  // namespace vexalo
