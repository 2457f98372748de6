// vexalo-sync embed and extract with LRC lyrics, the SYLT and USLT frames and SRT, as a user runs them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/safe_file.h"
#include "support/run_tool.h"
#include "support/temp_folder.h"
#include "syncmp3/lyrics_frames.h"

namespace fs = std::filesystem;
using vexalo::test::FixturePath;
using vexalo::test::RunSyncTool;

namespace {

// UTF-8 LRC with Hangul, an offset and a word mark.
const std::string kLrc = "\xEF\xBB\xBF[ti:Song]\r\n[offset:+100]\r\n[00:01.10]\xEC\x82\xAC\xEB\x9E\x91 <00:01.60>you\r\n"
                         "[00:04.30]bye\r\n";
// Its stored form (CP949) and its normal LRC form.
const std::string kStored = "\xA2\xE2" "00000100\xA2\xD0\r\n\xBB\xE7\xB6\xFB \xA2\xD1" "000150\xA2\xD0you\r\n"
                            "\xA2\xE2" "00000420\xA2\xD0\r\nbye\r\n";
const std::string kNormal = "[00:01.00]\xEC\x82\xAC\xEB\x9E\x91 <00:01.50>you\r\n[00:04.20]bye\r\n";

std::string FrameIds(const std::string& file) {
  std::string ids;
  auto b = [&](std::size_t k) { return static_cast<std::uint32_t>(static_cast<unsigned char>(file[k])); };
  const std::size_t end = 10 + (b(6) << 21 | b(7) << 14 | b(8) << 7 | b(9));
  for (std::size_t pos = 10; pos + 10 <= end && file[pos] != '\0';) {
    ids += (ids.empty() ? "" : " ") + file.substr(pos, 4);
    pos += 10 + (b(pos + 4) << 24 | b(pos + 5) << 16 | b(pos + 6) << 8 | b(pos + 7));
  }
  return ids;
}

class LyricsFormatsCli : public vexalo::test::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    Put("lyrics.lrc", kLrc);
  }
};

