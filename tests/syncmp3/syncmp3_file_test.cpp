#include "syncmp3/syncmp3_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/safe_file.h"
#include "support/run_tool.h"
#include "sync/sync_table.h"
#include "sync/sync_text.h"

namespace fs = std::filesystem;
using namespace vexalo;

namespace {

using Block = std::array<unsigned char, kSyncBlockBytes>;

std::string Be32(std::uint32_t v) {
  return {char(v >> 24), char((v >> 16) & 0xFF), char((v >> 8) & 0xFF), char(v & 0xFF)};
}

std::string Syncsafe(std::uint32_t v) {
  return {char((v >> 21) & 0x7F), char((v >> 14) & 0x7F), char((v >> 7) & 0x7F), char(v & 0x7F)};
}

// A block of the given total length whose bytes after the header are a counting pattern.
Block RawBlock(std::uint32_t length) {
  Block b{};
  for (std::uint32_t i = 0; i < length; ++i) b[i] = static_cast<unsigned char>(i * 7 + 3);
  if (length >= 10) WriteLe32(b.data() + 6, length);
  return b;
}

Block LyricsBlock(const std::string& stored) {
  Block b{};
  std::string error;
  EXPECT_TRUE(BuildSyncBlock(stored, b, error)) << error;
  return b;
}

std::string BlockBytes(const Block& b) {
  return std::string(reinterpret_cast<const char*>(b.data()), ReadLe32(b.data() + 6));
}

std::string TxxxFrame(const Block& b) {
  const std::string data = BlockBytes(b);
  return "TXXX" + Be32(static_cast<std::uint32_t>(data.size() + 1)) + std::string("\x20\x00\x00", 3) + data;
}

std::string V1Field(const std::string& s, std::size_t n) {
  std::string f = s.substr(0, n);
  f.resize(n, '\0');
  return f;
}

const std::string kLyrics = "\xA2\xE2" "00000512\xA2\xD0\r\nfirst line\r\n"
                            "\xA2\xE2" "00011050\xA2\xD0\r\n\xC7\xD1\xB1\xDB line\r\n";

class SyncMp3Test : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vexalo-syncmp3-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    for (auto& e : fs::recursive_directory_iterator(dir, ec))
      fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir, ec);
  }
  std::string P(const std::string& name) { return (dir / name).string(); }
  void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  std::string Get(const std::string& path) {
    std::string s;
    EXPECT_TRUE(ReadWholeFile(path, s)) << path;
    return s;
  }
  std::string Fixture(const std::string& name) { return Get(test::FixturePath(name)); }
  int Entries() {
    return static_cast<int>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
  }
  fs::path dir;
};

}  // namespace

TEST_F(SyncMp3Test, SourceWithoutTagGetsANewTagInFront) {
  const std::string audio = Fixture("stereo_44k.mp3");
  Put(P("in.mp3"), audio);
  const Block block = LyricsBlock(kLyrics);
  ASSERT_EQ(SaveSyncMp3File(P("in.mp3"), P("out.mp3"), false, block), kSyncMp3Saved);
  const std::string frame = TxxxFrame(block);
  const std::string expected = std::string("ID3\x03\x00\x00", 6) +
                               Syncsafe(static_cast<std::uint32_t>(frame.size() + 10)) + frame +
                               std::string(10, '\0') + audio;
  const std::string out = Get(P("out.mp3"));
  EXPECT_EQ(out.size(), audio.size() + frame.size() + 20);
  EXPECT_EQ(out, expected);
  EXPECT_EQ(out.substr(18, 2), std::string("\x20\x00", 2));  // the frame's flag bytes
  EXPECT_EQ(Get(P("in.mp3")), audio);
}

TEST_F(SyncMp3Test, EmptyLyricsGiveAnElevenByteFrame) {
  Put(P("in.mp3"), "abc");
  const Block empty{};
  ASSERT_EQ(SaveSyncMp3File(P("in.mp3"), P("out.mp3"), false, empty), kSyncMp3Saved);
  EXPECT_EQ(Get(P("out.mp3")), std::string("ID3\x03\x00\x00\x00\x00\x00\x15", 10) +
                                   std::string("TXXX\x00\x00\x00\x01\x20\x00\x00", 11) +
                                   std::string(10, '\0') + "abc");
}

