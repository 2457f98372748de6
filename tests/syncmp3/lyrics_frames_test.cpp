#include "syncmp3/lyrics_frames.h"

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
std::string W(const char* digits) { return "\xAB" + std::string(digits) + "\xBB"; }
std::string K(const std::string& utf8) { return EncodeCp949(utf8).bytes; }
std::string Be32(std::uint32_t v) {
  return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16 & 0xFF),
                     static_cast<char>(v >> 8 & 0xFF), static_cast<char>(v & 0xFF)};
}
std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s.push_back(static_cast<char>(c));
  return s;
}
// UTF-16LE of an ASCII text.
std::string Wide(const std::string& ascii) {
  std::string s;
  for (char c : ascii) s += std::string{c, '\0'};
  return s;
}

const std::string kLatinLyrics = L("00000150") + "Hello " + W("000200") + "world\r\nsecond line\r\n\r\n" +
                                 L("00000050") + "Intro\r\n" + L("00010230") + L("00010500") + "end";

}  // namespace

TEST(SyltFrame, Latin1BodyHoldsOneEntryPerGroupInTimeOrder) {
  const std::string expected = std::string("\x00" "eng" "\x02\x01" "\x00", 7) + "Intro" + std::string(1, '\0') +
                               Be32(500) + "\nHello world\nsecond line" + std::string(1, '\0') + Be32(1'500) +
                               "\n" + std::string(1, '\0') + Be32(62'300) + "\nend" + std::string(1, '\0') +
                               Be32(65'000);
  EXPECT_EQ(BuildSyltBody(kLatinLyrics), expected);
}

TEST(SyltFrame, TextBeyondLatin1IsUtf16WithAByteOrderMarkOnEveryString) {
  LyricsFrameKey key;
  key.language = "KOR";
  const std::string body = BuildSyltBody(L("00000100") + K("가") + "\r\n" + L("00000200") + "b", key);
  const std::string expected = Bytes({1}) + "kor" + Bytes({2, 1}) + "\xFF\xFE" + Bytes({0, 0}) + "\xFF\xFE" +
                               Bytes({0x00, 0xAC}) + Bytes({0, 0}) + Be32(1'000) + "\xFF\xFE" + Wide("\nb") +
                               Bytes({0, 0}) + Be32(2'000);
  EXPECT_EQ(body, expected);
}

TEST(UsltFrame, HoldsThePlainLrcText) {
  LrcTags tags;
  tags.tags = {{"ti", "Song"}};
  const std::string body = BuildUsltBody(kLatinLyrics, tags);
  EXPECT_EQ(body, std::string("\x00" "eng" "\x00", 5) +
                      "[ti:Song]\n[00:01.50]Hello world\nsecond line\n\n[00:00.50]Intro\n[01:02.30]\n[01:05.00]end");
  const std::string wide = BuildUsltBody(L("00000100") + K("사랑") + "\r\n", {});
  EXPECT_EQ(wide.substr(0, 8), Bytes({1}) + "eng" + "\xFF\xFE" + Bytes({0, 0}));
  EXPECT_EQ(wide.substr(8, 2), "\xFF\xFE");
}

TEST(LyricsFrames, WholeFramesCarryTheirSizeAsEachVersionWrites) {
  const std::string body(200, 'x');
  EXPECT_EQ(BuildId3Frame("SYLT", body, 3).substr(0, 10), "SYLT" + Be32(200) + Bytes({0, 0}));
  EXPECT_EQ(BuildId3Frame("USLT", body, 4).substr(0, 10), "USLT" + Bytes({0, 0, 1, 0x48, 0, 0}));
  EXPECT_EQ(BuildId3Frame("USLT", body, 3).size(), 210u);
}

TEST(LyricsFrames, LanguageIsThreeLettersOrEng) {
  EXPECT_EQ(LyricsLanguageOrDefault("KOR"), "kor");
  EXPECT_EQ(LyricsLanguageOrDefault("ko"), "eng");
  EXPECT_EQ(LyricsLanguageOrDefault("k0r"), "eng");
}

TEST(SyltFrame, ReadsBackWhatItWrote) {
  const std::string lyrics = L("00000100") + K("첫 줄") + "\r\n" + K("둘째 줄") + "\r\n" + L("00000250") +
                             L("00010000") + "end\r\n";
  ParsedLyricsFrame parsed;
  std::string why;
  ASSERT_TRUE(ParseSyltBody(BuildSyltBody(lyrics), parsed, why)) << why;
  EXPECT_EQ(parsed.encoding, kId3Utf16);
  EXPECT_EQ(parsed.timeFormat, 2);
  EXPECT_EQ(parsed.contentType, 1);
  EXPECT_EQ(parsed.entries, 3u);
  EXPECT_EQ(parsed.key, LyricsFrameKey{});
  EXPECT_EQ(parsed.editorText, lyrics);
}

TEST(SyltFrame, ReadsWordTimedAndLineTimedFramesOfOtherPrograms) {
  struct Case {
    const char* name;
    std::string body;
    std::string editor;
  };
  auto entry = [](const std::string& text, std::uint32_t ms) { return text + std::string(1, '\0') + Be32(ms); };
  const std::string head = std::string("\x00" "eng" "\x02\x01" "desc\x00", 11);
  const std::vector<Case> cases = {
      {"words continue the line until an entry begins with a line break",
       head + entry("Hel", 1'000) + entry("lo", 1'500) + entry("\nnext", 3'000),
       L("00000100") + "Hel" + W("000150") + "lo\r\n" + L("00000300") + "next\r\n"},
      {"an entry ending in a line break ends its line", head + entry("one\n", 1'000) + entry("two\n", 2'000),
       L("00000100") + "one\r\n" + L("00000200") + "two\r\n"},
      {"no line break anywhere: every entry is a line", head + entry("one", 1'000) + entry("two", 2'004),
       L("00000100") + "one\r\n" + L("00000200") + "two\r\n"},
      {"CR LF inside an entry makes lines", head + entry("a\r\nb", 1'000), L("00000100") + "a\r\nb\r\n"},
      {"UTF-8 of version 2.4", std::string("\x03" "eng" "\x02\x01" "\x00", 7) + entry("\xEC\x82\xAC", 10),
       L("00000001") + K("사") + "\r\n"},
      {"UTF-16 big-endian of version 2.4",
       std::string("\x02" "eng" "\x02\x01" "\x00\x00", 8) + std::string("\0h\0i", 4) + std::string(2, '\0') +
           Be32(500),
       L("00000050") + "hi\r\n"},
  };
  for (const Case& c : cases) {
    ParsedLyricsFrame parsed;
    std::string why;
    ASSERT_TRUE(ParseSyltBody(c.body, parsed, why)) << c.name << ": " << why;
    EXPECT_EQ(parsed.editorText, c.editor) << c.name;
  }
  ParsedLyricsFrame parsed;
  std::string why;
  ASSERT_TRUE(ParseSyltBody(head + entry("x", 1), parsed, why));
  EXPECT_EQ(parsed.key.description, "desc");
}

TEST(SyltFrame, RefusesBodiesThatDoNotHoldTogether) {
  struct Case {
    const char* name;
    std::string body;
    const char* why;
  };
  const std::vector<Case> cases = {
      {"too short", std::string("\x00" "en", 3), "the frame is too short"},
      {"MPEG frame times", std::string("\x00" "eng" "\x01\x01" "\x00" "a\x00\x00\x00\x00\x01", 13),
       "its times are MPEG frames, not milliseconds"},
      {"unknown encoding", std::string("\x07" "eng" "\x02\x01" "\x00", 7), "unknown text encoding"},
      {"description without end", std::string("\x00" "eng" "\x02\x01" "abc", 9), "description has no end"},
      {"entry without its time", std::string("\x00" "eng" "\x02\x01" "\x00" "a\x00\x00\x00", 11),
       "entry 1 is cut off"},
  };
  for (const Case& c : cases) {
    ParsedLyricsFrame parsed;
    std::string why;
    EXPECT_FALSE(ParseSyltBody(c.body, parsed, why)) << c.name;
    EXPECT_NE(why.find(c.why), std::string::npos) << c.name << ": " << why;
  }
}

TEST(UsltFrame, LrcTextBecomesTimedLyricsAndOtherTextStaysUntimed) {
  ParsedLyricsFrame parsed;
  std::string why;
  ASSERT_TRUE(ParseUsltBody(std::string("\x00" "eng" "\x00", 5) + "[ar:A]\n[00:01.00]one\n[00:02.00]two",
                            parsed, why));
  EXPECT_TRUE(parsed.lrc);
  EXPECT_EQ(parsed.editorText, L("00000100") + "one\r\n" + L("00000200") + "two");
  ASSERT_NE(parsed.tags.Find("ar"), nullptr);

  const std::string body = Bytes({1}) + "kor" + "\xFF\xFE" + Bytes({0, 0}) + "\xFF\xFE" +
                           Bytes({0x00, 0xAC, '\n', 0}) + Wide("la");
  ASSERT_TRUE(ParseUsltBody(body, parsed, why)) << why;
  EXPECT_FALSE(parsed.lrc);
  EXPECT_EQ(parsed.key.language, "kor");
  EXPECT_EQ(parsed.editorText, K("가") + "\r\nla\r\n");
}

TEST(LyricsFrames, OtherProgramsReadTheFrames) {
  if (!fs::exists("/usr/bin/python3") ||
      test::RunProgram("/usr/bin/python3", {"-c", "import mutagen.id3"}).status != 0)
    GTEST_SKIP() << "mutagen is not installed";
  const std::string lyrics = L("00000150") + K("사랑해 ") + W("000200") + "you\r\n" + L("00010230") + "bye\r\n";
  const std::string frames = BuildId3Frame("SYLT", BuildSyltBody(lyrics)) +
                             BuildId3Frame("USLT", BuildUsltBody(lyrics, {}));
  const std::uint32_t size = static_cast<std::uint32_t>(frames.size());
  std::string tag = std::string("ID3\x03\x00\x00", 6) +
                    Bytes({static_cast<int>(size >> 21 & 0x7F), static_cast<int>(size >> 14 & 0x7F),
                           static_cast<int>(size >> 7 & 0x7F), static_cast<int>(size & 0x7F)}) +
                    frames;
  std::ifstream in(test::FixturePath("stereo_44k.mp3"), std::ios::binary);
  const std::string audio((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const fs::path path = fs::temp_directory_path() / ("lyrics_frames_" + std::to_string(::getpid()) + ".mp3");
  std::ofstream(path, std::ios::binary) << tag << audio;

  const auto r = test::RunProgram(
      "/usr/bin/python3",
      {"-c",
       "import sys, mutagen.id3\n"
       "t = mutagen.id3.ID3(sys.argv[1])\n"
       "s = t.getall('SYLT')\n"
       "assert len(s) == 1, s\n"
       "s = s[0]\n"
       "assert (s.format, s.type, s.lang, s.desc) == (2, 1, 'eng', ''), (s.format, s.type, s.lang, s.desc)\n"
       "assert s.text == [('\\uc0ac\\ub791\\ud574 you', 1500), ('\\nbye', 62300)], s.text\n"
       "u = t.getall('USLT')\n"
       "assert len(u) == 1 and u[0].lang == 'eng', u\n"
       "assert u[0].text == '[00:01.50]\\uc0ac\\ub791\\ud574 you\\n[01:02.30]bye\\n', repr(u[0].text)\n",
       path.string()});
  EXPECT_EQ(r.status, 0) << r.err;
  if (test::HaveProgram("ffprobe")) {
    const auto probe = test::RunProgram("ffprobe", {"-v", "error", "-show_format", path.string()});
    EXPECT_NE(probe.out.find("bye"), std::string::npos) << probe.out << probe.err;
  }
  fs::remove(path);
}
