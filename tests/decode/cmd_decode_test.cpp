#include <gtest/gtest.h>

#include <string>

#include "decode_helpers.h"
#include "support/run_tool.h"

namespace vexalo {
namespace {

using test::FixturePath;
using test::ReadBytes;
using test::RunSyncTool;

TEST(DecodeCommand, PrintsTheSongFacts) {
  const test::ToolResult r = RunSyncTool({"decode", FixturePath("mono_22k.mp3")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "layer: 3\n"
            "mode: 0\n"
            "sampleRate: 22050\n"
            "bitRate: 64000\n"
            "channels: 1\n"
            "frameScale: 2\n"
            "frameSeconds: 0.026122449\n"
            "storedBytes: 92160\n"
            "total:  Total Time = 00:02:08 \n");
  EXPECT_EQ(r.err, "");
}

TEST(DecodeCommand, WritesTheStoredSong) {
  const std::string out = "/tmp/vexalo-decode-cli-" + std::to_string(::getpid()) + ".raw";
  const test::ToolResult r = RunSyncTool({"decode", FixturePath("stereo_44k.mp3"), "-o", out});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("storedBytes: 182016\n"), std::string::npos);
  EXPECT_NE(r.out.find("channels: 2\n"), std::string::npos);
  const std::string raw = ReadBytes(out);
  EXPECT_EQ(raw.size(), 182016u);
  // The first frame is the encoder's Info frame: dither noise around silence only.
  for (std::size_t i = 0; i < 2304; i += 2) {
    const int v = static_cast<int16_t>(static_cast<unsigned char>(raw[i]) | static_cast<unsigned char>(raw[i + 1]) << 8);
    ASSERT_LE(std::abs(v), 2) << i;
  }
  ::unlink(out.c_str());
}

TEST(DecodeCommand, RefusesFilesWithoutLayerThreeAudio) {
  for (const char* name : {"not_mp3.wav.mp3", "layer2_44k.mp2"}) {
    const test::ToolResult r = RunSyncTool({"decode", FixturePath(name)});
    EXPECT_EQ(r.status, 1) << name;
    EXPECT_EQ(r.err, "Not MP3 File !!!\n  " + FixturePath(name) + ": no MPEG audio Layer III frame\n") << name;
    EXPECT_EQ(r.out, "") << name;
  }
}

TEST(DecodeCommand, ReportsUsageAndUnreadableFiles) {
  EXPECT_EQ(RunSyncTool({"decode"}).status, 2);
  EXPECT_EQ(RunSyncTool({"decode", FixturePath("mono_8k.mp3"), "-o"}).status, 2);
  EXPECT_EQ(RunSyncTool({"decode", FixturePath("mono_8k.mp3"), "--bogus"}).status, 2);
  const test::ToolResult missing = RunSyncTool({"decode", "/nonexistent/x.mp3"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("/nonexistent/x.mp3"), std::string::npos);
}

}  // namespace
}  // namespace vexalo