TEST_F(SyncMp3Test, ShortSourcesHaveNoId3v1Tag) {
  struct Case {
    const char* name;
    std::string source;
  };
  const std::vector<Case> cases = {
      {"0 bytes", ""},
      {"127 bytes beginning with TAG", "TAG" + std::string(124, 'x')},
  };
  const Block block = RawBlock(40);
  for (const auto& c : cases) {
    Put(P("in.mp3"), c.source);
    ASSERT_EQ(SaveSyncMp3File(P("in.mp3"), P("out.mp3"), false, block), kSyncMp3Saved) << c.name;
    const std::string frame = TxxxFrame(block);
    EXPECT_EQ(Get(P("out.mp3")), std::string("ID3\x03\x00\x00", 6) + Syncsafe(frame.size() + 10) + frame +
                                     std::string(10, '\0') + c.source)
        << c.name;
  }
}

TEST_F(SyncMp3Test, Id3v1SourceGetsTextFramesAndKeepsItsTag) {
  const std::string audio(1000, '\x55');
  std::string v1 = "TAG" + V1Field(std::string("AB\0CD", 5), 30) + V1Field("Artist", 30) + V1Field("", 30) +
                   V1Field("1999", 4) + V1Field("note", 28) + std::string("\0\x09", 2) + "\xC9";
  ASSERT_EQ(v1.size(), 128u);
  Put(P("in.mp3"), audio + v1);
  const Block block = LyricsBlock(kLyrics);
  ASSERT_EQ(SaveSyncMp3File(P("in.mp3"), P("out.mp3"), false, block), kSyncMp3Saved);

  auto text = [](const char* id, const std::string& t) {
    return std::string(id) + Be32(static_cast<std::uint32_t>(t.size() + 1)) + std::string(3, '\0') + t;
  };
  // The comment field's last byte (a track number in ID3v1.1) becomes its last character.
  const std::string comm = "COMM" + Be32(5 + 5) + std::string(3, '\0') + "eng" + std::string(1, '\0') + "note\x09";
  const std::string frames = TxxxFrame(block) + text("TIT2", "ABCD") + text("TPE1", "Artist") +
                             text("TALB", "") + text("TYER", "1999") + comm;
  const std::string expected = std::string("ID3\x03\x00\x00", 6) + Syncsafe(frames.size() + 10) + frames +
                               std::string(10, '\0') + audio + v1;
  const std::string out = Get(P("out.mp3"));
  EXPECT_EQ(out, expected);
  EXPECT_EQ(out.substr(out.size() - 128), v1);
  EXPECT_EQ(out.find('\xC9'), out.size() - 1);  // the genre byte is only in the kept ID3v1 tag
}

TEST_F(SyncMp3Test, Id3v2SourceWithAnotherFirstFrameKeepsAllOfIt) {
  for (const char* name : {"tagged_v23.mp3", "tagged_v24.mp3"}) {
    const std::string src = Fixture(name);
    Put(P("in.mp3"), src);
    const Block block = LyricsBlock(kLyrics);
    ASSERT_EQ(SaveSyncMp3File(P("in.mp3"), P("out.mp3"), false, block), kSyncMp3Saved) << name;
    const std::string frame = TxxxFrame(block);
    const std::uint32_t s = (src[6] << 21) | (src[7] << 14) | (src[8] << 7) | src[9];
    const std::string out = Get(P("out.mp3"));
    EXPECT_EQ(out.size(), src.size() + frame.size()) << name;
    EXPECT_EQ(out, src.substr(0, 6) + Syncsafe(s + frame.size()) + frame + src.substr(10)) << name;
  }
}

