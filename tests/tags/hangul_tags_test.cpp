// Hangul in tag fields: read from every frame encoding and from legacy CP949 bytes in frames
// marked ISO-8859-1, written as UTF-16 with a byte-order mark or, when asked, as CP949.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>

#include "common/safe_file.h"
#include "common/text_codec.h"
#include "tags/id3_test_bytes.h"
#include "tags/id3v2_writer.h"
#include "tags/tag_editor_logic.h"
#include "tags/tag_fields.h"

namespace fs = std::filesystem;
using namespace vexalo;
using namespace vexalo::test;

namespace {

const std::string kSarang = "\xEC\x82\xAC\xEB\x9E\x91\xED\x95\xB4";  // "사랑해" in UTF-8
const std::string kSarangCp949 = "\xBB\xE7\xB6\xFB\xC7\xD8";
const std::string kSarang16Le = std::string("\xAC\xC0\x91\xB7\x74\xD5", 6);
const std::string kSarang16Be = std::string("\xC0\xAC\xB7\x91\xD5\x74", 6);

class HangulTagsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vexalo-hangul-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  std::string Put(const std::string& bytes) {
    const std::string p = (dir / "song.mp3").string();
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
    return p;
  }
  std::string Get(const std::string& p) {
    std::string s;
    EXPECT_TRUE(ReadWholeFile(p, s));
    return s;
  }
  TagFields Read(const std::string& p, TagTextOptions options = {}) {
    TagFields f;
    std::array<unsigned char, 64> sign{};
    EXPECT_EQ(ReadTagFields(p, f, sign, options), 1);
    return f;
  }
  fs::path dir;
};

TEST_F(HangulTagsTest, EveryFrameEncodingReadsInFull) {
  struct Case {
    const char* name;
    int version;
    std::string frame;
    int item;
  } cases[] = {
      {"UTF-16 little-endian with BOM", 3, Frame(3, "TIT2", "\x01\xFF\xFE" + kSarang16Le), kTagTitle},
      {"UTF-16 big-endian with BOM", 3, Frame(3, "TPE1", "\x01\xFE\xFF" + kSarang16Be), kTagArtist},
      {"UTF-16BE", 4, Frame(4, "TALB", "\x02" + kSarang16Be), kTagAlbum},
      {"UTF-8", 4, Frame(4, "TIT2", "\x03" + kSarang), kTagTitle},
      {"UTF-16 comment", 3, Frame(3, "COMM", std::string("\x01kor\xFF\xFE\0\0\xFF\xFE", 10) + kSarang16Le), kTagComment},
      {"UTF-8 comment", 4, Frame(4, "COMM", std::string("\x03kor\0", 5) + kSarang), kTagComment},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TagFields f = Read(Put(Tag(c.version, c.frame) + FakeAudio()));
    EXPECT_EQ(f.Text(c.item), kSarang);
  }
}

TEST_F(HangulTagsTest, LegacyCp949InIso88591FramesReadsAsHangulUnlessAskedNotTo) {
  const std::string p = Put(Tag(3, TextFrame(3, "TIT2", kSarangCp949) + TextFrame(3, "TPE1", "\xC3\xA2\xC3\xB5\x20\xC4\xA8") +
                                       CommFrame(3, "kor", kSarangCp949)) +
                            FakeAudio());
  const TagFields korean = Read(p);
  EXPECT_EQ(korean.Text(kTagTitle), kSarang);
  EXPECT_EQ(korean.Text(kTagArtist), "창천 칩");
  EXPECT_EQ(korean.Text(kTagComment), kSarang);
  const TagFields latin1 = Read(p, TagTextOptions{false, false});
  EXPECT_EQ(latin1.Text(kTagTitle), "\u00BB\u00E7\u00B6\u00FB\u00C7\u00D8");
  EXPECT_EQ(latin1.Text(kTagArtist), "\u00C3\u00A2\u00C3\u00B5 \u00C4\u00A8");
}

TEST_F(HangulTagsTest, Iso88591NamesStayIso88591) {
  // Each is valid CP949 or close to it, but reads better as what it is.
  for (const char* name : {"\xC1ngel", "\xC5sa", "\xC4nnchen", "Bj\xF6rk", "Caf\xE9", "Mot\xF6rhead", "Ni\xF1o", "\xC0 la mode", "\xC9t\xE9"}) {
    SCOPED_TRACE(name);
    const TagFields f = Read(Put(Tag(3, TextFrame(3, "TIT2", name)) + FakeAudio()));
    std::string utf8;
    for (unsigned char c : std::string(name)) AppendUtf8(utf8, c);
    EXPECT_EQ(f.Text(kTagTitle), utf8);
  }
}

TEST_F(HangulTagsTest, Id3v1TitleInCp949ReadsAsHangul) {
  std::string v1(128, '\0');
  v1.replace(0, 3, "TAG");
  v1.replace(3, kSarangCp949.size(), kSarangCp949);
  v1[127] = '\xFF';
  const TagFields f = Read(Put(FakeAudio() + v1));
  EXPECT_EQ(f.Text(kTagTitle), kSarang);
}

