#include "tags/tag_fields.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>

#include "tags/id3_test_bytes.h"

namespace fs = std::filesystem;
using namespace vexalo;
using namespace vexalo::test;

namespace {

class ReadTagFieldsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vexalo-tagr-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir = pattern;
    block.fill(0xEE);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  // Writes `bytes` to a file and reads it back through ReadTagFields.
  int Read(const std::string& bytes) {
    fs::path p = dir / "t.mp3";
    std::ofstream(p, std::ios::binary) << bytes;
    return ReadTagFields(p.string(), fields, block);
  }
  fs::path dir;
  TagFields fields;
  std::array<unsigned char, 30720> block{};
};

TEST_F(ReadTagFieldsTest, FileWithoutTagGivesEmptySlotsAndClearedBlock) {
  fields.SetText(kTagTitle, "stale");
  fields.length[kTagTitle] = 5;
  ASSERT_EQ(Read(FakeAudio()), 1);
  for (int i = 0; i < kTagItemCount; ++i) {
    EXPECT_EQ(fields.Text(i), "") << i;
    EXPECT_EQ(fields.length[i], 0) << i;
  }
  for (unsigned char b : block) ASSERT_EQ(b, 0);
}

TEST_F(ReadTagFieldsTest, MissingFileReturnsZeroAndTouchesNothing) {
  fields.SetText(kTagTitle, "kept");
  EXPECT_EQ(ReadTagFields((dir / "none.mp3").string(), fields, block), 0);
  EXPECT_EQ(fields.Text(kTagTitle), "kept");
  EXPECT_EQ(block[0], 0xEE);
  EXPECT_EQ(block[30719], 0xEE);
  EXPECT_EQ(ReadTagFields(dir.string(), fields, block), 0);  // a folder is no MP3 file
  EXPECT_EQ(ReadTagFields("/dev/zero", fields, block), 0);
  EXPECT_EQ(fields.Text(kTagTitle), "kept");
  EXPECT_EQ(block[0], 0xEE);
}

TEST_F(ReadTagFieldsTest, FillsSlotsFromTheirFrames) {
  const std::string frames = TextFrame(3, "TRCK", "4/12") + TextFrame(3, "TIT2", "Caf\xE9") +
                             TextFrame(3, "TPE1", "Artist") + TextFrame(3, "TALB", "Album") +
                             TextFrame(3, "TYER", "1987") + TextFrame(3, "TCON", "Jazzy") +
                             CommFrame(3, "eng", "Some words");
  ASSERT_EQ(Read(Tag(3, frames, 64) + FakeAudio()), 1);
  EXPECT_EQ(fields.Text(kTagTrack), "4/12");
  EXPECT_EQ(fields.Text(kTagTitle), "Caf\xC3\xA9");  // UTF-8 in the slot
  EXPECT_EQ(fields.Text(kTagArtist), "Artist");
  EXPECT_EQ(fields.Text(kTagAlbum), "Album");
  EXPECT_EQ(fields.Text(kTagYear), "1987");
  EXPECT_EQ(fields.Text(kTagGenre), "Jazzy");
  EXPECT_EQ(fields.Text(kTagComment), "Some words");
  for (int i = 0; i < kTagItemCount; ++i) EXPECT_EQ(fields.length[i], 0);
  EXPECT_EQ(block[0], 0);
}

TEST_F(ReadTagFieldsTest, GenreGoesThroughLibraryGenreNames) {
  struct Case {
    int version;
    const char* tcon;
    const char* expect;
  } cases[] = {
      // libid3tag hands a number beyond its own table (0-147) back unchanged.
      {4, "17", "Rock"}, {4, "RX", "Remix"},  {4, "CR", "Cover"},     {4, "148", "148"},
      {4, "Techno Pop", "Techno Pop"},        {3, "(17)", "Rock"},    {3, "(9)Metal", "Metal"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tcon);
    ASSERT_EQ(Read(Tag(c.version, TextFrame(c.version, "TCON", c.tcon)) + FakeAudio()), 1);
    EXPECT_EQ(fields.Text(kTagGenre), c.expect);
  }
}

TEST_F(ReadTagFieldsTest, TakesOnlyTheFirstStringAndFirstFrame) {
  const std::string frames = Frame(4, "TPE1", std::string("\0One\0Two", 8)) + TextFrame(4, "TIT2", "First") +
                             TextFrame(4, "TIT2", "Second") + TextFrame(4, "TDRC", "2003");
  ASSERT_EQ(Read(Tag(4, frames) + FakeAudio()), 1);
  EXPECT_EQ(fields.Text(kTagArtist), "One");
  EXPECT_EQ(fields.Text(kTagTitle), "First");
  EXPECT_EQ(fields.Text(kTagYear), "2003");
}