TEST_F(SyncMp3Test, SavingAgainReplacesTheLeadingTxxxFrame) {
  Put(P("in.mp3"), Fixture("tagged_v24.mp3"));
  ASSERT_EQ(SaveSyncMp3File(P("in.mp3"), P("once.mp3"), false, RawBlock(300)), kSyncMp3Saved);
  const std::string once = Get(P("once.mp3"));
  const Block second = LyricsBlock(kLyrics);
  ASSERT_EQ(SaveSyncMp3File(P("once.mp3"), P("twice.mp3"), false, second), kSyncMp3Saved);
  const std::string twice = Get(P("twice.mp3"));
  const std::size_t k = 300 + 11;
  const std::string frame = TxxxFrame(second);
  EXPECT_EQ(twice.size(), once.size() - k + frame.size());
  const std::string src = Fixture("tagged_v24.mp3");
  const std::uint32_t s = (src[6] << 21) | (src[7] << 14) | (src[8] << 7) | src[9];
  EXPECT_EQ(twice, src.substr(0, 6) + Syncsafe(s + frame.size()) + frame + src.substr(10));
  EXPECT_EQ(twice[3], '\x04');  // the version bytes stay
}

TEST_F(SyncMp3Test, LeadingTxxxWithSyncsafeSizeFromAnotherProgramIsReplacedWhole) {
  // Version 4 tag whose TXXX frame (200 bytes of data) has a syncsafe size, then a TIT2 frame.
  const std::string txxxData = std::string(1, '\0') + "desc" + std::string(1, '\0') + std::string(194, 'v');
  const std::string txxx = "TXXX" + Syncsafe(txxxData.size()) + std::string(2, '\0') + txxxData;
  const std::string tit2 = "TIT2" + Syncsafe(4) + std::string(2, '\0') + std::string(1, '\0') + "abc";
  const std::string frames = txxx + tit2 + std::string(20, '\0');
  const std::string audio(500, '\x33');
  Put(P("in.mp3"), std::string("ID3\x04\x00\x00", 6) + Syncsafe(frames.size()) + frames + audio);
  const Block block = LyricsBlock(kLyrics);
  ASSERT_EQ(SaveSyncMp3File(P("in.mp3"), P("out.mp3"), false, block), kSyncMp3Saved);
  const std::string rest = tit2 + std::string(20, '\0');
  EXPECT_EQ(Get(P("out.mp3")), std::string("ID3\x04\x00\x00", 6) + Syncsafe(TxxxFrame(block).size() + rest.size()) +
                                   TxxxFrame(block) + rest + audio);
}

TEST_F(SyncMp3Test, LargeTagSizeIsWrittenSyncsafe) {
  // The header claims a tag of 2^21 bytes; only the size bytes are checked.
  const std::string src = std::string("ID3\x03\x00\x00", 6) + Syncsafe(1u << 21) + "TIT2" + std::string(20, 'x');
  Put(P("in.mp3"), src);
  ASSERT_EQ(SaveSyncMp3File(P("in.mp3"), P("out.mp3"), false, RawBlock(100)), kSyncMp3Saved);
  const std::string out = Get(P("out.mp3"));
  EXPECT_EQ(out.substr(6, 4), Syncsafe((1u << 21) + 111));
  for (int i = 6; i < 10; ++i) EXPECT_LT(static_cast<unsigned char>(out[i]), 0x80);
}

TEST_F(SyncMp3Test, DamagedLeadingFrameIsRefusedAndNothingWritten) {
  // The first TXXX frame claims more bytes than the whole tag.
  const std::string src = std::string("ID3\x03\x00\x00", 6) + Syncsafe(30) + "TXXX" + Be32(0x7FFFFFF0) +
                          std::string(2, '\0') + std::string(40, 'y');
  Put(P("in.mp3"), src);
  std::string why;
  EXPECT_EQ(SaveSyncMp3File(P("in.mp3"), P("out.mp3"), false, RawBlock(20), &why), kSyncMp3OpenError);
  EXPECT_FALSE(why.empty());
  EXPECT_FALSE(FileExists(P("out.mp3")));
  EXPECT_EQ(Entries(), 1);
}

