#include "syncmp3/syncmp3_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include <zlib.h>

#include "common/safe_file.h"
#include "support/run_tool.h"
#include "sync/sync_table.h"
#include "sync/sync_text.h"
#include "syncmp3/id3v24_frames.h"
#include "tags/id3_test_bytes.h"
#include "tags/tag_fields.h"

namespace fs = std::filesystem;
using namespace vexalo;
using namespace std::string_literals;

namespace {

// The data of a compressed v2.3 frame: the inflated length, then the zlib stream.
std::string CompressedFrameData(const std::string& text) {
  uLongf size = compressBound(text.size());
  std::string packed(size, '\0');
  compress2(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(text.data()), text.size(), 9);
  packed.resize(size);
  const auto n = static_cast<std::uint32_t>(text.size());
  return std::string{static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8), static_cast<char>(n)} + packed;
}

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

// More groups: a block of 128 bytes or more, whose size reads differently as a syncsafe number.
const std::string kLongerLyrics = "\xA2\xE2" "00020000\xA2\xD0\r\nthird line of the song\r\n"
                                  "\xA2\xE2" "00030000\xA2\xD0\r\nfourth line of the song\r\n"
                                  "\xA2\xE2" "00040000\xA2\xD0\r\nfifth line of the song\r\n";

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
    // The v2.4 fixture's frames are small, so their sizes read the same as v2.3 sizes: only the
    // version byte tells the two tags apart.
    const std::string header = src[3] == 4 ? std::string("ID3\x03\x00\x00", 6) : src.substr(0, 6);
    EXPECT_TRUE(out == header + Syncsafe(s + frame.size()) + frame + src.substr(10)) << name;
  }
}

TEST_F(SyncMp3Test, SavingAgainReplacesTheLeadingTxxxFrame) {
  Put(P("in.mp3"), Fixture("tagged_v23.mp3"));
  ASSERT_EQ(SaveSyncMp3File(P("in.mp3"), P("once.mp3"), false, RawBlock(300)), kSyncMp3Saved);
  const std::string once = Get(P("once.mp3"));
  const Block second = LyricsBlock(kLyrics);
  ASSERT_EQ(SaveSyncMp3File(P("once.mp3"), P("twice.mp3"), false, second), kSyncMp3Saved);
  const std::string twice = Get(P("twice.mp3"));
  const std::size_t k = 300 + 11;
  const std::string frame = TxxxFrame(second);
  EXPECT_EQ(twice.size(), once.size() - k + frame.size());
  const std::string src = Fixture("tagged_v23.mp3");
  const std::uint32_t s = (src[6] << 21) | (src[7] << 14) | (src[8] << 7) | src[9];
  EXPECT_TRUE(twice == src.substr(0, 6) + Syncsafe(s + frame.size()) + frame + src.substr(10));
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
  EXPECT_EQ(Get(P("out.mp3")), std::string("ID3\x03\x00\x00", 6) + Syncsafe(TxxxFrame(block).size() + rest.size()) +
                                   TxxxFrame(block) + rest + audio);
}

