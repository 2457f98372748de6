// The tag writer on SyncMP3 files made by the SyncMP3 writer: the lyrics block survives.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>

#include "common/safe_file.h"
#include "support/run_tool.h"
#include "sync/sync_text.h"
#include "syncmp3/syncmp3_file.h"
#include "tags/id3v2_writer.h"
#include "tags/tag_editor_logic.h"
#include "tags/tag_fields.h"

namespace fs = std::filesystem;
using namespace vexalo;

namespace {

// Stored-form lyrics: `lines` groups, each a long tag and one line of text.
std::string StoredLyrics(int lines) {
  std::string s;
  for (int i = 0; i < lines; ++i) {
    char tag[16];
    std::snprintf(tag, sizeof tag, "%02d%02d%02d%02d", 0, i / 60, i % 60, i % 100);
    s += "\xA2\xE2";
    s += tag;
    s += "\xA2\xD0\r\n";
    s += "Line " + std::to_string(i) + " of the song, sung slowly and clearly\r\n";
  }
  return s;
}

class SyncMp3TagTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vexalo-tagsync-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  fs::path dir;
};

TEST_P(SyncMp3TagTest, TagEditKeepsTheLyricsBlockFirstAndWhole) {
  const std::string source = test::FixturePath(GetParam() == 0 ? "stereo_44k.mp3" : "tags_v23_full.mp3");
  const std::string song = (dir / "song.mp3").string();
  std::array<unsigned char, kSyncBlockBytes> block{};
  std::string error;
  // About 20 KB of lyrics: a block well beyond the writer's 10,240-byte buffers.
  ASSERT_TRUE(BuildSyncBlock(StoredLyrics(400), block, error)) << error;
  const std::uint32_t blockBytes = ReadLe32(block.data() + 6);
  ASSERT_GT(blockBytes, 10240u);
  ASSERT_EQ(SaveSyncMp3File(source, song, false, block), kSyncMp3Saved);

  TagFields fields;
  std::array<unsigned char, kSyncBlockBytes> sign{};
  ASSERT_EQ(ReadTagFields(song, fields, sign), 1);
  ASSERT_EQ(sign[0], 'S');

  TagEditorTexts texts = TagEditorTextsFromSlots(fields);
  texts.title = "Sung";
  FillTagSlots(texts, 17, fields);
  ASSERT_EQ(WriteId3v2Tag(song, fields), TagWriteResult::kWritten);

  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(song, bytes));
  EXPECT_EQ(bytes.substr(10, 4), "TXXX");
  EXPECT_EQ(bytes.substr(18, 2), std::string(2, '\0'));

  std::array<unsigned char, kSyncBlockBytes> back{};
  bool found = false;
  ASSERT_EQ(ReadSyncMp3Block(song, back, &found), 1);
  EXPECT_TRUE(found);
  EXPECT_TRUE(std::equal(block.begin(), block.begin() + blockBytes, back.begin()));

  TagFields again;
  sign.fill(0);
  ASSERT_EQ(ReadTagFields(song, again, sign), 1);
  EXPECT_EQ(sign[0], 'S');
  EXPECT_EQ(again.Text(kTagTitle), "Sung");
  EXPECT_EQ(again.Text(kTagGenre), "Rock");
  if (GetParam() == 1) {
    EXPECT_EQ(again.Text(kTagComment), "alter Kommentar");
  }
}

INSTANTIATE_TEST_SUITE_P(Sources, SyncMp3TagTest, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param == 0 ? "Untagged" : "Tagged"; });

}  // namespace