TEST_F(SyncMp3Test, TagsThatCannotTakeALeadingFrameAreRefusedUntouched) {
  struct Case {
    const char* name;
    std::string header;
  };
  const std::vector<Case> cases = {
      {"version 2.2", std::string("ID3\x02\x00\x00", 6)},
      {"unsynchronisation", std::string("ID3\x03\x00\x80", 6)},
      {"extended header", std::string("ID3\x04\x00\x40", 6)},
  };
  for (const auto& c : cases) {
    const std::string src = c.header + Syncsafe(20) + std::string(20, '\x01') + "audio";
    Put(P("in.mp3"), src);
    std::string why;
    EXPECT_EQ(SaveSyncMp3File(P("in.mp3"), P("in.mp3"), true, RawBlock(20), &why), kSyncMp3OpenError) << c.name;
    EXPECT_FALSE(why.empty()) << c.name;
    EXPECT_EQ(Get(P("in.mp3")), src) << c.name;
    EXPECT_EQ(Entries(), 1) << c.name;
  }
}

TEST_F(SyncMp3Test, BlocksLargerThanTheFrameBufferAreRefused) {
  Put(P("in.mp3"), "audio");
  const Block full = RawBlock(static_cast<std::uint32_t>(kMaxSyncMp3BlockBytes));
  ASSERT_EQ(SaveSyncMp3File(P("in.mp3"), P("max.mp3"), false, full), kSyncMp3Saved);
  EXPECT_EQ(Get(P("max.mp3")).size(), 10 + 30720 + 10 + 5u);
  const Block over = RawBlock(static_cast<std::uint32_t>(kMaxSyncMp3BlockBytes + 1));
  EXPECT_EQ(SaveSyncMp3File(P("in.mp3"), P("over.mp3"), false, over), kSyncMp3BlockTooLarge);
  EXPECT_FALSE(FileExists(P("over.mp3")));

  // The largest block the writer takes reads back whole.
  Block back{};
  bool found = false;
  ASSERT_EQ(ReadSyncMp3Block(P("max.mp3"), back, &found), 1);
  EXPECT_TRUE(found);
  EXPECT_EQ(back, full);
}

TEST_F(SyncMp3Test, MissingOrUnreadableSourceIsAnOpenError) {
  const Block block = RawBlock(20);
  EXPECT_EQ(SaveSyncMp3File(P("missing.mp3"), P("out.mp3"), false, block), kSyncMp3OpenError);
  EXPECT_EQ(SaveSyncMp3File(P("missing.mp3"), P("missing.mp3"), true, block), kSyncMp3OpenError);
  fs::create_directory(P("folder.mp3"));
  EXPECT_EQ(SaveSyncMp3File(P("folder.mp3"), P("out.mp3"), false, block), kSyncMp3OpenError);
  EXPECT_FALSE(FileExists(P("out.mp3")));
}

