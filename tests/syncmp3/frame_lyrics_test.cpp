#include "syncmp3/frame_lyrics.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/text_codec.h"
#include "support/run_tool.h"

namespace fs = std::filesystem;
using namespace vexalo;

namespace {

std::string L(const char* digits) { return "\xA7" + std::string(digits) + "\xBB\r\n"; }
std::string K(const std::string& utf8) { return EncodeCp949(utf8).bytes; }

std::string Tag(int version, const std::string& frames) {
  const std::uint32_t n = static_cast<std::uint32_t>(frames.size());
  std::string tag = "ID3";
  tag += {static_cast<char>(version), 0, 0, static_cast<char>(n >> 21 & 0x7F), static_cast<char>(n >> 14 & 0x7F),
          static_cast<char>(n >> 7 & 0x7F), static_cast<char>(n & 0x7F)};
  return tag + frames;
}

class FrameLyricsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("frame_lyrics_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ifstream in(test::FixturePath("stereo_44k.mp3"), std::ios::binary);
    audio.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string Write(const std::string& name, const std::string& tag) {
    const std::string path = (dir / name).string();
    std::ofstream(path, std::ios::binary) << tag << audio;
    return path;
  }
  fs::path dir;
  std::string audio;
};

const std::string kLyrics = L("00000100") + K("사랑해") + "\r\n" + L("00000250") + "two\r\n";

}  // namespace

TEST_F(FrameLyricsTest, SyltComesFirstThenUsltWithLrcText) {
  const std::string sylt = BuildId3Frame("SYLT", BuildSyltBody(kLyrics));
  const std::string uslt = BuildId3Frame("USLT", BuildUsltBody(L("00000900") + "uslt\r\n", {}));
  FrameLyrics both = ReadFrameLyrics(Write("both.mp3", Tag(3, uslt + sylt)));
  EXPECT_EQ(both.source, FrameLyricsSource::kSylt);
  EXPECT_EQ(both.frame.editorText, kLyrics);

  FrameLyrics onlyUslt = ReadFrameLyrics(Write("uslt.mp3", Tag(3, uslt)));
  EXPECT_EQ(onlyUslt.source, FrameLyricsSource::kUslt);
  EXPECT_EQ(onlyUslt.frame.editorText, L("00000900") + "uslt\r\n");

  FrameLyrics v24 = ReadFrameLyrics(Write("v24.mp3", Tag(4, BuildId3Frame("SYLT", BuildSyltBody(kLyrics), 4))));
  EXPECT_EQ(v24.source, FrameLyricsSource::kSylt);
  EXPECT_EQ(v24.frame.editorText, kLyrics);
}

TEST_F(FrameLyricsTest, PlainUsltTextCountsOnlyWhenAskedFor) {
  const std::string plain = std::string("\x00" "eng" "\x00", 5) + "just words\nno times";
  const std::string path = Write("plain.mp3", Tag(3, BuildId3Frame("USLT", plain)));
  EXPECT_EQ(ReadFrameLyrics(path).source, FrameLyricsSource::kNone);
  FrameLyrics any = ReadFrameLyrics(path, {}, true);
  EXPECT_EQ(any.source, FrameLyricsSource::kUslt);
  EXPECT_EQ(any.frame.editorText, "just words\r\nno times\r\n");
}

TEST_F(FrameLyricsTest, PrefersLyricsOfTheChosenLanguageAndSkipsUnreadableFrames) {
  LyricsFrameKey korean;
  korean.language = "kor";
  const std::string mpegTimes = std::string("\x00" "eng" "\x01\x01" "\x00" "x\x00\x00\x00\x00\x01", 13);
  const std::string english = BuildSyltBody(L("00000100") + "english\r\n");
  const std::string hangul = BuildSyltBody(L("00000100") + K("한국어") + "\r\n", korean);
  const std::string path =
      Write("many.mp3", Tag(3, BuildId3Frame("SYLT", mpegTimes) + BuildId3Frame("SYLT", english) +
                                   BuildId3Frame("SYLT", hangul)));
  FrameLyrics chosen = ReadFrameLyrics(path, korean);
  EXPECT_EQ(chosen.frame.editorText, L("00000100") + K("한국어") + "\r\n");
  EXPECT_EQ(chosen.frame.key.language, "kor");
  EXPECT_EQ(ReadFrameLyrics(path).frame.editorText, L("00000100") + "english\r\n");
  EXPECT_EQ(ReadFrameLyrics(path).why, "SYLT: its times are MPEG frames, not milliseconds");
}

TEST_F(FrameLyricsTest, FilesWithoutLyricsOrThatCannotBeReadGiveNone) {
  EXPECT_EQ(ReadFrameLyrics(test::FixturePath("tagged_v23.mp3")).source, FrameLyricsSource::kNone);
  EXPECT_EQ(ReadFrameLyrics((dir / "missing.mp3").string()).source, FrameLyricsSource::kNone);
  EXPECT_EQ(ReadFrameLyrics(dir.string()).source, FrameLyricsSource::kNone);
}

TEST_F(FrameLyricsTest, ReadsFramesAnotherProgramWrote) {
  if (!fs::exists("/usr/bin/python3") ||
      test::RunProgram("/usr/bin/python3", {"-c", "import mutagen.id3"}).status != 0)
    GTEST_SKIP() << "mutagen is not installed";
  const std::string path = Write("other.mp3", "");
  // Version 2.4, UTF-8, and a word-timed frame: each word an entry, lines begun by a line break.
  const auto r = test::RunProgram(
      "/usr/bin/python3",
      {"-c",
       "import sys, mutagen.id3 as m\n"
       "t = m.ID3()\n"
       "t.add(m.SYLT(encoding=3, lang='kor', format=2, type=1, desc='words',\n"
       "  text=[('\\uc0ac\\ub791', 1000), (' you', 1500), ('\\nnext', 3000)]))\n"
       "t.save(sys.argv[1], v2_version=4)\n",
       path});
  ASSERT_EQ(r.status, 0) << r.err;
  FrameLyrics read = ReadFrameLyrics(path);
  EXPECT_EQ(read.source, FrameLyricsSource::kSylt);
  EXPECT_EQ(read.frame.key.description, "words");
  EXPECT_EQ(read.frame.editorText,
            L("00000100") + K("사랑") + "\xAB" "000150\xBB you\r\n" + L("00000300") + "next\r\n");
}
