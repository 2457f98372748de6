// ID3v2.4 frames turned into ID3v2.3 frames for the SyncMP3 writer: a tag whose leading TXXX
// frame has a plain size is only valid as version 2.3, so a version 2.4 source's frames are
// carried over converted (plain sizes, v2.3 flags, UTF-8 and mark-less UTF-16 text as UTF-16
// with a byte order mark).
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
// unchanged. False, with the reason in `why`, when the tag is damaged or holds a frame that
// cannot be converted.
bool ConvertId3v24Frames(const SourceReader& read, std::uint64_t pos, std::uint64_t tagEnd,
                         std::vector<TagPiece>& pieces, std::string& why);

// A frame's data (after its v2.4 header and format bytes) with the text in a v2.4-only encoding
// (UTF-8, or UTF-16 without a byte order mark) written as UTF-16 with one; other data unchanged.
std::string Id3v23FrameData(std::string_view id, std::string_view data);

}  // namespace vexalo
