// vexalo-sync block, embed, extract and panel, run as a user would run them.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/safe_file.h"
#include "support/run_tool.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using vexalo::test::FixturePath;
using vexalo::test::RunSyncTool;

namespace {

const std::string kTag010203 = "\xA2\xE2" "01020340" "\xA2\xD0\r\n";
const std::string kLyrics = "\xA2\xE2" "00010570\xA2\xD0\r\nABCDEFGHIJKLMNOPQRST\r\n"
                            "\xA2\xE2" "00011000\xA2\xD0\r\n\xC7\xD1\xB1\xDB \xA2\xD1" "001122\xA2\xD0 line\r\n";

class SyncCommands : public vexalo::test::TempFolderTest {
};

}  // namespace

TEST_F(SyncCommands, EverySubcommandHasHelp) {
  for (const char* name : {"block", "embed", "extract", "panel"}) {
    auto r = RunSyncTool({name, "--help"});
    EXPECT_EQ(r.status, 0) << name;
    EXPECT_NE(r.out.find(std::string("Usage: vexalo-sync ") + name), std::string::npos) << name;
  }
}

TEST_F(SyncCommands, UsageErrorsExitWithTwo) {
  const std::string lyrics = Put("l.snc", kTag010203 + "AB\r\n");
  const std::vector<std::vector<std::string>> cases = {
      {"block", lyrics},
      {"block", "-o", P("b.bin")},
      {"block", lyrics, "-o"},
      {"block", lyrics, "-o", P("b.bin"), "--bogus"},
      {"embed", lyrics, "-o", P("o.mp3")},
      {"embed", FixturePath("stereo_44k.mp3"), lyrics},
      {"extract"},
      {"panel", lyrics},
      {"panel", lyrics, "--at", "1:5.730"},
      {"panel", lyrics, "--at", "1:65.000"},
      {"panel", lyrics, "--at", "1:05.73"},
      {"panel", lyrics, "--at", "x:05.730"},
  };
  for (const auto& args : cases) {
    auto r = RunSyncTool(args);
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    EXPECT_EQ(r.status, 2) << joined << r.err;
    EXPECT_FALSE(r.err.empty()) << joined;
  }
}

TEST_F(SyncCommands, BlockWritesExactlyTheBlock) {
  const std::string lyrics = Put("l.snc", kTag010203 + "AB\r\n");
  auto r = RunSyncTool({"block", lyrics, "-o", P("b.bin")});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string expected = std::string("SO\x87\xD6\x12\x00\x20\0\0\0\x01\0\0\0\x8B\x0E\0\0\0\0\x0A\0", 22) +
                               "40\xA2\xD0\r\nAB\r\n";
  EXPECT_EQ(Get(P("b.bin")), expected);

  // A six-digit tag is read as Text Open reads it: hundredths 00.
  const std::string six = Put("six.snc", "\xA2\xE2" "000105\r\nla\r\n");
  ASSERT_EQ(RunSyncTool({"block", six, "-o", P("six.bin")}).status, 0);
  EXPECT_EQ(Get(P("six.bin")).substr(22), "00\xA2\xD0\r\nla\r\n");

  // Empty lyrics: an empty block.
  ASSERT_EQ(RunSyncTool({"block", Put("empty.snc", ""), "-o", P("empty.bin")}).status, 0);
  EXPECT_EQ(Get(P("empty.bin")), "");
}

TEST_F(SyncCommands, BlockErrorsUseTheProductsMessages) {
  struct Case {
    const char* name;
    std::string lyrics;
    std::string message;
  };
  std::string big(30720, 'a');
  std::string almost = kTag010203;
  while (almost.size() + 100 + 14 < 30719) almost += std::string(98, 'b') + "\r\n" + kTag010203;
  almost += std::string(30719 - almost.size(), 'c');
  ASSERT_EQ(almost.size(), 30719u);
  const std::vector<Case> cases = {
      {"no leading tag", "just words\r\n", "Text Data Error 000 !!!"},
      {"group over 512 bytes", kTag010203 + std::string(600, 'x'), "Text Data Error 000 !!!"},
      {"30,720 bytes", big, "File size Over => (30720 bytes > File Size)!!!"},
      // Loaded, but its block (14 bytes more than the text) cannot fit the block buffer.
      {"30,719 bytes", almost, "Text Data Error 999 !!!"},
  };
  for (const auto& c : cases) {
    const std::string lyrics = Put("l.snc", c.lyrics);
    auto r = RunSyncTool({"block", lyrics, "-o", P("b.bin")});
    EXPECT_EQ(r.status, 1) << c.name;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.name << ": " << r.err;
    EXPECT_FALSE(fs::exists(P("b.bin"))) << c.name;
  }
  for (const std::string& bad : {P("missing.snc"), dir.string()}) {
    auto r = RunSyncTool({"block", bad, "-o", P("b.bin")});
    EXPECT_EQ(r.status, 1) << bad;
    EXPECT_NE(r.err.find("Text File Open Error !!!"), std::string::npos) << r.err;
  }
}

