#include "tags/mpeg_audio_probe.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "support/run_tool.h"

namespace fs = std::filesystem;
using namespace vexalo;

namespace {

std::string Header(unsigned char b1, unsigned char b2, unsigned char b3 = 0x00) {
  return std::string{'\xFF', static_cast<char>(b1), static_cast<char>(b2), static_cast<char>(b3)};
}

// A whole frame: its header, then zeros up to the frame's length.
std::string Frame(unsigned char b1, unsigned char b2, std::size_t bytes) {
  std::string f = Header(b1, b2);
  f.resize(bytes, '\0');
  return f;
}

std::string Frames(unsigned char b1, unsigned char b2, std::size_t bytes, int count) {
  std::string s;
  for (int i = 0; i < count; ++i) s += Frame(b1, b2, bytes);
  return s;
}

bool Probe(const std::string& file) { return HasLayer3Audio(file, file.size()); }

TEST(MpegAudioProbe, FrameLengthOfEachHeader) {
  // Byte 1: sync bits, version (11 MPEG-1, 10 MPEG-2, 00 MPEG-2.5, 01 reserved), layer (01 is
  // Layer III), protection. Byte 2: bit-rate index, sample-rate index, padding, private bit.
  const struct {
    unsigned char b1, b2, b3;
    std::uint32_t bytes;
    const char* what;
  } cases[] = {
      {0xFB, 0x90, 0x00, 417, "MPEG-1 128 kbit/s 44,100 Hz"},
      {0xFB, 0x92, 0x00, 418, "the same, padded"},
      {0xFB, 0x94, 0x00, 384, "MPEG-1 128 kbit/s 48,000 Hz"},
      {0xFB, 0x96, 0x00, 385, "the same, padded"},
      {0xFB, 0x18, 0x00, 144, "MPEG-1 32 kbit/s 32,000 Hz"},
      {0xFB, 0x1A, 0x00, 145, "the same, padded"},
      {0xFB, 0xE8, 0x00, 1440, "MPEG-1 320 kbit/s 32,000 Hz, the longest frame"},
      {0xFB, 0xEA, 0x00, 1441, "the same, padded"},
      {0xFA, 0x92, 0x00, 418, "with a CRC: the same length"},
      {0xFB, 0x93, 0xC4, 418, "private bit, mode and emphasis do not count"},
      {0xF3, 0x80, 0x00, 208, "MPEG-2 64 kbit/s 22,050 Hz"},
      {0xF3, 0x82, 0x00, 209, "the same, padded"},
      {0xF3, 0x14, 0x00, 24, "MPEG-2 8 kbit/s 24,000 Hz, the shortest frame"},
      {0xF3, 0x16, 0x00, 25, "the same, padded"},
      {0xF3, 0xE8, 0x00, 720, "MPEG-2 160 kbit/s 16,000 Hz"},
      {0xE3, 0x48, 0x00, 288, "MPEG-2.5 32 kbit/s 8,000 Hz"},
      {0xE3, 0x4A, 0x00, 289, "the same, padded"},
      {0xE3, 0x80, 0x00, 417, "MPEG-2.5 64 kbit/s 11,025 Hz"},
      {0xE3, 0x82, 0x00, 418, "the same, padded"},
      {0xFB, 0x00, 0x00, 0, "free format: no length to be had"},
      {0xFB, 0x02, 0x00, 0, "free format, padded"},
      {0xFB, 0xF0, 0x00, 0, "bit-rate index 15"},
      {0xFB, 0x9C, 0x00, 0, "sample-rate index 3"},
      {0xEB, 0x90, 0x00, 0, "reserved version"},
      {0xFD, 0x90, 0x00, 0, "Layer II"},
      {0xFF, 0x90, 0x00, 0, "Layer I"},
      {0xF9, 0x90, 0x00, 0, "reserved layer"},
      {0x7B, 0x90, 0x00, 0, "sync bits incomplete"},
  };
  for (const auto& c : cases) {
    const std::string h = Header(c.b1, c.b2, c.b3);
    EXPECT_EQ(Layer3FrameBytes(reinterpret_cast<const unsigned char*>(h.data())), c.bytes) << c.what;
  }
  const unsigned char noSync[4] = {0xFE, 0xFB, 0x90, 0x00};
  EXPECT_EQ(Layer3FrameBytes(noSync), 0u);
}

TEST(MpegAudioProbe, WholeFiles) {
  std::mt19937 rng(11);
  std::string junk(1000, '\0');
  for (char& c : junk) c = static_cast<char>(rng() & 0x7F);  // never a sync byte
  const std::string tag = std::string("ID3\x03\x00\x00\x00\x00\x00\x14", 10) + std::string(20, '\0');
  std::string v1(128, '\0');
  v1.replace(0, 3, "TAG");
  std::string lone = junk;
  lone.replace(500, 4, Header(0xFB, 0x92));  // a header whose successor is not where it says

  const struct {
    std::string file;
    bool audio;
    const char* what;
  } cases[] = {
      {Frame(0xFB, 0x90, 417), true, "one frame, the whole file"},
      {Frame(0xFB, 0x92, 418), true, "one padded frame, the whole file"},
      {Frames(0xFB, 0x92, 418, 5), true, "several padded frames"},
      {Frames(0xF3, 0x82, 209, 5), true, "several padded MPEG-2 frames"},
      {Frames(0xE3, 0x4A, 289, 5), true, "several padded MPEG-2.5 frames"},
      {Frame(0xFB, 0x92, 418) + Frame(0xFB, 0x90, 417) + Frame(0xFB, 0x92, 418), true, "padded and unpadded"},
      {junk + Frames(0xFB, 0x92, 418, 3), true, "junk before the first frame"},
      {tag + Frames(0xFB, 0x92, 418, 3), true, "an ID3v2 tag before the frames"},
      {Frame(0xFB, 0x92, 418) + v1, true, "one padded frame, then an ID3v1 tag"},
      {Frames(0xFB, 0x92, 418, 3) + junk, true, "junk after the frames"},
      {"", false, "empty"},
      {junk, false, "junk only"},
      {lone, false, "a lone header inside junk"},
      {Frame(0xFB, 0x92, 418) + Frame(0xF3, 0x82, 209) + junk, false, "MPEG-1 followed by MPEG-2"},
      {Frames(0xFD, 0x92, 418, 5), false, "Layer II frames"},
      {std::string(70'000, '\0') + Frames(0xFB, 0x92, 418, 3), false, "frames beyond the first 64 KB"},
      {tag + std::string(1000, '\0'), false, "a tag without audio"},
  };
  for (const auto& c : cases) EXPECT_EQ(Probe(c.file), c.audio) << c.what;
}

TEST(MpegAudioProbe, FilesOnDisk) {
  char pattern[] = "/tmp/vexalo-probe-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const fs::path dir = pattern;
  auto put = [&](const char* name, const std::string& bytes) {
    std::ofstream((dir / name).string(), std::ios::binary) << bytes;
    return (dir / name).string();
  };
  const std::string padded = put("padded.mp3", Frames(0xFB, 0x92, 418, 4));
  const std::string tagOnly = put("tag-only.mp3", std::string("ID3\x03\x00\x00\x00\x00\x00\x00", 10));
  const std::string junk = put("junk.mp3", std::string(5000, 'x'));
  const std::string fifo = (dir / "fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

  EXPECT_TRUE(FileHasLayer3Audio(padded));
  EXPECT_TRUE(FileHasLayer3Audio(test::FixturePath("stereo_44k.mp3")));
  EXPECT_TRUE(FileHasLayer3Audio(test::FixturePath("tagged_v24.mp3")));
  EXPECT_FALSE(FileHasLayer3Audio(test::FixturePath("layer2_44k.mp2")));
  EXPECT_FALSE(FileHasLayer3Audio(tagOnly));
  EXPECT_FALSE(FileHasLayer3Audio(junk));
  EXPECT_FALSE(FileHasLayer3Audio((dir / "missing.mp3").string()));
  // Neither check waits on a FIFO or reads a device without end.
  EXPECT_FALSE(FileHasLayer3Audio(fifo));
  EXPECT_FALSE(FileHasLayer3Audio("/dev/zero"));
  EXPECT_FALSE(LooksLikeMp3File(fifo));
  EXPECT_FALSE(LooksLikeMp3File("/dev/zero"));

  EXPECT_TRUE(LooksLikeMp3File(tagOnly));
  EXPECT_TRUE(LooksLikeMp3File(padded));
  EXPECT_FALSE(LooksLikeMp3File(junk));
  fs::remove_all(dir);
}

}  // namespace