TEST_F(ReadTagFieldsTest, CommentFromFirstCommWithEmptyDescription) {
  auto comm = [](const std::string& desc, const std::string& text) {
    return Frame(3, "COMM", std::string("\0eng", 4) + desc + std::string(1, '\0') + text);
  };
  struct Case {
    const char* name;
    std::string frames;
    const char* expect;
  } cases[] = {
      {"SecondHasEmptyDescription", comm("note", "first") + comm("", "second"), "second"},
      {"FirstEmptyOneEndsTheSearch", comm("", "") + comm("", "later"), ""},
      {"NoneWithEmptyDescription", comm("a", "x") + comm("b", "y"), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(Read(Tag(3, c.frames) + FakeAudio()), 1);
    EXPECT_EQ(fields.Text(kTagComment), c.expect);
  }
}

TEST_F(ReadTagFieldsTest, FirstTxxxDescriptionIsTheSyncSign) {
  const std::string sync = Frame(3, "TXXX", std::string("\0SO\x87\xD6\x12\0\x01\x02", 9), 0x20, 0);
  ASSERT_EQ(Read(Tag(3, sync + Frame(3, "TXXX", std::string("\0other\0v", 8))) + FakeAudio()), 1);
  EXPECT_EQ(block[0], 'S');
  EXPECT_EQ(block[1], 'O');
  EXPECT_EQ(block[2], 0x87);
  EXPECT_EQ(block[3], 0xD6);
  EXPECT_EQ(block[4], 0x12);
  EXPECT_EQ(block[5], 0);  // copied without its zero; the rest stays cleared

  ASSERT_EQ(Read(Tag(3, Frame(3, "TXXX", std::string("\0\0value", 7))) + FakeAudio()), 1);
  EXPECT_EQ(block[0], 0);
}

TEST_F(ReadTagFieldsTest, LongTextsAreCutAtTheirCapacity) {
  const std::string longTitle(700, 't');
  const std::string longDesc(40, 'd');
  ASSERT_EQ(Read(Tag(3, TextFrame(3, "TIT2", longTitle) + Frame(3, "TXXX", std::string(1, '\0') + longDesc + std::string(1, '\0'))) +
                 FakeAudio()),
            1);
  EXPECT_EQ(fields.Text(kTagTitle), std::string(511, 't'));
  EXPECT_EQ(fields.text[kTagTitle][511], '\0');

  // A description longer than the block buffer fills it and stops there.
  std::array<unsigned char, 24> small{};
  small.fill(0xEE);
  fs::path p = dir / "t.mp3";
  EXPECT_EQ(ReadTagFields(p.string(), fields, std::span<unsigned char>(small.data(), 16)), 1);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(small[i], 'd');
  for (int i = 16; i < 24; ++i) EXPECT_EQ(small[i], 0xEE);
}

TEST_F(ReadTagFieldsTest, Id3v1TagIsReadToo) {
  auto field = [](const std::string& s, std::size_t n) { return s + std::string(n - s.size(), '\0'); };
  std::string v1 = "TAG" + field("V1 Title", 30) + field("V1 Artist", 30) + field("V1 Album", 30) + "1975" +
                   field("v1 note", 28) + std::string(1, '\0') + "\x05" + "\x11";
  ASSERT_EQ(v1.size(), 128u);
  ASSERT_EQ(Read(FakeAudio() + v1), 1);
  EXPECT_EQ(fields.Text(kTagTitle), "V1 Title");
  EXPECT_EQ(fields.Text(kTagTrack), "5");
  EXPECT_EQ(fields.Text(kTagYear), "1975");
  EXPECT_EQ(fields.Text(kTagGenre), "Rock");
  EXPECT_EQ(fields.Text(kTagComment), "v1 note");
}

TEST(TagFieldsSlots, SetTextCutsAt511AndClearsTheRest) {
  TagFields f;
  f.SetText(kTagAlbum, std::string(600, 'a'));
  EXPECT_EQ(f.Text(kTagAlbum).size(), 511u);
  f.SetText(kTagAlbum, "ab");
  EXPECT_EQ(f.Text(kTagAlbum), "ab");
  for (std::size_t i = 2; i < kTagSlotBytes; ++i) ASSERT_EQ(f.text[kTagAlbum][i], '\0');
  f.SetLengthsFromTexts();
  EXPECT_EQ(f.length[kTagAlbum], 2);
  EXPECT_EQ(f.length[kTagTitle], 0);
}

}  // namespace