TEST_F(HangulTagsTest, SlotsAreCutBetweenCharacters) {
  TagFields f;
  std::string long_;
  for (int i = 0; i < 200; ++i) long_ += "\xED\x95\x9C";  // 600 bytes of 한
  f.SetText(kTagTitle, long_);
  EXPECT_EQ(f.Text(kTagTitle).size(), 510u);
  EXPECT_EQ(f.Text(kTagTitle), long_.substr(0, 510));
  f.SetText(kTagArtist, std::string(510, 'a') + "\xED\x95\x9C");
  EXPECT_EQ(f.Text(kTagArtist), std::string(510, 'a'));
}

TEST_F(HangulTagsTest, EditedHangulIsWrittenAsUtf16WithAMarkAndReadsBack) {
  const std::string p = Put(Tag(3, TextFrame(3, "TIT2", "Old") + TextFrame(3, "TPE1", "Band")) + FakeAudio());
  TagEditorTexts texts = TagEditorTextsFromSlots(Read(p));
  texts.title = kSarang;
  texts.comment = kSarang + "\n" + "ok";
  TagFields ok;
  FillTagSlots(texts, 13, ok);
  std::string why;
  ASSERT_EQ(WriteId3v2Tag(p, ok, &why, TagTextOptions{}), TagWriteResult::kWritten) << why;
  const std::string bytes = Get(p);
  EXPECT_NE(bytes.find(Frame(3, "TIT2", "\x01\xFF\xFE" + kSarang16Le)), std::string::npos);
  EXPECT_NE(bytes.find(Frame(3, "COMM", std::string("\x01" "eng\xFF\xFE\0\0\xFF\xFE", 10) + kSarang16Le +
                                            std::string("\n\0o\0k\0", 6))),
            std::string::npos);
  EXPECT_NE(bytes.find(TextFrame(3, "TPE1", "Band")), std::string::npos);
  const TagFields back = Read(p);
  EXPECT_EQ(back.Text(kTagTitle), kSarang);
  EXPECT_EQ(back.Text(kTagComment), kSarang + "\nok");
}

TEST_F(HangulTagsTest, Cp949WritingForOlderPlayersFallsBackToUtf16WhereCp949WouldNotReadBack) {
  struct Case {
    const char* name;
    std::string title;
    std::string frame;
  } cases[] = {
      {"Hangul", kSarang, TextFrame(3, "TIT2", kSarangCp949)},
      {"ISO-8859-1 stays so", "Caf\xC3\xA9", TextFrame(3, "TIT2", "Caf\xE9")},
      // CP949 has no emoji.
      {"beyond CP949", kSarang + " \xF0\x9F\x8E\xB5", Frame(3, "TIT2", "\x01\xFF\xFE" + kSarang16Le + std::string(" \0\x3C\xD8\xB5\xDF", 6))},
      // ISO-8859-1 letters whose bytes are CP949 Hangul would read back as Hangul.
      {"ISO-8859-1 that reads as Hangul", "\u00C3\u00A2\u00C3\u00B5",
       Frame(3, "TIT2", std::string("\x01\xFF\xFE\xC3\0\xA2\0\xC3\0\xB5\0", 11))},
      // Hanja alone in CP949 would be read back as ISO-8859-1.
      {"no Hangul", "\xE6\x84\x9B", Frame(3, "TIT2", std::string("\x01\xFF\xFE\x1B\x61", 5))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string p = Put(Tag(3, TextFrame(3, "TIT2", "Old")) + FakeAudio());
    TagEditorTexts texts = TagEditorTextsFromSlots(Read(p));
    texts.title = c.title;
    TagFields ok;
    FillTagSlots(texts, 13, ok);
    std::string why;
    ASSERT_EQ(WriteId3v2Tag(p, ok, &why, TagTextOptions{true, true}), TagWriteResult::kWritten) << why;
    EXPECT_NE(Get(p).find(c.frame), std::string::npos);
    EXPECT_EQ(Read(p).Text(kTagTitle), c.title);
  }
}

TEST_F(HangulTagsTest, UntouchedLegacyAndUtf16FramesKeepTheirBytesWhenAnotherFieldIsEdited) {
  const std::string legacy = TextFrame(3, "TIT2", kSarangCp949);
  const std::string utf16 = Frame(3, "TPE1", "\x01\xFF\xFE" + kSarang16Le);
  const std::string p = Put(Tag(3, legacy + utf16 + TextFrame(3, "TALB", "Old")) + FakeAudio());
  TagEditorTexts texts = TagEditorTextsFromSlots(Read(p));
  ASSERT_EQ(texts.title, kSarang);
  texts.album = "New";
  TagFields ok;
  FillTagSlots(texts, 13, ok);
  std::string why;
  ASSERT_EQ(WriteId3v2Tag(p, ok, &why, TagTextOptions{}), TagWriteResult::kWritten) << why;
  const std::string bytes = Get(p);
  EXPECT_EQ(bytes.find(legacy), 10u);
  EXPECT_EQ(bytes.find(utf16), 10u + legacy.size());
  EXPECT_NE(bytes.find(TextFrame(3, "TALB", "New")), std::string::npos);
}

}  // namespace
