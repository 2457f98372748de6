// Hangul through vexalo-sync tags and set-tags, checked against mutagen and ffprobe.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "common/safe_file.h"
#include "support/run_tool.h"
#include "support/temp_folder.h"
#include "tags/id3_test_bytes.h"

namespace fs = std::filesystem;
using namespace vexalo;
using namespace vexalo::test;

namespace {

const std::string kTitle = "\xEC\x82\xAC\xEB\x9E\x91\xED\x95\xB4";         // 사랑해
const std::string kArtist = "\xEC\xB0\xBD\xEC\xB2\x9C \xEC\xB9\xA9";       // 창천 칩
const std::string kComment = "\xEB\x85\xB8\xEB\x9E\x98 \xEA\xB0\x80\xEC\x82\xAC";  // 노래 가사

class HangulTagsCliTest : public vexalo::test::TempFolderTest {
 protected:
  std::string Copy(const std::string& fixture, const std::string& name) {
    fs::path p = dir / name;
    fs::copy_file(FixturePath(fixture), p, fs::copy_options::overwrite_existing);
    return p.string();
  }
};

TEST_F(HangulTagsCliTest, BothWritingModesReadBackAsTheSameHangul) {
  for (bool cp949 : {false, true}) {
    SCOPED_TRACE(cp949 ? "--cp949-tags" : "default");
    const std::string p = Copy("tags_v23_full.mp3", cp949 ? "legacy.mp3" : "utf16.mp3");
    std::vector<std::string> args = {"set-tags", p, "--title", kTitle, "--artist", kArtist, "--comment", kComment};
    if (cp949) args.push_back("--cp949-tags");
    ToolResult set = RunSyncTool(args);
    ASSERT_EQ(set.status, 0) << set.err;
    ToolResult r = RunSyncTool({"tags", p});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Track: 2/9\nTitle: " + kTitle + "\nArtist: " + kArtist + "\nAlbum: Old Album\nYear: 1987\n" +
                         "Genre: Metal\nComment: " + kComment + "\n");
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(p, bytes));
    // The legacy form: CP949 bytes marked ISO-8859-1; the default: UTF-16 with its mark.
    const std::string legacyTitle = Frame(3, "TIT2", std::string(1, '\0') + "\xBB\xE7\xB6\xFB\xC7\xD8");
    EXPECT_EQ(bytes.find(legacyTitle) != std::string::npos, cp949);
    // Read as ISO-8859-1 throughout, the legacy bytes show as what they are.
    ToolResult latin1 = RunSyncTool({"tags", "--latin1-tags", p});
    EXPECT_EQ(latin1.out.find("Title: " + kTitle + "\n") != std::string::npos, !cp949) << latin1.out;
  }
}

TEST_F(HangulTagsCliTest, MutagenAndFfprobeReadTheHangulWrittenByDefault) {
  const bool mutagen = RunProgram("/usr/bin/python3", {"-c", "import mutagen.id3"}).status == 0;
  const bool ffprobe = HaveProgram("ffprobe");
  if (!mutagen && !ffprobe) GTEST_SKIP() << "needs mutagen or ffprobe";
  for (const char* fixture : {"tags_v23_full.mp3", "tags_v24_tpe1_first.mp3", "stereo_44k.mp3"}) {
    SCOPED_TRACE(fixture);
    const std::string p = Copy(fixture, "peer.mp3");
    ToolResult set = RunSyncTool({"set-tags", p, "--title", kTitle, "--artist", kArtist, "--comment", kComment});
    ASSERT_EQ(set.status, 0) << set.err;
    if (mutagen) {
      ToolResult m = RunProgram("/usr/bin/python3",
                                {"-c",
                                 "import sys, mutagen.id3\n"
                                 "t = mutagen.id3.ID3(sys.argv[1])\n"
                                 "c = [c for c in t.getall('COMM') if c.desc == ''][0]\n"
                                 "sys.stdout.buffer.write(('%s|%s|%s' % (t['TIT2'].text[0], t['TPE1'].text[0], c.text[0])).encode())\n",
                                 p});
      EXPECT_EQ(m.status, 0) << m.err;
      EXPECT_EQ(m.out, kTitle + "|" + kArtist + "|" + kComment);
    }
    if (ffprobe) {
      ToolResult f = RunProgram("ffprobe", {"-v", "error", "-show_entries", "format_tags=title,artist,comment", "-of",
                                            "default=noprint_wrappers=1", p});
      EXPECT_EQ(f.status, 0) << f.err;
      EXPECT_NE(f.out.find("TAG:title=" + kTitle + "\n"), std::string::npos) << f.out;
      EXPECT_NE(f.out.find("TAG:artist=" + kArtist + "\n"), std::string::npos) << f.out;
      EXPECT_NE(f.out.find("TAG:comment=" + kComment + "\n"), std::string::npos) << f.out;
    }
  }
}

TEST_F(HangulTagsCliTest, ATextLongerThanATagSlotIsRefusedNotCut) {
  std::string most, over;
  for (int i = 0; i < 170; ++i) most += "\xEA\xB0\x80";  // 가: 510 bytes, what a slot holds
  over = most + "\xEA\xB0\x80";                          // 513 bytes
  const std::string p = Copy("tags_v23_full.mp3", "long.mp3");
  std::string before;
  ASSERT_TRUE(ReadWholeFile(p, before));
  ToolResult refused = RunSyncTool({"set-tags", p, "--title", over});
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("--title has 513 bytes; a tag text holds at most 511"), std::string::npos) << refused.err;
  std::string after;
  ASSERT_TRUE(ReadWholeFile(p, after));
  EXPECT_EQ(after, before);
  ToolResult set = RunSyncTool({"set-tags", p, "--title", most});
  ASSERT_EQ(set.status, 0) << set.err;
  EXPECT_NE(RunSyncTool({"tags", p}).out.find("Title: " + most + "\n"), std::string::npos);
}

TEST_F(HangulTagsCliTest, Utf16AndUtf8FramesWrittenByOthersPrintInFull) {
  const std::string utf16le = std::string("\xAC\xC0\x91\xB7\x74\xD5", 6);
  const std::string p = (dir / "other.mp3").string();
  std::ofstream(p, std::ios::binary) << Tag(4, Frame(4, "TIT2", "\x01\xFF\xFE" + utf16le) + Frame(4, "TPE1", "\x03" + kArtist)) +
                                            FakeAudio();
  ToolResult r = RunSyncTool({"tags", p});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Title: " + kTitle + "\nArtist: " + kArtist + "\n"), std::string::npos) << r.out;
}

}  // namespace