TEST_F(SyncMp3Test, InPlaceSaveGivesWhatASaveElsewhereGives) {
  const std::string src = Fixture("tagged_v1.mp3");
  Put(P("song.mp3"), src);
  ::chmod(P("song.mp3").c_str(), 0640);
  const Block block = LyricsBlock(kLyrics);
  ASSERT_EQ(SaveSyncMp3File(P("song.mp3"), P("copy.mp3"), false, block), kSyncMp3Saved);
  ASSERT_EQ(SaveSyncMp3File(P("song.mp3"), P("song.mp3"), true, block), kSyncMp3Saved);
  EXPECT_EQ(Get(P("song.mp3")), Get(P("copy.mp3")));
  struct stat st {};
  ASSERT_EQ(::stat(P("song.mp3").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(Entries(), 2);  // no temporary file left
}

TEST_F(SyncMp3Test, SameFileUnderAnotherSpellingIsSavedInPlace) {
  const std::string src = Fixture("stereo_44k.mp3");
  Put(P("song.mp3"), src);
  fs::create_directory(P("sub"));
  const std::string other = P("sub/../song.mp3");
  ASSERT_EQ(SaveSyncMp3File(P("song.mp3"), other, false, RawBlock(50)), kSyncMp3Saved);
  const std::string out = Get(P("song.mp3"));
  EXPECT_EQ(out.size(), src.size() + 61 + 20);
  EXPECT_EQ(out.substr(out.size() - src.size()), src);
}

TEST_F(SyncMp3Test, LinkedDestinationReplacesTheFileItNames) {
  Put(P("song.mp3"), "audio bytes");
  fs::create_symlink(P("song.mp3"), P("link.mp3"));
  ASSERT_EQ(SaveSyncMp3File(P("link.mp3"), P("link.mp3"), true, RawBlock(30)), kSyncMp3Saved);
  EXPECT_TRUE(fs::is_symlink(P("link.mp3")));
  EXPECT_EQ(Get(P("song.mp3")).substr(0, 3), "ID3");
}

TEST_F(SyncMp3Test, ReadOnlySourceIsRefusedInPlaceButSavesElsewhere) {
  const std::string src = Fixture("mono_8k.mp3");
  Put(P("song.mp3"), src);
  ::chmod(P("song.mp3").c_str(), 0444);
  std::string why;
  EXPECT_EQ(SaveSyncMp3File(P("song.mp3"), P("song.mp3"), true, RawBlock(30), &why), kSyncMp3ReadOnly);
  EXPECT_FALSE(why.empty());
  EXPECT_EQ(Get(P("song.mp3")), src);
  EXPECT_EQ(SaveSyncMp3File(P("song.mp3"), P("out.mp3"), false, RawBlock(30)), kSyncMp3Saved);
  // A read-only destination that is not the source is not replaced behind the user's back.
  Put(P("locked.mp3"), "keep me");
  ::chmod(P("locked.mp3").c_str(), 0444);
  EXPECT_EQ(SaveSyncMp3File(P("song.mp3"), P("locked.mp3"), false, RawBlock(30)), kSyncMp3WriteError);
  EXPECT_EQ(Get(P("locked.mp3")), "keep me");
}

TEST_F(SyncMp3Test, DestinationThatCannotBeCreatedIsAnError) {
  Put(P("song.mp3"), "audio");
  std::string why;
  EXPECT_EQ(SaveSyncMp3File(P("song.mp3"), P("no/such/folder/out.mp3"), false, RawBlock(30), &why),
            kSyncMp3WriteError);
  EXPECT_FALSE(why.empty());
  fs::create_directory(P("folder.mp3"));
  EXPECT_EQ(SaveSyncMp3File(P("song.mp3"), P("folder.mp3"), false, RawBlock(30)), kSyncMp3WriteError);
  EXPECT_TRUE(fs::is_directory(P("folder.mp3")));
}

TEST_F(SyncMp3Test, UnwritableFolderLeavesNothingBehind) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write into any folder";
  Put(P("song.mp3"), "audio");
  fs::create_directory(P("locked"));
  ::chmod(P("locked").c_str(), 0555);
  EXPECT_EQ(SaveSyncMp3File(P("song.mp3"), P("locked/out.mp3"), false, RawBlock(30)), kSyncMp3WriteError);
  EXPECT_TRUE(fs::is_empty(P("locked")));
}

TEST_F(SyncMp3Test, FailedWriteLeavesTheOriginalAndNoTemporaryFile) {
  // A file-size limit makes the writes fail part way, as a full disk would.
  const std::string src = Fixture("stereo_44k.mp3");
  Put(P("song.mp3"), src);
  Put(P("old.mp3"), "previous content");
  struct rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 8192;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string why;
  const int inPlace = SaveSyncMp3File(P("song.mp3"), P("song.mp3"), true, RawBlock(30), &why);
  const int other = SaveSyncMp3File(P("song.mp3"), P("old.mp3"), false, RawBlock(30));
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(inPlace, kSyncMp3WriteError);
  EXPECT_FALSE(why.empty());
  EXPECT_EQ(other, kSyncMp3WriteError);
  EXPECT_EQ(Get(P("song.mp3")), src);
  EXPECT_EQ(Get(P("old.mp3")), "previous content");
  EXPECT_EQ(Entries(), 2);
}

TEST_F(SyncMp3Test, SourceOnAnotherFilesystemIsCopiedThroughTheBuffer) {
  // The kernel will not copy between a tmpfs and the test folder's filesystem: the copy buffer
  // takes over, in pieces of 30,720 bytes.
  if (!fs::is_directory("/dev/shm")) GTEST_SKIP() << "no /dev/shm";
  const std::string shm = "/dev/shm/vexalo-syncmp3-" + std::to_string(::getpid()) + ".mp3";
  const std::string src = Fixture("tagged_v1.mp3");
  Put(shm, src);
  const Block block = LyricsBlock(kLyrics);
  const int result = SaveSyncMp3File(shm, P("out.mp3"), false, block);
  Put(P("local.mp3"), src);
  ASSERT_EQ(SaveSyncMp3File(P("local.mp3"), P("expected.mp3"), false, block), kSyncMp3Saved);
  ::unlink(shm.c_str());
  ASSERT_EQ(result, kSyncMp3Saved);
  EXPECT_EQ(Get(P("out.mp3")), Get(P("expected.mp3")));
}

TEST_F(SyncMp3Test, ReaderTakesTheFirstTxxxFrame) {
  // Frame size M: M - 1 data bytes go into the block buffer, the rest of it is cleared.
  Put(P("a.mp3"), std::string("ID3\x03\x00\x00\x00\x00\x00\x20", 10) + "TXXX" + Be32(6) + std::string(3, '\0') + "hello" + "tail");
  Block b;
  b.fill(0x77);
  bool found = false;
  ASSERT_EQ(ReadSyncMp3Block(P("a.mp3"), b, &found), 1);
  EXPECT_TRUE(found);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(b.data()), 5), "hello");
  EXPECT_EQ(b[5], 0);
  EXPECT_EQ(b[kSyncBlockBytes - 1], 0);

  // Another first frame leaves the buffer as it was.
  Put(P("b.mp3"), Fixture("tagged_v23.mp3"));
  b.fill(0x77);
  ASSERT_EQ(ReadSyncMp3Block(P("b.mp3"), b, &found), 1);
  EXPECT_FALSE(found);
  EXPECT_EQ(b[0], 0x77);

  // A frame that claims more than the buffer holds is cut at the buffer's end.
  Put(P("c.mp3"), std::string(10, '\0') + "TXXX" + Be32(0xFFFFFFFF) + std::string(3, '\0') + std::string(40000, 'k'));
  ASSERT_EQ(ReadSyncMp3Block(P("c.mp3"), b, &found), 1);
  EXPECT_EQ(b[kSyncBlockBytes - 1], 'k');

  EXPECT_EQ(ReadSyncMp3Block(P("missing.mp3"), b), 0);
  fs::create_directory(P("dir.mp3"));
  EXPECT_EQ(ReadSyncMp3Block(P("dir.mp3"), b), 0);
}

