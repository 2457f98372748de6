// vexalo-sync convert between the lyrics file formats (SyncText, LRC, enhanced LRC, SRT), chosen
// by the files' extensions, and the encoding of what it writes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/safe_file.h"
#include "support/run_tool.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using vexalo::test::RunSyncTool;

namespace {

// UTF-8 LRC with a byte-order mark, Hangul, an offset, a word mark and a chorus on two stamps.
const std::string kLrc = "\xEF\xBB\xBF[ti:Song]\r\n[offset:+100]\r\n[00:01.10]\xEC\x82\xAC\xEB\x9E\x91 <00:01.60>you\r\n"
                         "[00:04.30][00:09.10]bye\r\n";
// The same lyrics as SyncText (stored form, CP949).
const std::string kStored = "\xA2\xE2" "00000100\xA2\xD0\r\n\xBB\xE7\xB6\xFB \xA2\xD1" "000150\xA2\xD0you\r\n"
                            "\xA2\xE2" "00000420\xA2\xD0\r\nbye\r\n\xA2\xE2" "00000900\xA2\xD0\r\nbye\r\n";
const std::string kPlainLrc = "[ti:Song]\r\n[offset:0]\r\n[00:01.00]\xEC\x82\xAC\xEB\x9E\x91 you\r\n"
                              "[00:04.20]bye\r\n[00:09.00]bye\r\n";
const std::string kEnhancedLrc = "[ti:Song]\r\n[offset:0]\r\n[00:01.00]\xEC\x82\xAC\xEB\x9E\x91 <00:01.50>you\r\n"
                                 "[00:04.20]bye\r\n[00:09.00]bye\r\n";
const std::string kSrt = "1\r\n00:00:01,000 --> 00:00:04,200\r\n\xEC\x82\xAC\xEB\x9E\x91 you\r\n\r\n"
                         "2\r\n00:00:04,200 --> 00:00:09,000\r\nbye\r\n\r\n"
                         "3\r\n00:00:09,000 --> 00:00:14,000\r\nbye\r\n";

class ConvertFormatsCli : public vexalo::test::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    Put("song.lrc", kLrc);
  }
};

TEST_F(ConvertFormatsCli, WritesTheFormatOfTheOutputsExtension) {
  struct Case {
    const char* name;
    std::vector<std::string> extra;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"out.snc", {}, kStored},
      {"out.txt", {}, kStored},
      {"plain.lrc", {}, kPlainLrc},
      {"word.lrc", {"--enhanced"}, kEnhancedLrc},
      {"out.srt", {}, kSrt},
      {"korean.lrc", {"--to", "cp949"}, "[ti:Song]\r\n[offset:0]\r\n[00:01.00]\xBB\xE7\xB6\xFB you\r\n"
                                        "[00:04.20]bye\r\n[00:09.00]bye\r\n"},
      {"OUT.SRT", {"--to=utf-8"}, kSrt},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"convert", P("song.lrc"), "-o", P(c.name)};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const auto r = RunSyncTool(args);
    ASSERT_EQ(r.status, 0) << c.name << ": " << r.err;
    EXPECT_EQ(Get(P(c.name)), c.expected) << c.name;
    EXPECT_NE(r.err.find("Read as UTF-8"), std::string::npos) << c.name << ": " << r.err;
  }
}