TEST_F(SyncCommands, EmbedAndExtractRoundTrip) {
  const std::string lyrics = Put("l.snc", kLyrics);
  for (const char* fixture : {"stereo_44k.mp3", "tagged_v1.mp3", "tagged_v23.mp3", "tagged_v24.mp3"}) {
    const std::string out = P(std::string("out_") + fixture);
    auto r = RunSyncTool({"embed", FixturePath(fixture), lyrics, "-o", out});
    ASSERT_EQ(r.status, 0) << fixture << ": " << r.err;
    auto x = RunSyncTool({"extract", out});
    EXPECT_EQ(x.status, 0) << fixture << ": " << x.err;
    EXPECT_EQ(x.out, kLyrics) << fixture;
    ASSERT_EQ(RunSyncTool({"extract", out, "-o", P("back.snc")}).status, 0);
    EXPECT_EQ(Get(P("back.snc")), kLyrics) << fixture;
  }
}

TEST_F(SyncCommands, EmbedRefusesToOverwriteWithoutForce) {
  const std::string lyrics = Put("l.snc", kLyrics);
  const std::string out = Put("exists.mp3", "keep");
  auto r = RunSyncTool({"embed", FixturePath("mono_8k.mp3"), lyrics, "-o", out});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("MP3 File OverWrite ?"), std::string::npos) << r.err;
  EXPECT_EQ(Get(out), "keep");
  r = RunSyncTool({"embed", FixturePath("mono_8k.mp3"), lyrics, "-o", out, "--force"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Get(out).substr(0, 3), "ID3");
}

