// Songs whose ID3v2 tag holds bytes that look like MPEG frame headers (UTF-16 text begins with
// FF FE) decode to the same samples as the song without the tag.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "decode_helpers.h"
#include "support/run_tool.h"

namespace vexalo {
namespace {

std::string Syncsafe(std::size_t n) {
  return {static_cast<char>(n >> 21 & 0x7F), static_cast<char>(n >> 14 & 0x7F), static_cast<char>(n >> 7 & 0x7F),
          static_cast<char>(n & 0x7F)};
}

TEST(TaggedDecode, FrameHeadersInsideTheTagAreNotDecoded) {
  // A tag as another program writes it: TIT2 and a SYLT frame in UTF-16, then 1,057 bytes of
  // padding. Its "FF FE AB CC" reads as a Layer I header whose frame would run into the song.
  const std::string frames(
      "\x54\x49\x54\x32\x00\x00\x00\x09\x00\x00\x01\xFF\xFE\xDC\xC2\xD8\xD5\x00\x00\x53\x59\x4C\x54\x00\x00\x00"
      "\x4E\x00\x00\x01\x6B\x6F\x72\x02\x01\xFF\xFE\x00\x00\xFF\xFE\xAB\xCC\x20\x00\x04\xC9\x20\x00\x00\xAC\xAC"
      "\xC0\x00\x00\x00\x00\x00\x00\xFF\xFE\x0A\x00\x58\xB4\xF8\xC9\x20\x00\x04\xC9\x00\x00\x00\x00\x05\xDC\xFF"
      "\xFE\x0A\x00\x74\x00\x68\x00\x69\x00\x72\x00\x64\x00\x20\x00\x6C\x00\x69\x00\x6E\x00\x65\x00\x00\x00\x00"
      "\x00\x0B\xB8",
      107);
  const std::string audio = test::ReadBytes(test::FixturePath("stereo_44k.mp3"));
  struct Case {
    unsigned char version;
    unsigned char flags;
  };
  for (const Case c : {Case{3, 0x00}, Case{4, 0x10}}) {
    const std::string body = frames + std::string(1057, '\0');
    std::string file = std::string("ID3", 3) + static_cast<char>(c.version) + '\0' + static_cast<char>(c.flags) +
                       Syncsafe(body.size()) + body;
    if (c.flags & 0x10)
      file += std::string("3DI", 3) + static_cast<char>(c.version) + '\0' + static_cast<char>(c.flags) + Syncsafe(body.size());
    const std::string path = "/tmp/vexalo-tagged-decode-" + std::to_string(::getpid()) + ".mp3";
    std::ofstream(path, std::ios::binary) << file << audio;
    const test::ToolResult r = test::RunSyncTool({"decode", path});
    ::unlink(path.c_str());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("storedBytes: 182016\n"), std::string::npos) << "v2." << int(c.version) << "\n" << r.out;
  }
}

}  // namespace
}  // namespace vexalo