TEST_F(SyncMp3Test, LargeTagSizeIsWrittenSyncsafe) {
  // A tag of 2^21 bytes; only the size bytes are checked.
  const std::string src = test::Tag(3, test::Frame(3, "PRIV", std::string((1u << 21) - 10, 'x')));
  Put(P("in.mp3"), src + "audio");
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

  // A frame that holds more than the buffer is cut at the buffer's end.
  Put(P("c.mp3"), std::string(10, '\0') + "TXXX" + Be32(40001) + std::string(3, '\0') + std::string(40000, 'k'));
  ASSERT_EQ(ReadSyncMp3Block(P("c.mp3"), b, &found), 1);
  EXPECT_EQ(b[kSyncBlockBytes - 1], 'k');

  // A frame the file cuts short is refused, the buffer cleared: nothing stands in for the bytes
  // that are missing.
  for (std::uint32_t size : {51u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(size);
    Put(P("d.mp3"), std::string(10, '\0') + "TXXX" + Be32(size) + std::string(3, '\0') + std::string(49, 'k'));
    b.fill(0x77);
    found = true;
    EXPECT_EQ(ReadSyncMp3Block(P("d.mp3"), b, &found), -1);
    EXPECT_FALSE(found);
    EXPECT_TRUE(std::all_of(b.begin(), b.end(), [](unsigned char c) { return c == 0; }));
  }

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

namespace {

// A small ID3v2.4 tag as other programs write it, and the ID3v2.3 frames it must become.
struct V24Source {
  std::string tag;       // header, frames and padding
  std::string frames23;  // the same frames as ID3v2.3 frames, in order
  std::size_t padding;
};

// `compressed` adds a compressed frame, which ffprobe does not decompress in a v2.3 tag.
V24Source SmallV24Tag(bool compressed = true) {
  using test::Frame;
  const std::string latin = std::string(1, '\0');
  const std::string utf8 = std::string(1, '\3');
  const std::string bom = "\xFF\xFE";
  auto u16 = [&](const std::string& ascii) {
    std::string s = bom;
    for (char c : ascii) s += std::string{c, '\0'};
    return s;
  };
  const std::string z16(2, '\0');
  const std::string subtitle(200, 's');  // a frame whose size is 128 or more reads differently as syncsafe
  std::string v24, v23;
  auto both = [&](const std::string& f24, const std::string& f23) {
    v24 += f24;
    v23 += f23;
  };
  // UTF-8 texts become UTF-16 with a byte order mark: "Café ü" (é, ü as two bytes each).
  both(Frame(4, "TIT2", utf8 + "Caf\xC3\xA9 \xC3\xBC"),
       Frame(3, "TIT2", std::string(1, '\1') + bom + "C\0a\0f\0\xE9\0 \0\xFC\0"s));
  both(Frame(4, "TPE1", latin + "Band"), Frame(3, "TPE1", latin + "Band"));
  both(Frame(4, "TDRC", latin + "2001-05"), Frame(3, "TDRC", latin + "2001-05"));
  // Several strings of a v2.4 text frame stay several strings, each with its own mark.
  both(Frame(4, "TPE2", utf8 + "One" + "\0"s + "Two"), Frame(3, "TPE2", "\1"s + u16("One") + z16 + u16("Two")));
  // UTF-16 without a mark (big-endian) is v2.4's own as well.
  both(Frame(4, "TALB", "\2"s + "\0A\0l\0b"s), Frame(3, "TALB", "\1"s + u16("Alb")));
  both(Frame(4, "COMM", utf8 + "eng" + "\0"s + "Gr\xC3\xB6\xC3\x9F" "e"),
       Frame(3, "COMM", "\1eng"s + u16("") + z16 + bom + "G\0r\0\xF6\0\xDF\0" "e\0"s));
  both(Frame(4, "TXXX", utf8 + "mood" + "\0"s + "calm"), Frame(3, "TXXX", "\1"s + u16("mood") + z16 + u16("calm")));
  both(Frame(4, "TIT3", latin + subtitle), Frame(3, "TIT3", latin + subtitle));
  // Status flags move one bit up; the data length indicator goes; unsynchronisation is undone.
  both(Frame(4, "PRIV", "owner\0data"s, 0x60, 0x00), Frame(3, "PRIV", "owner\0data"s, 0xC0, 0x00));
  both(Frame(4, "PRIV", "\0\0\0\x05" "abcde"s, 0x00, 0x01), Frame(3, "PRIV", "abcde"));
  both(Frame(4, "PRIV", "x\xFF\0\xE0y"s, 0x00, 0x02), Frame(3, "PRIV", "x\xFF\xE0y"s));
  // The group byte stays first; a compressed frame keeps its length, now a plain number, in front
  // ("private data" compressed).
  both(Frame(4, "TXXX", "\x07\3d\0v"s, 0x00, 0x40), Frame(3, "TXXX", "\x07\1"s + u16("d") + z16 + u16("v"), 0x00, 0x20));
  const std::string zlib = "\x78\x9C\x2B\x28\xCA\x2C\x4B\x2C\x49\x55\x48\x49\x2C\x49\x04\x00\x1F\xA0\x04\xB6"s;
  if (compressed)
    both(Frame(4, "PRIV", "\0\0\0\x0C"s + zlib, 0x00, 0x09), Frame(3, "PRIV", "\0\0\0\x0C"s + zlib, 0x00, 0x80));
  const std::size_t padding = 20;
  return {test::Tag(4, v24, padding), v23, padding};
}

}  // namespace

TEST_F(SyncMp3Test, Id3v24SourceBecomesAnId3v23TagWithConvertedFrames) {
  const V24Source src = SmallV24Tag();
  const std::string audio = Fixture("stereo_44k.mp3");
  Put(P("in.mp3"), src.tag + audio);
  const Block block = LyricsBlock(kLyrics + kLongerLyrics);
  ASSERT_GE(BlockBytes(block).size(), 128u);
  ASSERT_EQ(SaveSyncMp3File(P("in.mp3"), P("out.mp3"), false, block), kSyncMp3Saved);
  const std::string frames = TxxxFrame(block) + src.frames23 + std::string(src.padding, '\0');
  EXPECT_TRUE(Get(P("out.mp3")) == std::string("ID3\x03\x00\x00", 6) + Syncsafe(frames.size()) + frames + audio);

  // Our own tag reader now sees every field and the lyrics' sign.
  TagFields fields;
  std::array<unsigned char, 64> sign{};
  ASSERT_EQ(ReadTagFields(P("out.mp3"), fields, sign), 1);
  EXPECT_EQ(fields.Text(kTagTitle), "Caf\xC3\xA9 \xC3\xBC");
  EXPECT_EQ(fields.Text(kTagArtist), "Band");
  EXPECT_EQ(fields.Text(kTagAlbum), "Alb");
  EXPECT_EQ(fields.Text(kTagYear), "2001-05");
  EXPECT_EQ(fields.Text(kTagComment), "Gr\xC3\xB6\xC3\x9F" "e");
  EXPECT_EQ(sign[0], 'S');
}

TEST_F(SyncMp3Test, EmbeddingAgainAndAgainGivesTheSameBytes) {
  const std::string audio = Fixture("stereo_44k.mp3");
  for (const std::string& source : {SmallV24Tag().tag + audio, Fixture("tagged_v24.mp3"),
                                    Fixture("tags_v24_tpe1_first.mp3")}) {
    Put(P("in.mp3"), source);
    for (std::uint32_t length : {40u, 200u, 300u, 2000u}) {
      SCOPED_TRACE(length);
      const Block block = RawBlock(length);
      ASSERT_EQ(SaveSyncMp3File(P("in.mp3"), P("once.mp3"), false, block), kSyncMp3Saved);
      const std::string once = Get(P("once.mp3"));
      Put(P("again.mp3"), once);
      for (int round = 0; round < 3; ++round)
        ASSERT_EQ(SaveSyncMp3File(P("again.mp3"), P("again.mp3"), true, block), kSyncMp3Saved);
      EXPECT_TRUE(Get(P("again.mp3")) == once);

      // A file an earlier version wrote: the v2.4 header kept, the lyrics frame's size plain.
      const std::uint32_t s = (source[6] << 21) | (source[7] << 14) | (source[8] << 7) | source[9];
      const std::string frame = TxxxFrame(block);
      Put(P("older.mp3"), source.substr(0, 6) + Syncsafe(s + frame.size()) + frame + source.substr(10));
      ASSERT_EQ(SaveSyncMp3File(P("older.mp3"), P("older.mp3"), true, block), kSyncMp3Saved);
      EXPECT_TRUE(Get(P("older.mp3")) == once);
    }
  }
}

TEST_F(SyncMp3Test, OtherReadersSeeEveryFieldOfAnId3v24Source) {
  const bool mutagen = FileExists("/usr/bin/python3") &&
                       test::RunProgram("/usr/bin/python3", {"-c", "import mutagen.id3"}).status == 0;
  const bool ffprobe = test::HaveProgram("ffprobe");
  if (!mutagen && !ffprobe) GTEST_SKIP() << "neither mutagen nor ffprobe installed";
  // Each reader's view of a file's tag, the lyrics frame left out.
  const char* mutagenFields =
      "import sys, mutagen.id3\n"
      "t = mutagen.id3.ID3(sys.argv[1])\n"
      "for f in sorted(t.values(), key=lambda f: f.HashKey):\n"
      "    if f.HashKey.startswith('TXXX:SO'): continue\n"
      "    print(f.HashKey, repr(f._pprint() if hasattr(f, '_pprint') else f))\n";
  auto peers = [&](const std::string& path) {
    std::string view;
    if (mutagen) {
      auto r = test::RunProgram("/usr/bin/python3", {"-c", mutagenFields, path});
      EXPECT_EQ(r.status, 0) << r.err;
      view += r.out;
    }
    if (ffprobe) {
      auto r = test::RunProgram("ffprobe", {"-v", "error", "-show_entries", "format_tags", "-of", "flat", path});
      EXPECT_EQ(r.status, 0) << r.err;
      std::string kept;
      std::size_t from = 0;
      for (std::size_t end; (end = r.out.find('\n', from)) != std::string::npos; from = end + 1) {
        const std::string line = r.out.substr(from, end - from);
        if (line.find("format.tags.SO") == std::string::npos) kept += line + "\n";
      }
      view += kept;
    }
    return view;
  };
  const std::string audio = Fixture("stereo_44k.mp3");
  Put(P("small.mp3"), SmallV24Tag(false).tag + audio);
  for (const std::string& source : {P("small.mp3"), test::FixturePath("tagged_v24.mp3"),
                                    test::FixturePath("tags_v24_tpe1_first.mp3")}) {
    SCOPED_TRACE(source);
    ASSERT_EQ(SaveSyncMp3File(source, P("out.mp3"), false, LyricsBlock(kLyrics)), kSyncMp3Saved);
    const std::string before = peers(source);
    EXPECT_NE(before.find("TPE1"), std::string::npos) << before;
    EXPECT_EQ(peers(P("out.mp3")), before);
  }
}

TEST_F(SyncMp3Test, Id3v24TagsFlagsAndRefusals) {
  using test::Frame;
  const std::string audio(300, '\x44');
  const std::string tit2v4 = Frame(4, "TIT2", "\0Song"s), tit2v3 = Frame(3, "TIT2", "\0Song"s);
  const Block block = LyricsBlock(kLyrics);
  const std::string txxx = TxxxFrame(block);
  struct Case {
    const char* name;
    std::string source;
    std::string expect;  // empty: refused, nothing written
  } cases[] = {
      {"footer left out", test::Tag(4, tit2v4, 0, 0x10) + "3DI\x04\x00\x10"s + test::Syncsafe(tit2v4.size()) + audio,
       "ID3\x03\x00\x00"s + Syncsafe(txxx.size() + tit2v3.size()) + txxx + tit2v3 + audio},
      {"experimental flag kept", test::Tag(4, tit2v4, 0, 0x20) + audio,
       "ID3\x03\x00\x20"s + Syncsafe(txxx.size() + tit2v3.size()) + txxx + tit2v3 + audio},
      {"compressed without its length", test::Tag(4, Frame(4, "PRIV", "zz", 0, 0x08)) + audio, ""},
      {"frame past the tag", test::Tag(4, Frame(4, "TIT2", "\0Song"s).substr(0, 12)) + audio, ""},
      {"tag past the file", test::Tag(4, tit2v4, 500).substr(0, 100), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Put(P("in.mp3"), c.source);
    std::string why;
    const int result = SaveSyncMp3File(P("in.mp3"), P("in.mp3"), true, block, &why);
    if (c.expect.empty()) {
      EXPECT_EQ(result, kSyncMp3OpenError);
      EXPECT_NE(why.find("ID3v2"), std::string::npos) << why;
      EXPECT_TRUE(Get(P("in.mp3")) == c.source);
    } else {
      EXPECT_EQ(result, kSyncMp3Saved) << why;
      EXPECT_TRUE(Get(P("in.mp3")) == c.expect);
    }
    EXPECT_EQ(Entries(), 1);
  }
}

// A frame the tag reader (libid3tag) trips over makes it drop the whole tag, and MP3 open would
// then find no lyrics: such frames are left out, as are bytes after the last frame that are
// neither a frame nor padding, and a header the reader refuses is written as it accepts it.
TEST_F(SyncMp3Test, FramesTheTagReaderCannotTakeAreLeftOut) {
  using test::Frame;
  const std::string audio = test::FakeAudio();
  const std::string song3 = Frame(3, "TIT2", "\0Song"s), song4 = Frame(4, "TIT2", "\0Song"s);
  // An encrypted frame stays as it is: no reader looks into it.
  const std::string secret4 = Frame(4, "TDRC", "\x80" "0123456789"s, 0x00, 0x04);
  const std::string secret3 = Frame(3, "TDRC", "\x80" "0123456789"s, 0x00, 0x40);
  const std::string odd3 = Frame(3, "TPE1", "\x05xx"s, 0x55, 0x55);
  const std::string packed3 = Frame(3, "TXXX", CompressedFrameData("\0note\0"s + std::string(100000, 'a')), 0x00, 0x80);  // flags v2.3 does not define: kept whole
  struct Case {
    const char* name;
    std::string tag;      // the source's tag
    std::string carried;  // what follows the lyrics frame in the new tag
  } cases[] = {
      {"v2.4 frame with a format flag v2.4 does not define",
       "ID3\x04\x00\x00"s + test::Syncsafe(122) + "TIT2\0\0\0\x08\x03\xC3" "T\0\0\xADtulo"s + secret4 +
           std::string(122 - 18 - secret4.size(), '\0'),
       secret3 + std::string(122 - 18 - secret4.size(), '\0')},
      {"v2.4 grouped frame whose text has no encoding",
       test::Tag(4, song4 + Frame(4, "TPE1", "\x07\x09" "Band"s, 0x00, 0x40)), song3},
      {"v2.3 frame with a bad text encoding", test::Tag(3, song3 + Frame(3, "TPE1", "\x05xx"s, 0x55, 0x00)), song3},
      {"v2.3 grouped frame without its group byte", test::Tag(3, song3 + Frame(3, "TPE1", "", 0x55, 0x20)), song3},
      {"v2.3 grouped frame whose text has no encoding",
       test::Tag(3, song3 + Frame(3, "TPE1", "\x00Band"s, 0x55, 0x20)), song3},
      {"v2.3 frame with undefined format flags", test::Tag(3, song3 + odd3), song3 + odd3},
      {"bytes after the last frame", test::Tag(3, song3 + "\x01junk after it"s), song3},
      {"v2.3 header of revision 255", "ID3\x03\xFF\x00"s + test::Syncsafe(song3.size()) + song3, song3},
      {"v2.3 compressed frame declaring more than its data can inflate to (2.7 GB from one byte)",
       test::Tag(3, song3 + Frame(3, "TYER", "\xA0\xA0\xA0\xA0\x01"s, 0x00, 0xA0)), song3},
      {"v2.3 compressed frame inflating 1000 times", test::Tag(3, song3 + packed3), song3 + packed3},
      {"SEEK frame, whose offset the new tag would move", test::Tag(4, song4 + Frame(4, "SEEK", "\0\0\0\x10"s)), song3},
  };
  const Block block = LyricsBlock(kLyrics + kLongerLyrics);
  const std::string txxx = TxxxFrame(block);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Put(P("in.mp3"), c.tag + audio);
    std::string why;
    ASSERT_EQ(SaveSyncMp3File(P("in.mp3"), P("out.mp3"), false, block, &why), kSyncMp3Saved) << why;
    const std::string out = Get(P("out.mp3"));
    const std::string head = "ID3\x03\x00\x00"s + Syncsafe(txxx.size() + c.carried.size()) + txxx;
    ASSERT_GE(out.size(), head.size() + audio.size());
    EXPECT_TRUE(out.compare(0, head.size(), head) == 0);
    EXPECT_EQ(test::Hex(out.substr(head.size(), out.size() - head.size() - audio.size())), test::Hex(c.carried));
    TagFields fields;
    std::array<unsigned char, 64> sign{};
    ASSERT_EQ(ReadTagFields(P("out.mp3"), fields, sign), 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(sign.data()), 5), "SO\x87\xD6\x12"s);
    if (c.carried.find("Song") != std::string::npos) {
      EXPECT_EQ(fields.Text(kTagTitle), "Song");
    }
    ASSERT_EQ(SaveSyncMp3File(P("out.mp3"), P("out.mp3"), true, block, &why), kSyncMp3Saved) << why;
    EXPECT_TRUE(Get(P("out.mp3")) == out);
  }
}

// v2.4 texts the tag reader decodes leniently (it skips what it cannot decode) read the same once
// converted: nothing it skipped comes back as a stand-in character.
TEST_F(SyncMp3Test, Id3v24TextsReadAsTheTagReaderShowedThem) {
  const std::string audio = test::FakeAudio();
  struct Case {
    const char* name;
    std::string body;  // of a v2.4 TIT2 frame
    std::string shown;
  } cases[] = {
      {"UTF-8 sequence cut short", "\3a\xC3(b"s, "a(b"},
      {"UTF-8 sequence longer than it needs", "\3\xC0\x80z"s, "z"},
      // What no UTF-8 slot or UTF-16 frame can hold stands as U+FFFD, once on either side.
      {"UTF-8 surrogate", "\3x\xED\xA0\x80y"s, "x\xEF\xBF\xBDy"},
      {"UTF-8 past U+10FFFF", "\3x\xF4\x90\x80\x80y"s, "x\xEF\xBF\xBDy"},
      {"UTF-16 lone surrogate", "\2\0a\xD8\x00\0b"s, "ab"},
      {"UTF-16 of odd length", "\2\0a\0b\x01"s, "ab"},
  };
  const Block block = LyricsBlock(kLyrics);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Put(P("in.mp3"), test::Tag(4, test::Frame(4, "TIT2", c.body)) + audio);
    ASSERT_EQ(SaveSyncMp3File(P("in.mp3"), P("out.mp3"), false, block), kSyncMp3Saved);
    TagFields before, after;
    std::array<unsigned char, 64> sign{};
    ASSERT_EQ(ReadTagFields(P("in.mp3"), before, sign), 1);
    ASSERT_EQ(ReadTagFields(P("out.mp3"), after, sign), 1);
    EXPECT_EQ(test::Hex(before.Text(kTagTitle)), test::Hex(c.shown));
    EXPECT_EQ(test::Hex(after.Text(kTagTitle)), test::Hex(c.shown));
  }
}

