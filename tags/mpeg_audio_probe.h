// A quick check that a file holds MPEG audio Layer III frames after its ID3v2 tag, so the tag
// writer is not turned loose on a file that only carries an .mp3 name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vexalo {

// The length in bytes of the Layer III frame whose header starts at `h`, or 0 when the four
// bytes are not such a header.
std::uint32_t Layer3FrameBytes(const unsigned char* h);

// True when, within the first 64 KB after the file's ID3v2 tag, a Layer III frame header is
// followed by a second one (or by the file's end or an ID3v1 tag) where its length says.
bool HasLayer3Audio(std::string_view fileStart, std::uint64_t fileSize);
bool FileHasLayer3Audio(const std::string& path);
// What the command line takes for an MP3 file before it adds a tag in front: a file that begins
// with an ID3v2 header (its tag is rewritten in place, the rest kept), or one with Layer III
// frames near its start.
bool LooksLikeMp3File(const std::string& path);

}  // namespace vexalo