TEST_F(SyncMp3Test, LyricsRoundTripThroughAFile) {
  Put(P("in.mp3"), Fixture("tagged_v23.mp3"));
  std::string error;
  ASSERT_TRUE(BuildSyncBlock(kLyrics, error));
  ASSERT_EQ(SaveSyncMp3File(P("in.mp3"), P("out.mp3"), false), kSyncMp3Saved);
  std::fill(std::begin(SyncBlockBuffer), std::end(SyncBlockBuffer), 0);
  ASSERT_EQ(ReadSyncMp3Block(P("out.mp3")), 1);
  ResetSyncTable(1);
  ASSERT_EQ(ParseSyncBlock(kSyncMagic, SyncBlockBuffer), 1);
  EXPECT_EQ(RebuildSyncText(), kLyrics);
}

TEST_F(SyncMp3Test, OtherProgramsReadTheTagAndTheAudioIsUntouched) {
  const bool mutagen = FileExists("/usr/bin/python3") &&
                       test::RunProgram("/usr/bin/python3", {"-c", "import mutagen.id3"}).status == 0;
  const bool mpg123 = test::HaveProgram("mpg123");
  if (!mutagen && !mpg123) GTEST_SKIP() << "neither mutagen nor mpg123 installed";
  const Block block = LyricsBlock(kLyrics);
  for (const char* name : {"stereo_44k.mp3", "joint_44k.mp3", "dual_44k.mp3", "mono_22k.mp3", "stereo_48k.mp3",
                           "joint_32k.mp3", "mono_16k.mp3", "joint_24k.mp3", "mono_8k.mp3", "mono_11k.mp3",
                           "tagged_v1.mp3", "tagged_v23.mp3", "tagged_v24.mp3"}) {
    const std::string out = P(std::string("sync_") + name);
    ASSERT_EQ(SaveSyncMp3File(test::FixturePath(name), out, false, block), kSyncMp3Saved) << name;
    if (mutagen) {
      // The TXXX frame's description is the block's first bytes, up to the magic's zero byte.
      auto r = test::RunProgram(
          "/usr/bin/python3",
          {"-c",
           "import sys, mutagen.id3\n"
           "t = mutagen.id3.ID3(sys.argv[1])\n"
           "f = t.getall('TXXX')\n"
           "assert len(f) == 1 and f[0].desc == 'SO\\x87\\xd6\\x12', f\n"
           "if sys.argv[2] != 'tagged_v1.mp3' and 'TIT2' in t: assert str(t['TIT2']) == 'Sine Song'\n",
           out, name});
      EXPECT_EQ(r.status, 0) << name << ": " << r.err;
    }
    if (mpg123) {
      auto a = test::RunProgram("mpg123", {"-q", "-s", test::FixturePath(name)});
      auto b = test::RunProgram("mpg123", {"-q", "-s", out});
      EXPECT_EQ(a.status, 0) << name;
      EXPECT_FALSE(a.out.empty()) << name;
      EXPECT_TRUE(a.out == b.out) << name << ": decoded audio differs";
    }
  }
}