TEST_F(LyricsFormatsCli, EmbedTakesAnLrcFileAndWritesAllThreeFrames) {
  auto r = RunSyncTool({"embed", FixturePath("tagged_v23.mp3"), P("lyrics.lrc"), "-o", P("out.mp3")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(FrameIds(Get(P("out.mp3"))).substr(0, 14), "TXXX SYLT USLT");
  EXPECT_FALSE(fs::exists(P("out.lrc")));

  auto snc = RunSyncTool({"extract", P("out.mp3")});
  ASSERT_EQ(snc.status, 0) << snc.err;
  EXPECT_EQ(snc.out, kStored);
  auto lrc = RunSyncTool({"extract", P("out.mp3"), "--format", "lrc"});
  ASSERT_EQ(lrc.status, 0) << lrc.err;
  EXPECT_EQ(lrc.out, kNormal);
  auto srt = RunSyncTool({"extract", P("out.mp3"), "--format=srt", "-o", P("out.srt")});
  ASSERT_EQ(srt.status, 0) << srt.err;
  EXPECT_EQ(Get(P("out.srt")),
            "1\r\n00:00:01,000 --> 00:00:04,200\r\n\xEC\x82\xAC\xEB\x9E\x91 you\r\n\r\n"
            "2\r\n00:00:04,200 --> 00:00:09,200\r\nbye\r\n");
}

TEST_F(LyricsFormatsCli, FramesCanBeLeftOutAndASidecarAdded) {
  auto r = RunSyncTool({"embed", FixturePath("stereo_44k.mp3"), P("lyrics.lrc"), "-o", P("plain.mp3"), "--no-sylt",
                        "--no-uslt", "--sidecar"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(FrameIds(Get(P("plain.mp3"))), "TXXX");
  EXPECT_EQ(Get(P("plain.lrc")), "[ti:Song]\r\n[offset:0]\r\n[00:01.00]\xEC\x82\xAC\xEB\x9E\x91 you\r\n[00:04.20]bye\r\n");

  // An existing sidecar is not replaced without --force, and then nothing is written.
  auto again = RunSyncTool({"embed", FixturePath("stereo_44k.mp3"), P("lyrics.lrc"), "-o", P("new.mp3"), "--sidecar"});
  ASSERT_EQ(again.status, 0) << again.err;
  Put("taken.lrc", "mine");
  auto refused = RunSyncTool({"embed", FixturePath("stereo_44k.mp3"), P("lyrics.lrc"), "-o", P("taken.mp3"), "--sidecar"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("LRC File OverWrite ?"), std::string::npos) << refused.err;
  EXPECT_FALSE(fs::exists(P("taken.mp3")));
  EXPECT_EQ(Get(P("taken.lrc")), "mine");
}

TEST_F(LyricsFormatsCli, ExtractFallsBackToSyltThenUslt) {
  auto tagged = [&](const std::string& name, const std::string& frames) {
    const std::uint32_t n = static_cast<std::uint32_t>(frames.size());
    std::string tag = "ID3";
    tag += {3, 0, 0, static_cast<char>(n >> 21 & 0x7F), static_cast<char>(n >> 14 & 0x7F),
            static_cast<char>(n >> 7 & 0x7F), static_cast<char>(n & 0x7F)};
    std::string audio;
    vexalo::ReadWholeFile(FixturePath("stereo_44k.mp3"), audio);
    return Put(name, tag + frames + audio);
  };
  const std::string editor = "\xA7" "00000100\xBB\r\none\r\n\xA7" "00000250\xBB\r\ntwo\r\n";
  const std::string sylt = tagged("sylt.mp3", vexalo::BuildId3Frame("SYLT", vexalo::BuildSyltBody(editor)));
  auto r = RunSyncTool({"extract", sylt, "--format", "lrc"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "[00:01.00]one\r\n[00:02.50]two\r\n");

  const std::string uslt = tagged("uslt.mp3", vexalo::BuildId3Frame("USLT", std::string("\0eng\0plain words\nline two", 25)));
  auto u = RunSyncTool({"extract", uslt});
  ASSERT_EQ(u.status, 0) << u.err;
  EXPECT_EQ(u.out, "plain words\r\nline two\r\n");

  auto none = RunSyncTool({"extract", FixturePath("tagged_v23.mp3")});
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find("no embedded lyrics"), std::string::npos) << none.err;
}

TEST_F(LyricsFormatsCli, BadLrcIsRefusedNamingItsFirstBadLineAndNothingIsWritten) {
  Put("bad.lrc", "[00:01.00]one\n[00:02.00]two\n[1:2:3]three\n");
  auto r = RunSyncTool({"embed", FixturePath("stereo_44k.mp3"), P("bad.lrc"), "-o", P("out.mp3")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("line 3: \"[1:2:3]\" is not a time (mm:ss.xx)"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(P("out.mp3")));

  auto format = RunSyncTool({"extract", FixturePath("stereo_44k.mp3"), "--format", "wav"});
  EXPECT_EQ(format.status, 2);
}

TEST_F(LyricsFormatsCli, PeersReadTheFramesAndSetTagsKeepsThem) {
  ASSERT_EQ(RunSyncTool({"embed", FixturePath("tagged_v24.mp3"), P("lyrics.lrc"), "-o", P("song.mp3")}).status, 0);
  auto set = RunSyncTool({"set-tags", P("song.mp3"), "--title", "New Title"});
  ASSERT_EQ(set.status, 0) << set.err;
  EXPECT_EQ(FrameIds(Get(P("song.mp3"))).substr(0, 14), "TXXX SYLT USLT");
  auto back = RunSyncTool({"extract", P("song.mp3")});
  EXPECT_EQ(back.out, kStored);

  if (!fs::exists("/usr/bin/python3") ||
      vexalo::test::RunProgram("/usr/bin/python3", {"-c", "import mutagen.id3"}).status != 0)
    GTEST_SKIP() << "mutagen is not installed";
  auto r = vexalo::test::RunProgram(
      "/usr/bin/python3",
      {"-c",
       "import sys, mutagen.id3\n"
       "t = mutagen.id3.ID3(sys.argv[1])\n"
       "s = t.getall('SYLT')[0]\n"
       "assert (s.format, s.type, s.lang) == (2, 1, 'eng'), s\n"
       "assert s.text == [('\\uc0ac\\ub791 you', 1000), ('\\nbye', 4200)], s.text\n"
       "assert t.getall('USLT')[0].text.endswith('[00:04.20]bye\\n'), t.getall('USLT')\n"
       "assert str(t['TIT2']) == 'New Title'\n",
       P("song.mp3")});
  EXPECT_EQ(r.status, 0) << r.err;
}

}  // namespace