TEST_F(SyncCommands, EmbedInPlaceNeedsForceAndMatchesACopy) {
  const std::string lyrics = Put("l.snc", kLyrics);
  const std::string song = Put("song.mp3", Get(FixturePath("tagged_v23.mp3")));
  ASSERT_EQ(RunSyncTool({"embed", song, lyrics, "-o", P("copy.mp3")}).status, 0);
  auto r = RunSyncTool({"embed", song, lyrics, "-o", song});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Same MP3 File Save ?"), std::string::npos) << r.err;
  EXPECT_EQ(Get(song), Get(FixturePath("tagged_v23.mp3")));
  // The same file spelt another way is still in place.
  r = RunSyncTool({"embed", song, lyrics, "-o", (dir / "." / "song.mp3").string(), "--force"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Get(song), Get(P("copy.mp3")));
}

TEST_F(SyncCommands, EmbedEmptyLyricsGivesAnEmptyFrame) {
  const std::string out = P("out.mp3");
  ASSERT_EQ(RunSyncTool({"embed", FixturePath("stereo_44k.mp3"), Put("e.snc", ""), "-o", out}).status, 0);
  EXPECT_EQ(Get(out).substr(0, 21), std::string("ID3\x03\x00\x00\x00\x00\x00\x15TXXX\x00\x00\x00\x01\x20\x00\x00", 21));
  auto x = RunSyncTool({"extract", out});
  EXPECT_EQ(x.status, 1);  // an empty frame holds no block
}

TEST_F(SyncCommands, EmbedBadSources) {
  const std::string lyrics = Put("l.snc", kLyrics);
  struct Case {
    const char* name;
    std::string source;
    std::string message;
  };
  fs::create_directory(P("folder.mp3"));
  const std::vector<Case> cases = {
      {"missing file", P("missing.mp3"), "MP3 file open Error !!!"},
      {"directory", P("folder.mp3"), "MP3 file open Error !!!"},
  };
  for (const auto& c : cases) {
    auto r = RunSyncTool({"embed", c.source, lyrics, "-o", P("out.mp3")});
    EXPECT_EQ(r.status, 1) << c.name;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.name << ": " << r.err;
    EXPECT_FALSE(fs::exists(P("out.mp3"))) << c.name;
  }
  // A source without MPEG audio is not taken for an MP3 file, in place or not.
  for (std::size_t size : {std::size_t(0), std::size_t(127), std::size_t(100'000)}) {
    const std::string bytes(size, 'T');
    const std::string src = Put("tiny.mp3", bytes);
    for (const std::string& out : {P("tiny_out.mp3"), src}) {
      auto r = RunSyncTool({"embed", src, lyrics, "-o", out, "--force"});
      EXPECT_EQ(r.status, 1) << size;
      EXPECT_EQ(r.err, "Not MP3 File !!!\n  " + src + ": no MPEG audio frame found\n") << size;
      EXPECT_FALSE(fs::exists(P("tiny_out.mp3"))) << size;
      EXPECT_EQ(Get(src), bytes) << size;
    }
  }
}

TEST_F(SyncCommands, EmbedReadOnlySourceInPlace) {
  const std::string lyrics = Put("l.snc", kLyrics);
  const std::string original = Get(FixturePath("mono_11k.mp3"));
  const std::string song = Put("song.mp3", original);
  ::chmod(song.c_str(), 0444);
  auto r = RunSyncTool({"embed", song, lyrics, "-o", song, "--force"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("MP3 file Read-Only Error !!!"), std::string::npos) << r.err;
  EXPECT_EQ(Get(song), original);
  // Saved elsewhere, the read-only source is only read.
  EXPECT_EQ(RunSyncTool({"embed", song, lyrics, "-o", P("elsewhere.mp3")}).status, 0);
}

TEST_F(SyncCommands, EmbedIntoAFolderThatCannotTakeTheFile) {
  const std::string lyrics = Put("l.snc", kLyrics);
  auto r = RunSyncTool({"embed", FixturePath("mono_8k.mp3"), lyrics, "-o", P("none/out.mp3")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("MP3 File Write Error !!!"), std::string::npos) << r.err;
  // A folder without write permission: root could write into it anyway, so as root the tool
  // runs as nobody.
  fs::create_directory(P("locked"));
  ::chmod(P("locked").c_str(), 0555);
  ::chmod(dir.c_str(), 0755);
  ::chmod(lyrics.c_str(), 0644);
  const std::string source = Put("source.mp3", Get(FixturePath("mono_8k.mp3")));
  ::chmod(source.c_str(), 0644);
  std::vector<std::string> args = {"embed", source, lyrics, "-o", P("locked/out.mp3")};
  if (::geteuid() == 0) {
    const std::vector<std::string> asNobody = {"--reuid=65534", "--regid=65534", "--clear-groups", vexalo::test::SyncToolPath()};
    std::vector<std::string> probe = asNobody;
    probe.push_back("version");
    if (!vexalo::FileExists("/usr/bin/setpriv") || vexalo::test::RunProgram("/usr/bin/setpriv", probe).status != 0)
      GTEST_SKIP() << "root, and the tool cannot run as nobody";
    args.insert(args.begin(), asNobody.begin(), asNobody.end());
    r = vexalo::test::RunProgram("/usr/bin/setpriv", args);
  } else {
    r = RunSyncTool(args);
  }
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("MP3 File Write Error !!!"), std::string::npos) << r.err;
  EXPECT_TRUE(fs::is_empty(P("locked")));
}

TEST_F(SyncCommands, ExtractWithoutEmbeddedLyricsFails) {
  for (const std::string& file : {FixturePath("tagged_v23.mp3"), FixturePath("stereo_44k.mp3"), P("missing.mp3")}) {
    auto r = RunSyncTool({"extract", file});
    EXPECT_EQ(r.status, 1) << file;
    EXPECT_TRUE(r.out.empty()) << file;
    EXPECT_FALSE(r.err.empty()) << file;
  }
}

TEST_F(SyncCommands, PanelShowsTheLyricAtItsTime) {
  const std::string lyrics = Put("l.snc", kLyrics);
  ASSERT_EQ(RunSyncTool({"block", lyrics, "-o", P("b.bin")}).status, 0);
  ASSERT_EQ(RunSyncTool({"embed", FixturePath("stereo_44k.mp3"), lyrics, "-o", P("s.mp3")}).status, 0);
  for (const std::string& file : {P("b.bin"), P("s.mp3")}) {
    auto r = RunSyncTool({"panel", file, "--at", "1:05.730"});
    EXPECT_EQ(r.status, 0) << file << ": " << r.err;
    EXPECT_EQ(r.out, "      01:05:73\r\nABCDEFGHIJKLMNOP\r\nQRST\r\n") << file;
    // The right second in the wrong tenth: just the time line.
    r = RunSyncTool({"panel", file, "--at", "1:05.650"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "      01:05:65\r\n");
    // No entry at that second.
    r = RunSyncTool({"panel", file, "--at", "1:06.000"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "      01:06:00\r\n");
  }
  // The short tag inside the second lyric is left out.
  auto r = RunSyncTool({"panel", P("b.bin"), "--at", "1:10.000"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "      01:10:00\r\n\xC7\xD1\xB1\xDB  line\r\n");
}

TEST_F(SyncCommands, PanelRefusesDamagedBlocks) {
  std::string huge = std::string("SO\x87\xD6\x12\x00\xFF\xFF\x00\x00\xFF\xFF\xFF\x00", 14) + std::string(100, '\x01');
  auto r = RunSyncTool({"panel", Put("huge.bin", huge), "--at", "0:01.000"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.out.empty());
  r = RunSyncTool({"panel", FixturePath("tagged_v24.mp3"), "--at", "0:01.000"});
  EXPECT_EQ(r.status, 1);
  r = RunSyncTool({"panel", dir.string(), "--at", "0:01.000"});
  EXPECT_EQ(r.status, 1);
}
