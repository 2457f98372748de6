#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/text_codec.h"
#include "support/run_tool.h"
#include "sync/sync_table.h"
#include "sync/sync_text.h"
#include "syncmp3/frame_lyrics.h"
#include "syncmp3/lyrics_frames.h"
#include "syncmp3/syncmp3_file.h"
#include "tags/id3v2_writer.h"

namespace fs = std::filesystem;
using namespace vexalo;

namespace {

using Block = std::array<unsigned char, kSyncBlockBytes>;

std::string L(const char* digits) { return "\xA7" + std::string(digits) + "\xBB\r\n"; }
std::string K(const std::string& utf8) { return EncodeCp949(utf8).bytes; }

struct Frame {
  std::string id;
  std::string data;
};

std::uint32_t Be32(const std::string& s, std::size_t at) {
  return std::uint32_t(static_cast<unsigned char>(s[at])) << 24 | std::uint32_t(static_cast<unsigned char>(s[at + 1])) << 16 |
         std::uint32_t(static_cast<unsigned char>(s[at + 2])) << 8 | static_cast<unsigned char>(s[at + 3]);
}

// The frames of a file's ID3v2.3 tag, in order.
std::vector<Frame> FramesOf(const std::string& file) {
  std::vector<Frame> frames;
  if (file.compare(0, 3, "ID3") != 0 || file[3] != 3) return frames;
  auto b = [&](std::size_t k) { return static_cast<std::uint32_t>(static_cast<unsigned char>(file[k])); };
  const std::size_t end = 10 + (b(6) << 21 | b(7) << 14 | b(8) << 7 | b(9));
  for (std::size_t pos = 10; pos + 10 <= end && file[pos] != '\0';) {
    const std::uint32_t size = Be32(file, pos + 4);
    frames.push_back({file.substr(pos, 4), file.substr(pos + 10, size)});
    pos += 10 + size;
  }
  return frames;
}

std::string Ids(const std::vector<Frame>& frames) {
  std::string ids;
  for (const Frame& f : frames) ids += (ids.empty() ? "" : " ") + f.id;
  return ids;
}

std::string Utf8Frame(const char* id, const std::string& lang, const std::string& desc, const std::string& rest) {
  return BuildId3Frame(id, std::string(1, '\3') + lang + desc + std::string(1, '\0') + rest, 4);
}

class LyricsFramesSaveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("lyrics_save_" + std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string P(const std::string& name) const { return (dir / name).string(); }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  static void Write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
  static Block BlockOf(const std::string& editor) {
    Block block{};
    std::string stored = editor, error;
    EXPECT_TRUE(EditorToStoredForm(stored));
    EXPECT_TRUE(BuildSyncBlock(stored, block, error)) << error;
    return block;
  }
  // Saves `source` with the editor lyrics as SyncMP3 with both lyrics frames.
  int Save(const std::string& source, const std::string& out, const std::string& editor,
           const LyricsFramesChoice& choice = {}) {
    const Block block = BlockOf(editor);
    const SyncMp3ExtraFrames extra = LyricsFramesForSave(editor, {}, choice);
    std::string why;
    const int result = SaveSyncMp3File(source, out, false, block, &why, &extra);
    EXPECT_EQ(result, kSyncMp3Saved) << why;
    return result;
  }
  fs::path dir;
};

const std::string kFirst = L("00000150") + K("사랑해") + "\r\n" + L("00000420") + "bye\r\n";
const std::string kSecond = L("00000200") + "again\r\n";

TEST_F(LyricsFramesSaveTest, FramesFollowTheTxxxFrameWhichStaysByteExact) {
  for (const char* fixture : {"tagged_v23.mp3", "tagged_v24.mp3", "tagged_v1.mp3", "stereo_44k.mp3"}) {
    const std::string plain = P(std::string("plain_") + fixture), framed = P(std::string("framed_") + fixture);
    const Block block = BlockOf(kFirst);
    ASSERT_EQ(SaveSyncMp3File(test::FixturePath(fixture), plain, false, block), kSyncMp3Saved);
    Save(test::FixturePath(fixture), framed, kFirst);
    const std::vector<Frame> without = FramesOf(Read(plain)), with = FramesOf(Read(framed));
    ASSERT_GE(with.size(), 3u) << fixture;
    EXPECT_EQ(with[0].id, "TXXX") << fixture;
    EXPECT_EQ(with[0].data, without[0].data) << fixture;
    EXPECT_EQ(with[1].id, "SYLT") << fixture;
    EXPECT_EQ(with[1].data, BuildSyltBody(kFirst)) << fixture;
    EXPECT_EQ(with[2].id, "USLT") << fixture;
    EXPECT_EQ(with[2].data, BuildUsltBody(kFirst, {})) << fixture;
    // Everything else the plain save carries comes after them, in the same order.
    std::vector<Frame> rest(with.begin() + 3, with.end());
    EXPECT_EQ(Ids(rest), Ids(std::vector<Frame>(without.begin() + 1, without.end()))) << fixture;
    // The audio after the tag is the same.
    const std::string a = Read(plain), b = Read(framed);
    EXPECT_EQ(b.size(), a.size() + with[1].data.size() + with[2].data.size() + 20) << fixture;
    EXPECT_EQ(b.substr(b.size() - 1000), a.substr(a.size() - 1000)) << fixture;
    // The table reads back unchanged.
    Block back{};
    ASSERT_EQ(ReadSyncMp3Block(framed, back), 1);
    EXPECT_EQ(back, block) << fixture;
  }
}

TEST_F(LyricsFramesSaveTest, SavingAgainReplacesThisProgramsFramesAndCarriesOthers) {
  // A source with lyrics frames of other programs: another language, another description.
  const std::string others = Utf8Frame("USLT", "kor", "", "other lyrics") +
                             BuildId3Frame("SYLT", std::string("\3" "eng" "\x02\x01" "karaoke\0", 14), 4) +
                             BuildId3Frame("TIT2", std::string("\3Title", 6), 4);
  const std::uint32_t n = static_cast<std::uint32_t>(others.size());
  std::string tag = "ID3";
  tag += {4, 0, 0, static_cast<char>(n >> 21 & 0x7F), static_cast<char>(n >> 14 & 0x7F),
          static_cast<char>(n >> 7 & 0x7F), static_cast<char>(n & 0x7F)};
  Write(P("source.mp3"), tag + others + Read(test::FixturePath("stereo_44k.mp3")));

  Save(P("source.mp3"), P("once.mp3"), kFirst);
  Save(P("once.mp3"), P("twice.mp3"), kSecond);
  const std::vector<Frame> frames = FramesOf(Read(P("twice.mp3")));
  EXPECT_EQ(Ids(frames), "TXXX SYLT USLT USLT SYLT TIT2");
  EXPECT_EQ(frames[1].data, BuildSyltBody(kSecond));
  EXPECT_EQ(frames[2].data, BuildUsltBody(kSecond, {}));
  // The others went over from version 2.4 as version 2.3 text (UTF-16), keys unchanged.
  EXPECT_EQ(LyricsFrameKeyOf("USLT", frames[3].data)->language, "kor");
  EXPECT_EQ(LyricsFrameKeyOf("SYLT", frames[4].data)->description, "karaoke");

  // Another language chosen: this program's English frames are another program's to it.
  LyricsFramesChoice korean;
  korean.key.language = "kor";
  Save(P("twice.mp3"), P("korean.mp3"), kFirst, korean);
  EXPECT_EQ(Ids(FramesOf(Read(P("korean.mp3")))), "TXXX SYLT USLT SYLT USLT SYLT TIT2");
}

TEST_F(LyricsFramesSaveTest, FramesSwitchedOffAreNeitherWrittenNorRemoved) {
  Save(test::FixturePath("tagged_v23.mp3"), P("both.mp3"), kFirst);
  LyricsFramesChoice usltOnly;
  usltOnly.sylt = false;
  Save(P("both.mp3"), P("uslt.mp3"), kSecond, usltOnly);
  const std::vector<Frame> frames = FramesOf(Read(P("uslt.mp3")));
  ASSERT_GE(frames.size(), 3u);
  EXPECT_EQ(frames[1].id, "USLT");
  EXPECT_EQ(frames[1].data, BuildUsltBody(kSecond, {}));
  EXPECT_EQ(frames[2].id, "SYLT");  // the earlier one, left alone
  EXPECT_EQ(frames[2].data, BuildSyltBody(kFirst));
}

TEST_F(LyricsFramesSaveTest, UntimedOrEmptyLyricsWriteNoSyltAndDropTheStaleOne) {
  Save(test::FixturePath("tagged_v23.mp3"), P("timed.mp3"), kFirst);
  Block empty{};
  const SyncMp3ExtraFrames none = LyricsFramesForSave("", {}, {});
  ASSERT_EQ(SaveSyncMp3File(P("timed.mp3"), P("empty.mp3"), false, empty, nullptr, &none), kSyncMp3Saved);
  const std::string ids = Ids(FramesOf(Read(P("empty.mp3"))));
  EXPECT_EQ(ids.find("SYLT"), std::string::npos) << ids;
  EXPECT_EQ(ids.find("USLT"), std::string::npos) << ids;
  EXPECT_TRUE(LyricsFramesForSave("words without time\r\n", {}, {}).frames.find("SYLT") == std::string::npos);
}

TEST_F(LyricsFramesSaveTest, PeersReadTheFramesAndATagEditKeepsAllThree) {
  Save(test::FixturePath("tagged_v23.mp3"), P("song.mp3"), kFirst);
  TagFields fields;
  fields.SetText(kTagTitle, "Edited Title");
  fields.SetLengthsFromTexts();
  ASSERT_EQ(WriteId3v2Tag(P("song.mp3"), fields), TagWriteResult::kWritten);
  const std::vector<Frame> frames = FramesOf(Read(P("song.mp3")));
  ASSERT_GE(frames.size(), 3u);
  EXPECT_EQ(Ids(std::vector<Frame>(frames.begin(), frames.begin() + 3)), "TXXX SYLT USLT");
  EXPECT_EQ(ReadFrameLyrics(P("song.mp3")).frame.editorText, kFirst);

  if (!fs::exists("/usr/bin/python3") ||
      test::RunProgram("/usr/bin/python3", {"-c", "import mutagen.id3"}).status != 0)
    GTEST_SKIP() << "mutagen is not installed";
  const auto r = test::RunProgram(
      "/usr/bin/python3",
      {"-c",
       "import sys, mutagen.id3\n"
       "t = mutagen.id3.ID3(sys.argv[1])\n"
       "assert t.version == (2, 3, 0), t.version\n"
       "s = t.getall('SYLT')\n"
       "assert len(s) == 1 and (s[0].format, s[0].type) == (2, 1), s\n"
       "assert s[0].text == [('\\uc0ac\\ub791\\ud574', 1500), ('\\nbye', 4200)], s[0].text\n"
       "u = t.getall('USLT')\n"
       "assert len(u) == 1 and u[0].text == '[00:01.50]\\uc0ac\\ub791\\ud574\\n[00:04.20]bye\\n', repr(u[0].text)\n"
       "assert str(t['TIT2']) == 'Edited Title'\n",
       P("song.mp3")});
  EXPECT_EQ(r.status, 0) << r.err;
  if (test::HaveProgram("ffprobe")) {
    const auto probe = test::RunProgram("ffprobe", {"-v", "error", "-show_format", P("song.mp3")});
    EXPECT_NE(probe.out.find("[00:04.20]bye"), std::string::npos) << probe.out << probe.err;
  }
}

}  // namespace