namespace {

// What the target held each time the writer synced something.
std::vector<std::pair<SyncTarget, std::string>> g_syncs;
std::string g_watched;

int RecordingSync(int fd, SyncTarget what) {
  std::string held;
  ReadWholeFile(g_watched, held);
  g_syncs.emplace_back(what, held);
  return ::fsync(fd);
}

}  // namespace

TEST_F(SyncMp3Test, ReplacingAFileSyncsItBeforeTheRenameAndTheFolderAfter) {
  const std::string src = Fixture("tagged_v23.mp3");
  struct Case {
    const char* name;
    std::string source, destination;
    bool inPlace;
  } cases[] = {
      {"in place", P("song.mp3"), P("song.mp3"), true},
      {"over another file", P("song.mp3"), P("other.mp3"), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Put(P("song.mp3"), src);
    Put(P("other.mp3"), "previous");
    const std::string before = Get(c.destination);
    g_watched = c.destination;
    g_syncs.clear();
    SetSyncStep(RecordingSync);
    const int result = SaveSyncMp3File(c.source, c.destination, c.inPlace, RawBlock(40));
    SetSyncStep(nullptr);
    ASSERT_EQ(result, kSyncMp3Saved);
    ASSERT_EQ(g_syncs.size(), 2u);
    EXPECT_EQ(g_syncs[0].first, SyncTarget::kFile);
    EXPECT_TRUE(g_syncs[0].second == before) << "the file was synced after the rename";
    EXPECT_EQ(g_syncs[1].first, SyncTarget::kFolder);
    EXPECT_TRUE(g_syncs[1].second == Get(c.destination)) << "the folder was synced before the rename";
  }
}

TEST_F(SyncMp3Test, InPlaceSaveKeepsTheFilesOwnerGroupAndMode) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
  Put(P("theirs.mp3"), Fixture("stereo_44k.mp3"));
  ASSERT_EQ(::chown(P("theirs.mp3").c_str(), 4321, 8765), 0);
  ASSERT_EQ(::chmod(P("theirs.mp3").c_str(), 0664), 0);
  ASSERT_EQ(SaveSyncMp3File(P("theirs.mp3"), P("theirs.mp3"), true, RawBlock(40)), kSyncMp3Saved);
  struct stat st {};
  ASSERT_EQ(::stat(P("theirs.mp3").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 4321u);
  EXPECT_EQ(st.st_gid, 8765u);
  EXPECT_EQ(st.st_mode & 07777, 0664u);
  EXPECT_EQ(Get(P("theirs.mp3")).substr(10, 4), "TXXX");
}