TEST(Id3v23FrameData, TextOfEachFrameKindBecomesUtf16WithAMark) {
  const std::string bom = "\xFF\xFE"s, z = "\0\0"s;
  struct Case {
    const char* id;
    std::string data, expect;
  } cases[] = {
      {"TIT2", "\0plain"s, "\0plain"s},                       // ISO-8859-1 stays
      {"TIT2", "\1\xFF\xFEh\0"s, "\1\xFF\xFEh\0"s},           // so does UTF-16 with its mark
      {"TIT2", "\3\xF0\x9F\x8E\xB5"s, "\1"s + bom + "\x3C\xD8\xB5\xDF"s},  // beyond 16 bits: a pair
      {"TIT2", "\2\xD8\x3C\xDF\xB5"s, "\1"s + bom + "\x3C\xD8\xB5\xDF"s},
      {"TIT2", "\3a\xC3"s, "\1"s + bom + "a\0"s},               // a cut sequence goes, as the reader drops it
      {"TIT2", "\2\0a\0\0\x01"s, "\1"s + bom + "a\0"s + z},       // so does an odd byte after UTF-16 texts
      {"TIT2", "\2\x01"s, "\1"s + bom},                         // or in place of them: one empty text
      {"TIT2", "\3"s, "\1"s},
      {"WXXX", "\3d\0http://x"s, "\1"s + bom + "d\0"s + z + "http://x"},
      {"USLT", "\3kord\0w"s, "\1kor"s + bom + "d\0"s + z + bom + "w\0"s},
      {"APIC", "\3image/png\0\3d\0\x89PNG"s, "\1image/png\0\3"s + bom + "d\0"s + z + "\x89PNG"},
      {"SYLT", "\3eng\2\1d\0a\0\0\0\0\x10"s, "\1eng\2\1"s + bom + "d\0"s + z + bom + "a\0"s + z + "\0\0\0\x10"s},
      {"PRIV", "\3owner\0"s, "\3owner\0"s},                   // not text: as it is
      {"COMM", "\3en"s, "\3en"s},                             // cut short: as it is
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(Id3v23FrameData(c.id, c.data), c.expect);
  }
}
