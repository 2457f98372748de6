#include "tags/id3v2_writer.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>

#include "common/safe_file.h"
#include "support/run_tool.h"
#include "tags/genre_names.h"
#include "tags/id3_test_bytes.h"
#include "tags/tag_editor_logic.h"
#include "tags/tag_fields.h"

namespace fs = std::filesystem;
using namespace vexalo;
using namespace vexalo::test;

namespace {

TagFields Slots(const std::string& track, const std::string& title, const std::string& artist,
                const std::string& album, const std::string& year, int genre,
                const std::string& comment) {
  TagFields f;
  FillTagSlots({track, title, artist, album, year, comment}, genre, f);
  return f;
}

TagFields Sample() { return Slots("3", "Song", "Band", "Disc", "1999", 17, "Hi"); }

// The seven frames the editor adds to a tag, in their order, for Sample().
std::string AddedFrames(int version, const char* yearId = "TYER") {
  return TextFrame(version, "TRCK", "3") + TextFrame(version, "TIT2", "Song") +
         TextFrame(version, "TPE1", "Band") + TextFrame(version, "TALB", "Disc") +
         TextFrame(version, yearId, "1999") + CommFrame(version, "eng", "Hi") +
         TextFrame(version, "TCON", "(17)Rock");
}

struct BuildCase {
  const char* name;
  std::string oldTag;     // the file's tag (its header and frames)
  std::string expectTag;  // the new tag
};

std::vector<BuildCase> BuildCases() {
  const std::string apic = Frame(3, "APIC", std::string("\0image/png\0\3\0", 13) + std::string(300, '\x89'));
  const std::string apic4 = Frame(4, "APIC", std::string("\0image/png\0\3\0", 13) + std::string(300, '\x89'));
  const std::string txxx = Frame(3, "TXXX", std::string("\0SO\x87\xD6\x12\0block", 12), 0x20, 0x00);
  const std::string txxxCleared = Frame(3, "TXXX", std::string("\0SO\x87\xD6\x12\0block", 12));
  return {
      {"EmptyTagGetsAllSevenFrames", Tag(3, ""), Tag(3, AddedFrames(3))},
      {"PaddingIsDropped", Tag(3, TextFrame(3, "TIT2", "Old"), 500),
       Tag(3, TextFrame(3, "TIT2", "Song") + TextFrame(3, "TRCK", "3") + TextFrame(3, "TPE1", "Band") +
                  TextFrame(3, "TALB", "Disc") + TextFrame(3, "TYER", "1999") + CommFrame(3, "eng", "Hi") +
                  TextFrame(3, "TCON", "(17)Rock"))},
      {"FramesReplacedWhereTheyStand",
       Tag(3, TextFrame(3, "TCON", "(9)") + TextFrame(3, "TYER", "1970") + TextFrame(3, "TRCK", "12/14") +
                  TextFrame(3, "TALB", "A") + TextFrame(3, "TPE1", "B") + TextFrame(3, "TIT2", "C") +
                  CommFrame(3, "eng", "old"),
           20),
       Tag(3, TextFrame(3, "TCON", "(17)Rock") + TextFrame(3, "TYER", "1999") + TextFrame(3, "TRCK", "3") +
                  TextFrame(3, "TALB", "Disc") + TextFrame(3, "TPE1", "Band") + TextFrame(3, "TIT2", "Song") +
                  CommFrame(3, "eng", "Hi"))},
      {"SecondTwinIsCarriedOver",
       Tag(3, TextFrame(3, "TIT2", "First") + TextFrame(3, "TIT2", "Second")),
       Tag(3, TextFrame(3, "TIT2", "Song") + TextFrame(3, "TIT2", "Second") + TextFrame(3, "TRCK", "3") +
                  TextFrame(3, "TPE1", "Band") + TextFrame(3, "TALB", "Disc") + TextFrame(3, "TYER", "1999") +
                  CommFrame(3, "eng", "Hi") + TextFrame(3, "TCON", "(17)Rock"))},
      {"ReplacedCommentKeepsItsLanguage", Tag(3, CommFrame(3, "deu", "alt")),
       Tag(3, CommFrame(3, "deu", "Hi") + TextFrame(3, "TRCK", "3") + TextFrame(3, "TIT2", "Song") +
                  TextFrame(3, "TPE1", "Band") + TextFrame(3, "TALB", "Disc") + TextFrame(3, "TYER", "1999") +
                  TextFrame(3, "TCON", "(17)Rock"))},
      {"DescribedCommentIsCarriedOver",
       Tag(3, Frame(3, "COMM", std::string("\0engiTunSMPB\0 00000000", 22)) + CommFrame(3, "deu", "alt")),
       Tag(3, Frame(3, "COMM", std::string("\0engiTunSMPB\0 00000000", 22)) + CommFrame(3, "deu", "Hi") +
                  TextFrame(3, "TRCK", "3") + TextFrame(3, "TIT2", "Song") + TextFrame(3, "TPE1", "Band") +
                  TextFrame(3, "TALB", "Disc") + TextFrame(3, "TYER", "1999") + TextFrame(3, "TCON", "(17)Rock"))},
      {"OnlyDescribedCommentsMeansCommentIsAdded", Tag(3, Frame(3, "COMM", std::string("\0fradesc\0t", 10))),
       Tag(3, Frame(3, "COMM", std::string("\0fradesc\0t", 10)) + AddedFrames(3))},
      {"Utf16CommentWithEmptyDescriptionIsReplaced",
       Tag(3, Frame(3, "COMM", std::string("\1kor\xFF\xFE\0\0\xFF\xFEh\0", 12))),
       Tag(3, CommFrame(3, "kor", "Hi") + TextFrame(3, "TRCK", "3") + TextFrame(3, "TIT2", "Song") +
                  TextFrame(3, "TPE1", "Band") + TextFrame(3, "TALB", "Disc") + TextFrame(3, "TYER", "1999") +
                  TextFrame(3, "TCON", "(17)Rock"))},
      {"LeadingSyncTxxxStaysFirstWithFlagsCleared", Tag(3, txxx + apic, 10),
       Tag(3, txxxCleared + apic + AddedFrames(3))},
      {"StatusFlagsAreCleared", Tag(3, Frame(3, "PRIV", "owner\0data", 0xE0, 0x00)),
       Tag(3, Frame(3, "PRIV", "owner\0data") + AddedFrames(3))},
      {"CompressedFrameKeepsFlags", Tag(3, Frame(3, "TXXX", std::string("\0\0\0\x10zlibdata", 12), 0x40, 0x80)),
       Tag(3, Frame(3, "TXXX", std::string("\0\0\0\x10zlibdata", 12), 0x40, 0x80) + AddedFrames(3))},
      {"EncryptedFrameKeepsFlags", Tag(3, Frame(3, "PRIV", "\x81secret", 0x00, 0x40)),
       Tag(3, Frame(3, "PRIV", "\x81secret", 0x00, 0x40) + AddedFrames(3))},
      {"GroupedFrameKeepsFlags", Tag(3, Frame(3, "TXXX", std::string("\x07\0d\0v", 5), 0x00, 0x20)),
       Tag(3, Frame(3, "TXXX", std::string("\x07\0d\0v", 5), 0x00, 0x20) + AddedFrames(3))},
      {"UndefinedFormatFlagsAreCleared", Tag(3, Frame(3, "PRIV", "x", 0x00, 0x1F)),
       Tag(3, Frame(3, "PRIV", "x") + AddedFrames(3))},
      {"ReplacedFrameOfSizeZero", Tag(3, Frame(3, "TIT2", "")), Tag(3, TextFrame(3, "TIT2", "Song") +
          TextFrame(3, "TRCK", "3") + TextFrame(3, "TPE1", "Band") + TextFrame(3, "TALB", "Disc") +
          TextFrame(3, "TYER", "1999") + CommFrame(3, "eng", "Hi") + TextFrame(3, "TCON", "(17)Rock"))},
      {"V23TdrcCountsAsTheYear", Tag(3, TextFrame(3, "TDRC", "2001") + TextFrame(3, "TYER", "1999x")),
       Tag(3, TextFrame(3, "TYER", "1999") + TextFrame(3, "TYER", "1999x") + TextFrame(3, "TRCK", "3") +
                  TextFrame(3, "TIT2", "Song") + TextFrame(3, "TPE1", "Band") + TextFrame(3, "TALB", "Disc") +
                  CommFrame(3, "eng", "Hi") + TextFrame(3, "TCON", "(17)Rock"))},
      {"V24WalksSyncsafeSizesAndWritesThem", Tag(4, TextFrame(4, "TPE1", "Old") + apic4 + TextFrame(4, "TDRC", "2001-05")),
       Tag(4, TextFrame(4, "TPE1", "Band") + apic4 + TextFrame(4, "TDRC", "1999") + TextFrame(4, "TRCK", "3") +
                  TextFrame(4, "TIT2", "Song") + TextFrame(4, "TALB", "Disc") + CommFrame(4, "eng", "Hi") +
                  TextFrame(4, "TCON", "(17)Rock"))},
      {"V24UnsyncAndLengthIndicatorFrameKeepsFlags",
       Tag(4, Frame(4, "PRIV", std::string("\0\0\0\x04o\0\xFF\0", 8), 0x00, 0x03)),
       Tag(4, Frame(4, "PRIV", std::string("\0\0\0\x04o\0\xFF\0", 8), 0x00, 0x03) + AddedFrames(4, "TDRC"))},
      {"V24FooterIsRewritten",
       Tag(4, TextFrame(4, "TIT2", "Old"), 0, 0x10) + "3DI" + std::string("\4\0\x10", 3) + Syncsafe(14),
       Tag(4, TextFrame(4, "TIT2", "Song") + TextFrame(4, "TRCK", "3") + TextFrame(4, "TPE1", "Band") +
                  TextFrame(4, "TALB", "Disc") + TextFrame(4, "TDRC", "1999") + CommFrame(4, "eng", "Hi") +
                  TextFrame(4, "TCON", "(17)Rock"), 0, 0x10) +
           "3DI" + std::string("\4\0\x10", 3) + Syncsafe(static_cast<std::uint32_t>(AddedFrames(4, "TDRC").size()))},
  };
}

TEST(BuildId3v2Tag, RewritesTagsByteForByte) {
  const std::string audio = FakeAudio();
  for (const auto& c : BuildCases()) {
    SCOPED_TRACE(c.name);
    std::string file = c.oldTag + audio;
    TagRewrite rewrite;
    ASSERT_EQ(BuildId3v2Tag(file, file.size(), Sample(), rewrite), TagWriteResult::kWritten);
    EXPECT_EQ(rewrite.tag, c.expectTag);
    EXPECT_EQ(rewrite.keepFrom, c.oldTag.size());
  }
}

TEST(BuildId3v2Tag, UntaggedFileGetsNewTagInFrontWithEmptyFrames) {
  const std::string file = FakeAudio() + "TAG" + std::string(125, 'v');  // with an ID3v1 tag
  TagRewrite rewrite;
  ASSERT_EQ(BuildId3v2Tag(file, file.size(), Slots("", "", "", "", "", 113, ""), rewrite),
            TagWriteResult::kWritten);
  const std::string frames = TextFrame(3, "TRCK", "") + TextFrame(3, "TIT2", "") + TextFrame(3, "TPE1", "") +
                             TextFrame(3, "TALB", "") + TextFrame(3, "TYER", "") + CommFrame(3, "eng", "") +
                             TextFrame(3, "TCON", "(113)Tango");
  EXPECT_EQ(rewrite.tag, Tag(3, frames));
  EXPECT_EQ(rewrite.keepFrom, 0u);
  // An empty text still yields its frame: size 1, or 5 for COMM.
  EXPECT_EQ(rewrite.tag.substr(10, 10), std::string("TRCK\0\0\0\1\0\0", 10));
  EXPECT_NE(rewrite.tag.find(std::string("COMM\0\0\0\5\0\0\0eng\0", 15)), std::string::npos);
}

TEST(BuildId3v2Tag, TextOfFullSlotIsWrittenWithVersionsSizeRule) {
  TagFields f = Slots("", std::string(600, 'x'), "", "", "", 0, "");
  ASSERT_EQ(f.length[kTagTitle], 511);
  for (int version : {3, 4}) {
    SCOPED_TRACE(version);
    std::string file = Tag(version, "") + FakeAudio();
    TagRewrite rewrite;
    ASSERT_EQ(BuildId3v2Tag(file, file.size(), f, rewrite), TagWriteResult::kWritten);
    std::size_t at = rewrite.tag.find("TIT2");
    ASSERT_NE(at, std::string::npos);
    // 512 = 0x200: plain 00 00 02 00, syncsafe 00 00 04 00.
    EXPECT_EQ(rewrite.tag.substr(at + 4, 4), version == 4 ? std::string("\0\0\4\0", 4) : std::string("\0\0\2\0", 4));
    EXPECT_EQ(rewrite.tag.substr(at + 11, 511), std::string(511, 'x'));
  }
}

TEST(BuildId3v2Tag, LengthBeyondSlotIsBounded) {
  TagFields f = Sample();
  f.length[kTagTitle] = 100000;
  f.length[kTagArtist] = -5;
  std::string file = Tag(3, "") + FakeAudio();
  TagRewrite rewrite;
  ASSERT_EQ(BuildId3v2Tag(file, file.size(), f, rewrite), TagWriteResult::kWritten);
  EXPECT_NE(rewrite.tag.find(std::string("TIT2\0\0\2\0\0\0\0Song", 15)), std::string::npos);
  EXPECT_NE(rewrite.tag.find(std::string("TPE1\0\0\0\1\0\0\0", 11)), std::string::npos);
}

TEST(BuildId3v2Tag, KeepsUntouchedFramesThatIso88591CannotHold) {
  // "\uD55C\uAD6D" (Hangul) in UTF-16 with a byte order mark; the slots hold UTF-8.
  const std::string hangul16 = Frame(3, "TIT2", std::string("\1\xFF\xFE\x5C\xD5\x6D\xAD", 7), 0x40, 0);
  const std::string hangul16Cleared = Frame(3, "TIT2", std::string("\1\xFF\xFE\x5C\xD5\x6D\xAD", 7));
  const std::string hangul8 = Frame(4, "TPE1", std::string("\3\xED\x95\x9C", 4));
  const std::string twoArtists = Frame(4, "TPE1", std::string("\0One\0Two", 8));
  const std::string comment16 = Frame(3, "COMM", std::string("\1kor\xFF\xFE\0\0\xFF\xFE\x5C\xD5", 12));
  const std::string ascii16 = Frame(3, "TALB", std::string("\1\xFE\xFF\0A\0B", 7));
  struct Case {
    const char* name;
    int version;
    std::string oldFrame;
    int item;
    std::string slot;
    std::string expectFrame;  // the frame that stands in its place afterwards
  } cases[] = {
      {"Utf16Untouched", 3, hangul16, kTagTitle, "\xED\x95\x9C\xEA\xB5\xAD", hangul16Cleared},
      {"Utf16Edited", 3, hangul16, kTagTitle, "New", TextFrame(3, "TIT2", "New")},
      {"Utf8Untouched", 4, hangul8, kTagArtist, "\xED\x95\x9C", hangul8},
      {"SecondStringUntouched", 4, twoArtists, kTagArtist, "One", twoArtists},
      {"SecondStringEdited", 4, twoArtists, kTagArtist, "Uno", TextFrame(4, "TPE1", "Uno")},
      {"Utf16CommentUntouched", 3, comment16, kTagComment, "\xED\x95\x9C", comment16},
      // Untouched, it keeps its encoding though ISO-8859-1 could hold it.
      {"Utf16WithoutLossIsKept", 3, ascii16, kTagAlbum, "AB", ascii16},
      {"Utf16WithoutLossEdited", 3, ascii16, kTagAlbum, "ABC", TextFrame(3, "TALB", "ABC")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TagFields f = Sample();
    f.SetText(c.item, c.slot);
    f.SetLengthsFromTexts();
    std::string file = Tag(c.version, c.oldFrame) + FakeAudio();
    TagRewrite rewrite;
    ASSERT_EQ(BuildId3v2Tag(file, file.size(), f, rewrite), TagWriteResult::kWritten);
    EXPECT_EQ(rewrite.tag.substr(10, c.expectFrame.size()), c.expectFrame);
    // The kept frame counts as the item's frame: no second one is added.
    const char* id = c.item == kTagComment ? "COMM" : TagFrameId(c.item, c.version);
    EXPECT_EQ(rewrite.tag.find(id, 10 + c.expectFrame.size()), std::string::npos);
  }
}

struct RefusedCase {
  const char* name;
  std::string file;
  TagWriteResult expect;
};

TEST(BuildId3v2Tag, RefusesTagsItCannotWalkOrRewrite) {
  const std::string audio = FakeAudio();
  std::string sizeTooBig = Tag(3, TextFrame(3, "PRIV", "abc"));
  sizeTooBig[10 + 4 + 3] = 13;  // the frame claims the whole tag: not below the tag size
  std::string reachesPast = Tag(3, TextFrame(3, "PRIV", "abcdef") + TextFrame(3, "TIT2", "x"));
  reachesPast[10 + 4 + 3] = 25;  // below the tag size (29), but past its end
  std::string truncated = Tag(3, TextFrame(3, "TIT2", "x"));
  truncated[9] = 0x7F;  // tag size beyond the file's end
  std::string notSyncsafe = Tag(3, TextFrame(3, "TIT2", "x"));
  notSyncsafe[8] = '\x80';
  std::string v24PlainSize = Tag(4, Frame(4, "PRIV", std::string(200, 'p')));
  v24PlainSize[10 + 7] = '\xC8';  // 200 as a plain byte: not syncsafe
  std::vector<RefusedCase> cases = {
      {"CarriedFrameOfSizeZero", Tag(3, TextFrame(3, "TIT2", "x") + Frame(3, "PRIV", "")) + audio,
       TagWriteResult::kBadTag},
      {"FrameSizeNotBelowTagSize", sizeTooBig + audio, TagWriteResult::kBadTag},
      {"FrameReachingPastTheTag", reachesPast + audio, TagWriteResult::kBadTag},
      {"HeaderCutShortByTagEnd", Tag(3, TextFrame(3, "TIT2", "x") + "PRIV\0") + audio, TagWriteResult::kBadTag},
      {"TagLargerThanFile", truncated + audio, TagWriteResult::kBadTag},
      {"HeaderShorterThanTenBytes", std::string("ID3\3\0", 5), TagWriteResult::kBadTag},
      {"TagSizeNotSyncsafe", notSyncsafe + audio, TagWriteResult::kBadTag},
      {"V24FrameSizeNotSyncsafe", v24PlainSize + audio, TagWriteResult::kBadTag},
      {"ExtendedHeader", Tag(3, std::string("\0\0\0\6\0\0\0\0\0\0", 10) + TextFrame(3, "TIT2", "x"), 0, 0x40) + audio,
       TagWriteResult::kUnsupportedTag},
      {"Unsynchronised", Tag(3, TextFrame(3, "TIT2", "x"), 0, 0x80) + audio, TagWriteResult::kUnsupportedTag},
      {"Version22", Tag(2, "TT2\0\0\2\0x") + audio, TagWriteResult::kUnsupportedTag},
      {"Version25", Tag(5, TextFrame(3, "TIT2", "x")) + audio, TagWriteResult::kUnsupportedTag},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TagRewrite rewrite;
    rewrite.tag = "stale";
    EXPECT_EQ(BuildId3v2Tag(c.file, c.file.size(), Sample(), rewrite), c.expect);
  }
}

TEST(PutTagFrame, ReplaceAdvancesPastOldFrameAndAddLeavesPosition) {
  TagFields f = Sample();
  const std::string old = CommFrame(3, "fra", "ancien texte") + TextFrame(3, "TIT2", "x");
  std::size_t readPos = 0;
  std::string out = "AB";
  PutTagFrame(TagFrameMode::kReplace, kTagComment, f, 3, old, readPos, out);
  EXPECT_EQ(readPos, CommFrame(3, "fra", "ancien texte").size());
  EXPECT_EQ(out, "AB" + CommFrame(3, "fra", "Hi"));
  PutTagFrame(TagFrameMode::kAdd, kTagGenre, f, 3, old, readPos, out);
  EXPECT_EQ(readPos, CommFrame(3, "fra", "ancien texte").size());
  EXPECT_EQ(out, "AB" + CommFrame(3, "fra", "Hi") + TextFrame(3, "TCON", "(17)Rock"));
}

TEST(PutTagFrame, CommentLanguageFromGroupedFrameOrEngWhenUnreadable) {
  TagFields f = Sample();
  struct Case {
    std::string old;
    int version;
    std::string lang;
  } cases[] = {
      {Frame(3, "COMM", std::string("\x05\0kor\0t", 7), 0, 0x20), 3, "kor"},  // group byte first
      {Frame(3, "COMM", std::string("\0\0\0\x20zz", 6), 0, 0x80), 3, "eng"},   // compressed
      {Frame(4, "COMM", std::string("\0\0\0\x06\0spa\0t", 10), 0, 0x01), 4, "spa"},  // length indicator
      {Frame(4, "COMM", std::string("\x09\0ita", 5), 0, 0x04), 4, "eng"},  // encrypted
      {Frame(3, "COMM", std::string("\0de", 3)), 3, "eng"},                 // too short
  };
  for (const auto& c : cases) {
    std::size_t readPos = 0;
    std::string out;
    PutTagFrame(TagFrameMode::kReplace, kTagComment, f, c.version, c.old, readPos, out);
    EXPECT_EQ(readPos, c.old.size());
    EXPECT_EQ(out, CommFrame(c.version, c.lang, "Hi"));
  }
}

TEST(TagWriteMessage, SpellsTheProductsTexts) {
  EXPECT_STREQ(kReadOnlyErrorText, "MP3 file Read-Only Error !!!");
  EXPECT_STREQ(kTagWriteErrorText, " ID3 Tag Write Error !!! ");
  EXPECT_EQ(TagWriteMessage(TagWriteResult::kWritten), nullptr);
  for (auto r : {TagWriteResult::kCannotOpen, TagWriteResult::kReadOnly})
    EXPECT_STREQ(TagWriteMessage(r), kReadOnlyErrorText);
  // A folder that takes no new file says nothing about the file being read-only.
  for (auto r : {TagWriteResult::kCannotCreate, TagWriteResult::kBadTag, TagWriteResult::kUnsupportedTag,
                 TagWriteResult::kWriteFailed, TagWriteResult::kReadBackFailed})
    EXPECT_STREQ(TagWriteMessage(r), kTagWriteErrorText);
}

class WriteId3v2TagTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vexalo-tagw-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  fs::path Put(const std::string& name, const std::string& bytes) {
    fs::path p = dir / name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
  std::string Get(const fs::path& p) {
    std::string s;
    EXPECT_TRUE(ReadWholeFile(p.string(), s));
    return s;
  }
  int Entries() { return static_cast<int>(std::distance(fs::directory_iterator(dir), fs::directory_iterator())); }
  fs::path dir;
};

TEST_F(WriteId3v2TagTest, RewritesFileAndKeepsPermissions) {
  const std::string audio = FakeAudio(3) + "TAG" + std::string(125, 'z');
  fs::path p = Put("song.mp3", Tag(3, TextFrame(3, "TIT2", "Old"), 300) + audio);
  ::chmod(p.c_str(), 0640);
  ASSERT_EQ(WriteId3v2Tag(p.string(), Sample()), TagWriteResult::kWritten);
  EXPECT_EQ(Get(p), Tag(3, TextFrame(3, "TIT2", "Song") + TextFrame(3, "TRCK", "3") + TextFrame(3, "TPE1", "Band") +
                               TextFrame(3, "TALB", "Disc") + TextFrame(3, "TYER", "1999") +
                               CommFrame(3, "eng", "Hi") + TextFrame(3, "TCON", "(17)Rock")) +
                    audio);
  struct stat st {};
  ASSERT_EQ(::stat(p.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(Entries(), 1);  // no temporary file left
}

TEST_F(WriteId3v2TagTest, UntaggedFileKeepsEveryByteAfterNewTag) {
  const std::string audio = FakeAudio(5);
  fs::path p = Put("plain.mp3", audio);
  ASSERT_EQ(WriteId3v2Tag(p.string(), Sample()), TagWriteResult::kWritten);
  EXPECT_EQ(Get(p), Tag(3, AddedFrames(3)) + audio);
}

TEST_F(WriteId3v2TagTest, LargeTagsSurviveWhole) {
  // A 200 KB picture and a 2 MB lyrics frame: far beyond the 10,240-byte buffers.
  std::mt19937 rng(7);
  std::string picture(200 * 1024, '\0');
  for (auto& c : picture) c = static_cast<char>(rng());
  std::string lyrics(2 * 1024 * 1024, '\0');
  for (auto& c : lyrics) c = static_cast<char>(rng());
  for (int version : {3, 4}) {
    SCOPED_TRACE(version);
    const std::string txxx = Frame(version, "TXXX", std::string("\0SO\x87\xD6\x12\0", 7) + lyrics, 0x20, 0);
    const std::string apic = Frame(version, "APIC", std::string("\0image/jpeg\0\3\0", 14) + picture);
    const std::string audio = FakeAudio(4);
    fs::path p = Put("big.mp3", Tag(version, txxx + TextFrame(version, "TIT2", "x") + apic, 4096) + audio);
    ASSERT_EQ(WriteId3v2Tag(p.string(), Sample()), TagWriteResult::kWritten);
    std::string txxxCleared = txxx;
    txxxCleared[8] = '\0';
    EXPECT_EQ(Get(p), Tag(version, txxxCleared + TextFrame(version, "TIT2", "Song") + apic +
                                       TextFrame(version, "TRCK", "3") + TextFrame(version, "TPE1", "Band") +
                                       TextFrame(version, "TALB", "Disc") +
                                       TextFrame(version, version == 4 ? "TDRC" : "TYER", "1999") +
                                       CommFrame(version, "eng", "Hi") + TextFrame(version, "TCON", "(17)Rock")) +
                          audio);
  }
}

TEST_F(WriteId3v2TagTest, FailuresLeaveFileUntouched) {
  const std::string audio = FakeAudio();
  struct Case {
    const char* name;
    std::string bytes;
    TagWriteResult expect;
  } cases[] = {
      {"ZeroSizeFrame", Tag(3, Frame(3, "PRIV", "")) + audio, TagWriteResult::kBadTag},
      {"TruncatedTag", Tag(3, TextFrame(3, "TIT2", "x"), 100000).substr(0, 500), TagWriteResult::kBadTag},
      {"Unsynchronised", Tag(3, TextFrame(3, "TIT2", "x"), 0, 0x80) + audio, TagWriteResult::kUnsupportedTag},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::path p = Put("bad.mp3", c.bytes);
    EXPECT_EQ(WriteId3v2Tag(p.string(), Sample()), c.expect);
    EXPECT_EQ(Get(p), c.bytes);
    EXPECT_EQ(Entries(), 1);
  }
}

TEST_F(WriteId3v2TagTest, ReadOnlyFileIsRefusedEvenForRoot) {
  const std::string bytes = Tag(3, TextFrame(3, "TIT2", "x")) + FakeAudio();
  fs::path p = Put("ro.mp3", bytes);
  ::chmod(p.c_str(), 0444);
  EXPECT_EQ(WriteId3v2Tag(p.string(), Sample()), TagWriteResult::kReadOnly);
  EXPECT_STREQ(TagWriteMessage(WriteId3v2Tag(p.string(), Sample())), "MP3 file Read-Only Error !!!");
  EXPECT_EQ(Get(p), bytes);
  EXPECT_EQ(Entries(), 1);
}

TEST_F(WriteId3v2TagTest, MissingFileOrFolderIsCannotOpen) {
  EXPECT_EQ(WriteId3v2Tag((dir / "none.mp3").string(), Sample()), TagWriteResult::kCannotOpen);
  EXPECT_EQ(WriteId3v2Tag(dir.string(), Sample()), TagWriteResult::kCannotOpen);
  EXPECT_EQ(Entries(), 0);
}

TEST_F(WriteId3v2TagTest, SymbolicLinkRewritesItsTarget) {
  const std::string audio = FakeAudio();
  fs::path real = Put("real.mp3", audio);
  fs::path link = dir / "link.mp3";
  fs::create_symlink(real, link);
  ASSERT_EQ(WriteId3v2Tag(link.string(), Sample()), TagWriteResult::kWritten);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Get(real), Tag(3, AddedFrames(3)) + audio);
}

TEST_F(WriteId3v2TagTest, KeepsTheFilesOwner) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
  fs::path p = Put("theirs.mp3", FakeAudio());
  ASSERT_EQ(::chown(p.c_str(), 4321, 8765), 0);
  ::chmod(p.c_str(), 0664);
  ASSERT_EQ(WriteId3v2Tag(p.string(), Sample()), TagWriteResult::kWritten);
  struct stat st {};
  ASSERT_EQ(::stat(p.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 4321u);
  EXPECT_EQ(st.st_gid, 8765u);
  EXPECT_EQ(st.st_mode & 07777, 0664u);
  EXPECT_EQ(Get(p), Tag(3, AddedFrames(3)) + FakeAudio());
}

std::vector<std::pair<SyncTarget, std::string>> g_syncs;
std::string g_watched;

int RecordingSync(int fd, SyncTarget what) {
  std::string held;
  ReadWholeFile(g_watched, held);
  g_syncs.emplace_back(what, held);
  return ::fsync(fd);
}

TEST_F(WriteId3v2TagTest, SyncsTheNewFileBeforeTheRenameAndTheFolderAfter) {
  const std::string old = Tag(3, TextFrame(3, "TIT2", "Old")) + FakeAudio();
  fs::path p = Put("song.mp3", old);
  g_watched = p.string();
  g_syncs.clear();
  SetSyncStep(RecordingSync);
  const TagWriteResult result = WriteId3v2Tag(p.string(), Sample());
  SetSyncStep(nullptr);
  ASSERT_EQ(result, TagWriteResult::kWritten);
  ASSERT_EQ(g_syncs.size(), 2u);
  EXPECT_EQ(g_syncs[0].first, SyncTarget::kFile);
  EXPECT_TRUE(g_syncs[0].second == old) << "the file was synced after the rename";
  EXPECT_EQ(g_syncs[1].first, SyncTarget::kFolder);
  EXPECT_TRUE(g_syncs[1].second == Get(p)) << "the folder was synced before the rename";
}

TEST_F(WriteId3v2TagTest, OkWithoutEditsKeepsWhatTheReaderCannotShow) {
  // Read as the dialog shows it, OK pressed with only the year changed.
  const std::string title16 = Frame(3, "TIT2", std::string("\1\xFF\xFE\x5C\xD5\x6D\xAD\0\0", 9));
  const std::string artist16 = Frame(3, "TPE1", std::string("\1\xFE\xFF\xD5\x5C\0\n\0x", 9));
  const std::string album8 = Frame(3, "TALB", std::string("\3Caf\xC3\xA9 \xE2\x82\xAC", 10));
  const std::string comm16 = Frame(3, "COMM", std::string("\1eng\xFF\xFE\0\0\xFF\xFE\x5C\xD5\n\0\x5C\xD5", 16));
  const std::string plain = TextFrame(3, "TRCK", "9");
  for (int version : {3, 4}) {
    SCOPED_TRACE(version);
    auto v = [&](std::string f) {
      if (version == 4) f.replace(4, 4, Syncsafe(static_cast<std::uint32_t>(f.size() - 10)));
      return f;
    };
    fs::path p = Put("mixed.mp3", Tag(version, v(plain) + v(title16) + v(artist16) + v(album8) + v(comm16)) + FakeAudio());
    TagFields f;
    std::vector<unsigned char> block(64);
    ASSERT_EQ(ReadTagFields(p.string(), f, block), 1);
    // Every text in full (UTF-8), and a blank for a line break in a text frame, as libid3tag
    // shows it.
    EXPECT_EQ(f.Text(kTagTitle), "\xED\x95\x9C\xEA\xB5\xAD");
    EXPECT_EQ(f.Text(kTagArtist), "\xED\x95\x9C x");
    EXPECT_EQ(f.Text(kTagAlbum), "Caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(f.Text(kTagComment), "\xED\x95\x9C\n\xED\x95\x9C");
    TagEditorTexts texts = TagEditorTextsFromSlots(f);
    texts.year = "2002";
    TagFields ok;
    FillTagSlots(texts, 8, ok);
    ASSERT_EQ(WriteId3v2Tag(p.string(), ok), TagWriteResult::kWritten);
    EXPECT_EQ(Get(p), Tag(version, v(plain) + v(title16) + v(artist16) + v(album8) + v(comm16) +
                                       TextFrame(version, version == 4 ? "TDRC" : "TYER", "2002") +
                                       TextFrame(version, "TCON", "(8)Jazz")) +
                          FakeAudio());
  }
}

TEST_F(WriteId3v2TagTest, UnwritableFolderIsRefusedWithItsReason) {
  // The file may be written but its folder takes no new file, so no temporary file can be made.
  // Under root, which writes into any folder, the writer runs in a child as user nobody.
  const std::string bytes = FakeAudio();
  fs::path p = Put("song.mp3", bytes);
  ::chmod(p.c_str(), 0666);
  ::chmod(dir.c_str(), 0555);
  int result = -1;
  std::string why;
  if (::geteuid() == 0) {
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(100);
      std::string reason;
      int r = static_cast<int>(WriteId3v2Tag(p.string(), Sample(), &reason));
      if (::write(pipe[1], reason.data(), reason.size()) < 0) ::_exit(101);
      ::_exit(r);
    }
    ::close(pipe[1]);
    char buf[512];
    ssize_t n;
    while ((n = ::read(pipe[0], buf, sizeof buf)) > 0) why.append(buf, static_cast<std::size_t>(n));
    ::close(pipe[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(WEXITSTATUS(status), 100) << "could not become nobody";
    result = WEXITSTATUS(status);
  } else {
    result = static_cast<int>(WriteId3v2Tag(p.string(), Sample(), &why));
  }
  ::chmod(dir.c_str(), 0755);
  EXPECT_EQ(result, static_cast<int>(TagWriteResult::kCannotCreate));
  EXPECT_STREQ(TagWriteMessage(static_cast<TagWriteResult>(result)), kTagWriteErrorText);
  EXPECT_EQ(why, "cannot create a file in '" + dir.string() + "': Permission denied");
  EXPECT_EQ(Get(p), bytes);
  EXPECT_EQ(Entries(), 1);
}

TEST_F(WriteId3v2TagTest, FailedWriteSaysWhyAndLeavesTheFile) {
  const std::string bytes = Tag(3, TextFrame(3, "TIT2", "Old")) + FakeAudio(40);
  fs::path p = Put("song.mp3", bytes);
  struct rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string why;
  const TagWriteResult result = WriteId3v2Tag(p.string(), Sample(), &why);
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(result, TagWriteResult::kWriteFailed);
  EXPECT_EQ(why, "cannot write '" + p.string() + "': File too large");
  EXPECT_EQ(Get(p), bytes);
  EXPECT_EQ(Entries(), 1);
}

// A carried COMM frame that the reader keeps aside while its flags hold bits it does not know,
// and that breaks the whole tag for it once the flags are cleared: its encoding byte is 7.
std::string CommWithBadEncoding(unsigned char flags1, unsigned char flags2) {
  return Frame(3, "COMM", std::string("\x07engxx\0text", 11), flags1, flags2);
}

TEST_F(WriteId3v2TagTest, RefusesATagThatWouldNoLongerRead) {
  for (unsigned char flags2 : {0x1F, 0x10}) {
    SCOPED_TRACE(static_cast<int>(flags2));
    const std::string bytes =
        Tag(3, TextFrame(3, "TIT2", "Old") + CommWithBadEncoding(0, flags2) + TextFrame(3, "TPE1", "Band")) +
        FakeAudio();
    fs::path p = Put("song.mp3", bytes);
    TagFields read;
    std::vector<unsigned char> block(64);
    ASSERT_EQ(ReadTagFields(p.string(), read, block), 1);
    ASSERT_EQ(read.Text(kTagTitle), "Old");  // it reads before the write
    std::string why;
    EXPECT_EQ(WriteId3v2Tag(p.string(), Sample(), &why), TagWriteResult::kReadBackFailed);
    EXPECT_EQ(why, "the new tag would not read back as written: Track reads '' instead of '3'");
    EXPECT_EQ(Get(p), bytes);
    EXPECT_EQ(Entries(), 1);
  }
}

TEST_F(WriteId3v2TagTest, SetTagsRefusesATagThatWouldNoLongerReadAndSaysWhy) {
  const std::string bytes = Tag(3, TextFrame(3, "TIT2", "Old") + CommWithBadEncoding(0, 0x1F)) + FakeAudio();
  fs::path p = Put("song.mp3", bytes);
  ToolResult r = RunSyncTool({"set-tags", p.string(), "--title", "New"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "ID3 Tag Write Error !!!\n  the new tag would not read back as written: Title reads '' "
                   "instead of 'New'\n");
  EXPECT_EQ(Get(p), bytes);
  EXPECT_EQ(Entries(), 1);
}

// What the reader would show otherwise than it was set is refused, the file untouched: a v2.3
// year is four characters, and a text frame shows a line break as a blank.
TEST_F(WriteId3v2TagTest, RefusesTextsThatWouldReadBackOtherwiseThanSet) {
  const std::string bytes = Tag(3, TextFrame(3, "TIT2", "Old")) + FakeAudio();
  struct Case {
    const char* name;
    TagFields set;
    std::string why;
  } cases[] = {
      {"five-digit year", Slots("3", "Song", "Band", "Disc", "19991", 17, "Hi"), "Year reads '1999' instead of '19991'"},
      {"year of letters", Slots("3", "Song", "Band", "Disc", "abc", 17, "Hi"), "Year reads '' instead of 'abc'"},
      {"line break in the track", Slots("1\n2", "Song", "Band", "Disc", "1999", 17, "Hi"),
       "Track reads '1 2' instead of '1\\n2'"},
      {"line break in the title", Slots("3", "a\nb", "Band", "Disc", "1999", 17, "Hi"),
       "Title reads 'a b' instead of 'a\\nb'"},
      {"line break in the artist", Slots("3", "Song", "a\nb", "Disc", "1999", 17, "Hi"),
       "Artist reads 'a b' instead of 'a\\nb'"},
      {"line break in the album", Slots("3", "Song", "Band", "a\nb", "1999", 17, "Hi"),
       "Album reads 'a b' instead of 'a\\nb'"},
  };
  const fs::path p = dir / "song.mp3";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Put("song.mp3", bytes);
    std::string why;
    EXPECT_EQ(WriteId3v2Tag(p.string(), c.set, &why), TagWriteResult::kReadBackFailed);
    EXPECT_EQ(why, "the new tag would not read back as written: " + c.why);
    EXPECT_TRUE(Get(p) == bytes);
    EXPECT_EQ(Entries(), 1);
  }
  ToolResult r = RunSyncTool({"set-tags", p.string(), "--year", "19991"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "ID3 Tag Write Error !!!\n  the new tag would not read back as written: Year reads '1999' "
                   "instead of '19991'\n");
  EXPECT_TRUE(Get(p) == bytes);

  // A comment keeps its line breaks.
  std::string why;
  ASSERT_EQ(WriteId3v2Tag(p.string(), Slots("3", "Song", "Band", "Disc", "1999", 17, "two\nlines"), &why),
            TagWriteResult::kWritten)
      << why;
  TagFields read;
  std::vector<unsigned char> block(64);
  ASSERT_EQ(ReadTagFields(p.string(), read, block), 1);
  EXPECT_EQ(read.Text(kTagComment), "two\nlines");
}

// A tag of revision 255 is passed by as no tag at all: the new tag is written as revision 0.
TEST_F(WriteId3v2TagTest, HeaderOfRevision255IsWrittenAsTheReaderTakesIt) {
  for (int version : {3, 4}) {
    SCOPED_TRACE(version);
    std::string tag = Tag(version, TextFrame(version, "TIT2", "Old"));
    tag[4] = '\xFF';
    const fs::path p = Put("song.mp3", tag + FakeAudio());
    std::string why;
    ASSERT_EQ(WriteId3v2Tag(p.string(), Sample(), &why), TagWriteResult::kWritten) << why;
    EXPECT_EQ(Get(p).substr(0, 6), std::string("ID3") + char(version) + std::string(2, '\0'));
    TagFields read;
    std::vector<unsigned char> block(64);
    ASSERT_EQ(ReadTagFields(p.string(), read, block), 1);
    EXPECT_EQ(read.Text(kTagTitle), "Song");
  }
}

// Every genre of the list reads back as the one that was set, whatever the tag library calls it
// (it spells 67, 81 and 84 otherwise than the list).
TEST_F(WriteId3v2TagTest, EveryGenreReadsBackAsTheOneSet) {
  for (const std::string& start : {std::string(), Tag(3, ""), Tag(4, "")}) {
    for (int genre = 0; genre < kGenreCount; ++genre) {
      SCOPED_TRACE(std::to_string(start.size()) + " genre " + std::to_string(genre));
      const fs::path p = Put("song.mp3", start + FakeAudio());
      std::string why;
      ASSERT_EQ(WriteId3v2Tag(p.string(), Slots("3", "Song", "Band", "Disc", "1999", genre, "Hi"), &why),
                TagWriteResult::kWritten)
          << why;
      TagFields read;
      std::vector<unsigned char> block(64);
      ASSERT_EQ(ReadTagFields(p.string(), read, block), 1);
      EXPECT_EQ(GenreAfterShowing(read, -1), genre) << read.Text(kTagGenre);
    }
  }
}

TEST_F(WriteId3v2TagTest, YearReadWithTheDateOfCarriedFramesIsWritten) {
  // The reader joins TYER with TDAT and TIME; the edited year still reads back first.
  const std::string bytes =
      Tag(3, TextFrame(3, "TYER", "1999") + TextFrame(3, "TDAT", "0305") + TextFrame(3, "TIME", "1020")) +
      FakeAudio();
  fs::path p = Put("song.mp3", bytes);
  std::string why;
  ASSERT_EQ(WriteId3v2Tag(p.string(), Slots("3", "Song", "Band", "Disc", "2005", 17, "Hi"), &why),
            TagWriteResult::kWritten)
      << why;
  TagFields read;
  std::vector<unsigned char> block(64);
  ASSERT_EQ(ReadTagFields(p.string(), read, block), 1);
  EXPECT_EQ(read.Text(kTagYear), "2005-05-03T10:20");
}

TEST(ReadBackMismatch, NamesTheFirstFieldThatDiffers) {
  auto reading = [](const std::string& title, const std::string& year, const std::string& sign) {
    TagReading r;
    r.fields = Slots("3", title, "Band", "Disc", year, 17, "Hi");
    r.sign = sign;
    return r;
  };
  const TagReading want = reading("Song", "1999", "SO\x87\xD6\x12");
  struct Case {
    const char* name;
    TagReading got;
    std::string signBefore;
    std::string expect;
  } cases[] = {
      {"same", reading("Song", "1999", "SO\x87\xD6\x12"), "SO\x87\xD6\x12", ""},
      {"title lost", reading("", "1999", "SO\x87\xD6\x12"), "SO\x87\xD6\x12", "Title reads '' instead of 'Song'"},
      {"year with date", reading("Song", "1999-05-03", "SO\x87\xD6\x12"), "SO\x87\xD6\x12", ""},
      {"year with time", reading("Song", "1999T10:20", "SO\x87\xD6\x12"), "SO\x87\xD6\x12", ""},
      {"other year", reading("Song", "19990", "SO\x87\xD6\x12"), "SO\x87\xD6\x12", "Year reads '19990' instead of '1999'"},
      {"sign lost", reading("Song", "1999", ""), "SO\x87\xD6\x12", "the lyrics frame (TXXX) no longer reads"},
      {"no sign before or after", reading("Song", "1999", ""), "", ""},
      {"genre by its name", [&] { TagReading r = reading("Song", "1999", ""); r.fields.SetText(kTagGenre, "Rock"); return r; }(),
       "", ""},
      {"genre that selects another", [&] { TagReading r = reading("Song", "1999", ""); r.fields.SetText(kTagGenre, "Rock & Roll"); return r; }(),
       "", "Genre reads 'Rock & Roll' instead of '(17)Rock'"},
      {"line break spelt out", reading("a\nb", "1999", ""), "", "Title reads 'a\\nb' instead of 'Song'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadBackMismatch(want, c.signBefore, c.got), c.expect);
  }
}

}  // namespace