TEST_F(ConvertFormatsCli, SyncTextThroughLrcComesBackByteForByte) {
  Put("start.snc", kStored);
  ASSERT_EQ(RunSyncTool({"convert", P("start.snc"), "-o", P("mid.lrc"), "--enhanced"}).status, 0);
  EXPECT_EQ(Get(P("mid.lrc")), kEnhancedLrc.substr(kEnhancedLrc.find("[00:01")));
  const auto r = RunSyncTool({"convert", P("mid.lrc"), "-o", P("back.snc")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Get(P("back.snc")), kStored);

  // A .txt file holding LRC stamps is read as LRC, one holding stored tags as SyncText.
  Put("lrc.txt", "[00:02.00]two\n");
  ASSERT_EQ(RunSyncTool({"convert", P("lrc.txt"), "-o", P("two.snc")}).status, 0);
  EXPECT_EQ(Get(P("two.snc")), "\xA2\xE2" "00000200\xA2\xD0\r\ntwo\r\n");
  Put("stored.txt", kStored);
  ASSERT_EQ(RunSyncTool({"convert", P("stored.txt"), "-o", P("stored.srt")}).status, 0);
  EXPECT_EQ(Get(P("stored.srt")), kSrt);

  // The encoding read is the one chosen, and said.
  Put("cp949.lrc", "[00:01.00]\xBB\xE7\xB6\xFB\r\n");
  const auto k = RunSyncTool({"convert", P("cp949.lrc"), "-o", P("utf8.lrc"), "--from", "cp949"});
  ASSERT_EQ(k.status, 0) << k.err;
  EXPECT_EQ(Get(P("utf8.lrc")), "[00:01.00]\xEC\x82\xAC\xEB\x9E\x91\r\n");
  EXPECT_NE(k.err.find("Read as CP949"), std::string::npos) << k.err;
}

TEST_F(ConvertFormatsCli, SrtIsReadBackIntoTimedLyrics) {
  Put("song.srt", kSrt);
  const auto r = RunSyncTool({"convert", P("song.srt"), "-o", P("back.lrc")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Get(P("back.lrc")), kPlainLrc.substr(kPlainLrc.find("[00:01")));
  EXPECT_NE(r.err.find("Read as UTF-8"), std::string::npos) << r.err;

  Put("bad.srt", "1\n00:00:01,000 --> 00:00:02,000\none\n\n2\n00:00:03 --> 00:00:04\ntwo\n");
  const auto bad = RunSyncTool({"convert", P("bad.srt"), "-o", P("bad.lrc")});
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("line 6: \"00:00:03 --> 00:00:04\" is no cue time"), std::string::npos) << bad.err;
  EXPECT_FALSE(fs::exists(P("bad.lrc")));
}

std::string WithoutCr(std::string s) {
  s.erase(std::remove(s.begin(), s.end(), '\r'), s.end());
  return s;
}

TEST_F(ConvertFormatsCli, FfmpegReadsTheLrcAndSrtWrittenAndWritesWhatConvertReads) {
  if (!vexalo::test::HaveProgram("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed";
  ASSERT_EQ(RunSyncTool({"convert", P("song.lrc"), "-o", P("ours.srt")}).status, 0);
  ASSERT_EQ(RunSyncTool({"convert", P("song.lrc"), "-o", P("ours.lrc")}).status, 0);
  const auto srt = vexalo::test::RunProgram("ffmpeg", {"-v", "error", "-y", "-i", P("ours.srt"), P("theirs.srt")});
  ASSERT_EQ(srt.status, 0) << srt.err;
  EXPECT_EQ(WithoutCr(Get(P("theirs.srt"))), WithoutCr(kSrt) + "\n");
  const auto lrc = vexalo::test::RunProgram("ffmpeg", {"-v", "error", "-y", "-i", P("ours.lrc"), P("from_lrc.srt")});
  ASSERT_EQ(lrc.status, 0) << lrc.err;
  const std::string fromLrc = WithoutCr(Get(P("from_lrc.srt")));
  for (const char* cue : {"1\n00:00:01,000 --> 00:00:04,200\n\xEC\x82\xAC\xEB\x9E\x91 you\n",
                          "2\n00:00:04,200 --> 00:00:09,000\nbye\n", "3\n00:00:09,000 --> "})
    EXPECT_NE(fromLrc.find(cue), std::string::npos) << cue << " in\n" << fromLrc;

  // What ffmpeg writes, convert reads.
  const auto back = vexalo::test::RunProgram("ffmpeg", {"-v", "error", "-y", "-i", P("ours.srt"), P("theirs.lrc")});
  ASSERT_EQ(back.status, 0) << back.err;
  for (const char* name : {"theirs.srt", "theirs.lrc"}) {
    const std::string out = std::string(name) + ".lrc";
    const auto r = RunSyncTool({"convert", P(name), "-o", P(out)});
    ASSERT_EQ(r.status, 0) << name << ": " << r.err;
    const std::string got = Get(P(out));
    EXPECT_NE(got.find(kPlainLrc.substr(kPlainLrc.find("[00:01"), 40)), std::string::npos) << name << ":\n" << got;
    EXPECT_NE(got.find("[00:09.00]bye"), std::string::npos) << name << ":\n" << got;
  }
}

TEST_F(ConvertFormatsCli, LyricsPastTheEditorsSizeConvertBetweenLrcAndSrt) {
  std::string big;
  for (int i = 0; i < 5'000; ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "[%02d:%02d.%02d]line of lyrics number %d\n", i / 600, i / 10 % 60, i % 10 * 10, i);
    big += line;
  }
  ASSERT_GT(big.size(), 30'720u);
  Put("big.lrc", big);
  const auto r = RunSyncTool({"convert", P("big.lrc"), "-o", P("big.srt")});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string srt = Get(P("big.srt"));
  EXPECT_NE(srt.find("5000\r\n00:08:19,900 --> 00:08:24,900\r\nline of lyrics number 4999\r\n"), std::string::npos)
      << srt.substr(srt.size() - 200);

  // SyncText is what the editor and the players read: past its size it is refused, not cut.
  const auto snc = RunSyncTool({"convert", P("big.lrc"), "-o", P("big.snc")});
  EXPECT_EQ(snc.status, 1);
  EXPECT_NE(snc.err.find("30,719"), std::string::npos) << snc.err;
  EXPECT_FALSE(fs::exists(P("big.snc")));
}

TEST_F(ConvertFormatsCli, BadInputIsRefusedAndNothingIsWritten) {
  Put("bad.lrc", "[00:01.00]one\n[00:02.00]two\n[99:99.99]three\n[00:04.00]four\n");
  Put("emoji.lrc", "[00:01.00]smile \xF0\x9F\x98\x80\n");
  Put("taken.srt", "mine");
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::string message;
    std::string untouched;  // an output that must not exist ("") or must keep "mine"
  };
  const std::vector<Case> cases = {
      {"broken stamp", {"convert", P("bad.lrc"), "-o", P("bad.srt")}, 1,
       "line 3: \"[99:99.99]\" has more than 59 seconds", P("bad.srt")},
      {"character without a CP949 form", {"convert", P("emoji.lrc"), "-o", P("emoji.srt")}, 1, "1 characters",
       P("emoji.srt")},
      {"existing output", {"convert", P("song.lrc"), "-o", P("taken.srt")}, 1, "give --force", P("taken.srt")},
      {"unknown output format", {"convert", P("song.lrc"), "-o", P("song.doc")}, 2, "'.doc'", P("song.doc")},
      {"unknown input format", {"convert", P("taken.srt") + ".x", "-o", P("x.lrc")}, 2, "'.x'", P("x.lrc")},
      {"word marks only in LRC", {"convert", P("song.lrc"), "-o", P("w.srt"), "--enhanced"}, 2, "--enhanced",
       P("w.srt")},
      {"unknown encoding", {"convert", P("song.lrc"), "-o", P("e.lrc"), "--to", "latin1"}, 2, "'latin1'", P("e.lrc")},
      {"no output", {"convert", P("song.lrc")}, 2, "-o OUT", ""},
      {"missing input", {"convert", P("none.lrc"), "-o", P("none.srt")}, 1, "none.lrc", P("none.srt")},
  };
  for (const Case& c : cases) {
    const auto r = RunSyncTool(c.args);
    EXPECT_EQ(r.status, c.status) << c.name << ": " << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.name << ": " << r.err;
    if (c.untouched == P("taken.srt")) {
      EXPECT_EQ(Get(c.untouched), "mine") << c.name;
    } else if (!c.untouched.empty()) {
      EXPECT_FALSE(fs::exists(c.untouched)) << c.name;
    }
  }
  const auto forced = RunSyncTool({"convert", P("song.lrc"), "-o", P("taken.srt"), "--force"});
  ASSERT_EQ(forced.status, 0) << forced.err;
  EXPECT_EQ(Get(P("taken.srt")), kSrt);
}

}  // namespace
