// vexalo-sync tags and set-tags, checked against mutagen and mpg123 where they are installed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "common/safe_file.h"
#include "support/run_tool.h"
#include "support/temp_folder.h"
#include "tags/id3_test_bytes.h"

namespace fs = std::filesystem;
using namespace vexalo;
using namespace vexalo::test;

namespace {

bool HaveMutagen() {
  static const bool have = RunProgram("/usr/bin/python3", {"-c", "import mutagen.id3"}).status == 0;
  return have;
}

class TagsCliTest : public vexalo::test::TempFolderTest {
 protected:
  std::string Copy(const std::string& fixture) {
    fs::path p = dir / fixture;
    fs::copy_file(FixturePath(fixture), p, fs::copy_options::overwrite_existing);
    return p.string();
  }
  // Runs a Python snippet with the file's path as sys.argv[1]; returns its standard output.
  static std::string Python(const std::string& script, const std::string& path) {
    ToolResult r = RunProgram("/usr/bin/python3", {"-c", script, path});
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
  }
  static std::string Pcm(const std::string& path) {
    ToolResult r = RunProgram("mpg123", {"-q", "-s", path});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(r.out.empty());
    return r.out;
  }
  // The frames of the file's tag as mutagen reads them, one "ID=text" a line.
  static std::string MutagenFrames(const std::string& path) {
    return Python(
        "import sys, mutagen.id3\n"
        "t = mutagen.id3.ID3(sys.argv[1], translate=False)\n"
        "print('version', t.version[1])\n"
        "for k in ('TRCK','TIT2','TPE1','TALB','TYER','TDRC','TCON'):\n"
        "  if k in t: print(k + '=' + str(t[k].text[0]))\n"
        "for c in t.getall('COMM'): print('COMM=' + c.lang + '/' + c.desc + '/' + c.text[0])\n",
        path);
  }
};

TEST_F(TagsCliTest, TagsPrintsSevenFieldsInSlotOrder) {
  ToolResult r = RunSyncTool({"tags", FixturePath("tags_v23_full.mp3")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "Track: 2/9\nTitle: Old Title\nArtist: Old Artist\nAlbum: Old Album\nYear: 1987\n"
            "Genre: Metal\nComment: alter Kommentar\n");
}

TEST_F(TagsCliTest, TagsPrintsLatin1TextsAsUtf8) {
  std::string p = Put("l1.mp3", Tag(3, TextFrame(3, "TIT2", "Caf\xE9 \xC4") + TextFrame(3, "TPE1", "\xFF")) + FakeAudio());
  ToolResult r = RunSyncTool({"tags", p});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Title: Caf\xC3\xA9 \xC3\x84\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Artist: \xC3\xBF\n"), std::string::npos) << r.out;
}

TEST_F(TagsCliTest, TagsRefusesWhatTheLibraryCannotOpen) {
  ToolResult r = RunSyncTool({"tags", (dir / "missing.mp3").string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "MP3 file open Error !!!\n  " + (dir / "missing.mp3").string() + ": No such file or directory\n");
  // A tag the library reads, but no audio behind it.
  const std::string tagOnly = Put("tag-only.mp3", Tag(3, TextFrame(3, "TIT2", "x")));
  r = RunSyncTool({"tags", tagOnly});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Not MP3 File !!!\n  " + tagOnly + ": no MPEG audio frame found\n");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(RunSyncTool({"tags"}).status, 2);
  EXPECT_EQ(RunSyncTool({"tags", "a.mp3", "b.mp3"}).status, 2);
}

TEST_F(TagsCliTest, SetTagsWritesWhatMutagenReadsAndKeepsAudioAndPicture) {
  if (!HaveMutagen() || !HaveProgram("mpg123")) GTEST_SKIP() << "needs mutagen and mpg123";
  const std::string apicScript =
      "import sys, hashlib, mutagen.id3\n"
      "t = mutagen.id3.ID3(sys.argv[1])\n"
      "a = t.getall('APIC')[0]\n"
      "print(a.mime, a.type, len(a.data), hashlib.sha1(a.data).hexdigest())\n";
  for (const char* fixture : {"tags_v23_full.mp3", "tags_v24_tpe1_first.mp3", "tagged_v1.mp3", "stereo_44k.mp3"}) {
    SCOPED_TRACE(fixture);
    std::string p = Copy(fixture);
    const bool hasPicture = std::string(fixture).rfind("tags_", 0) == 0;
    const std::string pcm = Pcm(p);
    const std::string picture = hasPicture ? Python(apicScript, p) : "";
    ToolResult r = RunSyncTool({"set-tags", p, "--track", "5", "--title", "New Title", "--artist", "New Artist",
                                "--album", "New Album", "--year", "2021", "--genre", "113", "--comment", "Fine"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string frames = MutagenFrames(p);
    const bool v24 = frames.rfind("version 4", 0) == 0;
    EXPECT_NE(frames.find("TRCK=5\n"), std::string::npos) << frames;
    EXPECT_NE(frames.find("TIT2=New Title\n"), std::string::npos) << frames;
    EXPECT_NE(frames.find("TPE1=New Artist\n"), std::string::npos) << frames;
    EXPECT_NE(frames.find("TALB=New Album\n"), std::string::npos) << frames;
    EXPECT_NE(frames.find(v24 ? "TDRC=2021\n" : "TYER=2021\n"), std::string::npos) << frames;
    EXPECT_NE(frames.find("TCON=(113)Tango\n"), std::string::npos) << frames;
    EXPECT_NE(frames.find("/Fine\n"), std::string::npos) << frames;
    EXPECT_EQ(Pcm(p), pcm);
    if (hasPicture) {
      EXPECT_EQ(Python(apicScript, p), picture);
    }
    // The editor's own reading sees what was written.
    ToolResult t = RunSyncTool({"tags", p});
    // libid3tag turns "(113)" into a name only in a v2.3 tag.
    EXPECT_EQ(t.out, std::string("Track: 5\nTitle: New Title\nArtist: New Artist\nAlbum: New Album\nYear: 2021\n") +
                         (v24 ? "Genre: (113)Tango\n" : "Genre: Tango\n") + "Comment: Fine\n");
  }
}

TEST_F(TagsCliTest, SetTagsKeepsTheCommentsLanguageAndOtherFrames) {
  if (!HaveMutagen()) GTEST_SKIP() << "needs mutagen";
  std::string p = Copy("tags_v23_full.mp3");
  ASSERT_EQ(RunSyncTool({"set-tags", p, "--comment", "neu"}).status, 0);
  std::string frames = MutagenFrames(p);
  EXPECT_NE(frames.find("COMM=deu//neu\n"), std::string::npos) << frames;
  EXPECT_NE(frames.find("COMM=eng/note/described\n"), std::string::npos) << frames;
  EXPECT_NE(frames.find("TIT2=Old Title\n"), std::string::npos) << frames;
  EXPECT_NE(frames.find("TCON=(9)Metal\n"), std::string::npos) << frames;  // the file's genre, selected
  EXPECT_EQ(Python("import sys, mutagen.id3\nprint(mutagen.id3.ID3(sys.argv[1])['TXXX:mood'].text[0])\n", p),
            "calm\n");
}

TEST_F(TagsCliTest, SetTagsLeavesUnicodeFieldsItDoesNotChange) {
  if (!HaveMutagen()) GTEST_SKIP() << "needs mutagen";
  std::string p = Copy("stereo_44k.mp3");
  Python("import sys\n"
         "from mutagen.id3 import ID3, TIT2, TPE1, COMM\n"
         "t = ID3()\n"
         "t.add(TIT2(encoding=1, text='\\ud55c\\uad6d\\uc5b4 \\ub178\\ub798'))\n"
         "t.add(TPE1(encoding=3, text=['Kim', 'Lee']))\n"
         "t.add(COMM(encoding=1, lang='kor', desc='', text='\\uc88b\\uc544\\uc694'))\n"
         "t.save(sys.argv[1], v2_version=4)\n",
         p);
  ASSERT_EQ(RunSyncTool({"set-tags", p, "--year", "2020"}).status, 0);
  EXPECT_EQ(Python("import sys, mutagen.id3\n"
                   "t = mutagen.id3.ID3(sys.argv[1])\n"
                   "print(t['TIT2'].text[0] == '\\ud55c\\uad6d\\uc5b4 \\ub178\\ub798', t['TPE1'].text,\n"
                   "      t.getall('COMM')[0].text[0] == '\\uc88b\\uc544\\uc694', t['TDRC'].text[0])\n",
                   p),
            "True ['Kim', 'Lee'] True 2020\n");
}

TEST_F(TagsCliTest, SetTagsKeepsA200KilobytePictureByteForByte) {
  if (!HaveMutagen()) GTEST_SKIP() << "needs mutagen";
  std::string p = Copy("stereo_44k.mp3");
  const std::string make =
      "import sys, random\n"
      "from mutagen.id3 import ID3, APIC, TIT2\n"
      "random.seed(3)\n"
      "t = ID3()\n"
      "t.add(TIT2(encoding=0, text='Big'))\n"
      "t.add(APIC(encoding=0, mime='image/jpeg', type=3, desc='cover', data=random.randbytes(200 * 1024)))\n"
      "t.save(sys.argv[1], v2_version=3)\n";
  Python(make, p);
  const std::string before = Get(p);
  const std::size_t apicAt = before.find("APIC");
  ASSERT_NE(apicAt, std::string::npos);
  const std::size_t apicBytes = 10 + ((std::size_t{static_cast<unsigned char>(before[apicAt + 5])} << 16) |
                                      (std::size_t{static_cast<unsigned char>(before[apicAt + 6])} << 8) |
                                      static_cast<unsigned char>(before[apicAt + 7]));
  ASSERT_GT(apicBytes, 200u * 1024);
  const std::string apic = before.substr(apicAt, apicBytes);

  ASSERT_EQ(RunSyncTool({"set-tags", p, "--title", "Small"}).status, 0);
  const std::string after = Get(p);
  EXPECT_NE(after.find(apic), std::string::npos);
  EXPECT_EQ(Python("import sys, mutagen.id3\nt = mutagen.id3.ID3(sys.argv[1])\n"
                   "print(t['TIT2'].text[0], len(t.getall('APIC')[0].data))\n",
                   p),
            "Small 204800\n");
  // The audio after the tag is the same bytes.
  auto b = [&](int i) { return std::size_t{static_cast<unsigned char>(before[i])}; };
  const std::size_t oldEnd = 10 + ((b(6) << 21) | (b(7) << 14) | (b(8) << 7) | b(9));
  EXPECT_EQ(after.substr(after.size() - (before.size() - oldEnd)), before.substr(oldEnd));
}

TEST_F(TagsCliTest, SetTagsKeepsTheLeadingSyncFrame) {
  // A SyncMP3 tag: the lyrics block in a TXXX frame with flag bytes 0x20 0x00, then padding.
  std::string block = std::string("SO\x87\xD6\x12\0", 6) + std::string(2000, 'L');
  const std::string txxx = Frame(3, "TXXX", std::string(1, '\0') + block, 0x20, 0x00);
  const std::string audio = Get(FixturePath("stereo_44k.mp3"));
  std::string p = Put("sync.mp3", Tag(3, txxx, 10) + audio);
  ASSERT_EQ(RunSyncTool({"set-tags", p, "--title", "Lyrics"}).status, 0);
  const std::string after = Get(p);
  std::string cleared = txxx;
  cleared[8] = '\0';
  EXPECT_EQ(after.substr(10, cleared.size()), cleared);
  EXPECT_EQ(after.substr(after.size() - audio.size()), audio);
  ToolResult t = RunSyncTool({"tags", p});
  EXPECT_NE(t.out.find("Title: Lyrics\n"), std::string::npos);
  if (HaveMutagen()) Python("import sys, mutagen.id3\nmutagen.id3.ID3(sys.argv[1])\n", p);
}

TEST_F(TagsCliTest, SetTagsOnEmbeddedLyricsKeepsThemExtractable) {
  // Stored-form lyrics of about 20 KB: a block far beyond the writer's 10,240-byte buffers.
  std::string lyrics;
  for (int i = 0; i < 400; ++i) {
    char tag[16];
    std::snprintf(tag, sizeof tag, "%02d%02d%02d%02d", 0, i / 60, i % 60, i % 100);
    lyrics += std::string("\xA2\xE2") + tag + "\xA2\xD0\r\n";
    lyrics += "Line " + std::to_string(i) + " of the song, sung slowly and clearly\r\n";
  }
  const std::string snc = Put("words.snc", lyrics);
  for (const char* fixture : {"tags_v23_full.mp3", "stereo_44k.mp3"}) {
    SCOPED_TRACE(fixture);
    const std::string song = (dir / "sync.mp3").string();
    ToolResult e = RunSyncTool({"embed", FixturePath(fixture), snc, "-o", song, "--force"});
    ASSERT_EQ(e.status, 0) << e.err;
    ToolResult before = RunSyncTool({"extract", song});
    ASSERT_EQ(before.status, 0) << before.err;
    ASSERT_FALSE(before.out.empty());
    const std::string embedded = Get(song);

    ToolResult r = RunSyncTool({"set-tags", song, "--title", "With Words", "--genre", "8"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string after = Get(song);
    // The leading TXXX frame stays first with its body; its flag bytes become 0x00 0x00.
    EXPECT_EQ(after.substr(10, 8), embedded.substr(10, 8));
    EXPECT_EQ(after.substr(18, 2), std::string(2, '\0'));
    auto b = [&](int i) { return std::size_t{static_cast<unsigned char>(embedded[i])}; };
    const std::size_t txxxBytes = (b(14) << 24) | (b(15) << 16) | (b(16) << 8) | b(17);
    ASSERT_GT(txxxBytes, 10240u);
    EXPECT_EQ(after.substr(20, txxxBytes), embedded.substr(20, txxxBytes));

    ToolResult extracted = RunSyncTool({"extract", song});
    EXPECT_EQ(extracted.status, 0) << extracted.err;
    EXPECT_EQ(extracted.out, before.out);
    ToolResult t = RunSyncTool({"tags", song});
    EXPECT_NE(t.out.find("Title: With Words\nArtist: "), std::string::npos) << t.out;
    EXPECT_NE(t.out.find("Genre: Jazz\n"), std::string::npos) << t.out;
    if (HaveMutagen()) {
      EXPECT_EQ(Python("import sys, mutagen.id3\nprint(mutagen.id3.ID3(sys.argv[1])['TIT2'].text[0])\n", song),
                "With Words\n");
    }
    if (HaveProgram("mpg123")) {
      EXPECT_EQ(Pcm(song), Pcm(FixturePath(fixture)));
    }
  }
}

TEST_F(TagsCliTest, SetTagsWithoutGenrePicksWhatTheDialogSelects) {
  struct Case {
    const char* name;
    std::string tag;
    const char* genre;
  } cases[] = {
      {"NumberedGenre", Tag(3, TextFrame(3, "TCON", "(17)")), "(17)Rock"},
      {"GenreName", Tag(3, TextFrame(3, "TCON", "psychadelic")), "(67)Psychadelic"},
      {"NoGenre", Tag(3, TextFrame(3, "TIT2", "x")), "(123)A capella"},
      {"UnknownGenreKeepsTheStartingGenre", Tag(3, TextFrame(3, "TCON", "Zydeco")), "(0)Blues"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string p = Put("g.mp3", c.tag + FakeAudio());
    ASSERT_EQ(RunSyncTool({"set-tags", p}).status, 0);
    EXPECT_NE(Get(p).find(TextFrame(3, "TCON", c.genre)), std::string::npos);
  }
}

TEST_F(TagsCliTest, SetTagsStoresUtf8ArgumentsAsLatin1WhenTheyCanBe) {
  std::string p = Put("u.mp3", FakeAudio());
  ASSERT_EQ(RunSyncTool({"set-tags", p, "--title", "Caf\xC3\xA9"}).status, 0);
  EXPECT_NE(Get(p).find(TextFrame(3, "TIT2", "Caf\xE9")), std::string::npos);
  const std::string before = Get(p);
  ToolResult r = RunSyncTool({"set-tags", p, "--artist", "caf\xE9"});  // ISO-8859-1 bytes, not UTF-8
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--artist is not UTF-8 text"), std::string::npos) << r.err;
  EXPECT_EQ(Get(p), before);
}

TEST_F(TagsCliTest, SetTagsUsageErrorsTouchNothing) {
  const std::string bytes = Tag(3, TextFrame(3, "TIT2", "x")) + FakeAudio();
  std::string p = Put("s.mp3", bytes);
  const std::vector<std::vector<std::string>> calls = {
      {"set-tags"},
      {"set-tags", p, "--genre", "126"},
      {"set-tags", p, "--genre", "-1"},
      {"set-tags", p, "--genre", "7x"},
      {"set-tags", p, "--genre", ""},
      {"set-tags", p, "--title"},
      {"set-tags", p, "--colour", "red"},
      {"set-tags", p, p},
  };
  for (const auto& args : calls) {
    ToolResult r = RunSyncTool(args);
    EXPECT_EQ(r.status, 2) << args.size() << " " << args.back();
    EXPECT_EQ(Get(p), bytes);
  }
  EXPECT_EQ(RunSyncTool({"set-tags", p, "--genre", "125"}).status, 0);
  EXPECT_NE(Get(p).find(TextFrame(3, "TCON", "(125)Dance Hall")), std::string::npos);
}

TEST_F(TagsCliTest, SetTagsOnBadInputReportsAndLosesNothing) {
  const std::string audio = FakeAudio(3);
  std::string truncated = Tag(3, TextFrame(3, "TIT2", "x"), 100000).substr(0, 300);
  std::string v1 = "TAG" + std::string(124, 'v') + "\x11";
  struct Case {
    const char* name;
    std::string bytes;
    int status;
    std::string err;
  } cases[] = {
      {"TruncatedTag", truncated + audio, 1,
       "ID3 Tag Write Error !!!\n  the ID3v2 tag is damaged: it reaches past the file's end\n"},
      {"FrameSizeZero", Tag(3, TextFrame(3, "TIT2", "x") + Frame(3, "PRIV", "")) + audio, 1,
       "ID3 Tag Write Error !!!\n  the ID3v2 tag is damaged: a frame of size 0 at byte 22\n"},
      {"ExtendedHeader", Tag(3, std::string("\0\0\0\6\0\0\0\0\0\0", 10), 0, 0x40) + audio, 1,
       "ID3 Tag Write Error !!!\n  the ID3v2 tag has an extended header\n"},
      {"NotMp3", Get(FixturePath("not_mp3.wav.mp3")), 1, "Not MP3 File\n  BAD: neither an ID3v2 tag nor MPEG audio found\n"},
      {"EmptyFile", "", 1, "Not MP3 File\n  BAD: neither an ID3v2 tag nor MPEG audio found\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string p = Put("bad.mp3", c.bytes);
    ToolResult r = RunSyncTool({"set-tags", p, "--title", "T"});
    EXPECT_EQ(r.status, c.status);
    std::string err = c.err;
    if (auto at = err.find("BAD"); at != std::string::npos) err.replace(at, 3, p);
    EXPECT_EQ(r.err, err);
    EXPECT_EQ(Get(p), c.bytes);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  }

  ToolResult missing = RunSyncTool({"set-tags", (dir / "none.mp3").string(), "--title", "T"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "MP3 file open Error !!!\n  " + (dir / "none.mp3").string() + ": No such file or directory\n");
  EXPECT_FALSE(fs::exists(dir / "none.mp3"));
}

TEST_F(TagsCliTest, SetTagsRefusesReadOnlyFileEvenForRoot) {
  const std::string bytes = Tag(3, TextFrame(3, "TIT2", "x")) + FakeAudio();
  std::string p = Put("ro.mp3", bytes);
  ::chmod(p.c_str(), 0444);
  ToolResult r = RunSyncTool({"set-tags", p, "--title", "T"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "MP3 file Read-Only Error !!!\n  '" + p + "' is read-only\n");
  EXPECT_EQ(Get(p), bytes);
  struct stat st {};
  ASSERT_EQ(::stat(p.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0444u);
}

TEST_F(TagsCliTest, SetTagsOnUntaggedAndId3v1OnlyFiles) {
  const std::string audio = FakeAudio(3);
  const std::string v1 = "TAG" + std::string("V1 Title") + std::string(22, '\0') + std::string(94, '\0') + "\x11";
  ASSERT_EQ(v1.size(), 128u);
  std::string p = Put("v1.mp3", audio + v1);
  ASSERT_EQ(RunSyncTool({"set-tags", p, "--artist", "A"}).status, 0);
  const std::string after = Get(p);
  // The new tag in front holds the ID3v1 title it was read with; the old bytes follow whole.
  EXPECT_EQ(after.substr(after.size() - audio.size() - v1.size()), audio + v1);
  EXPECT_NE(after.find(TextFrame(3, "TIT2", "V1 Title")), std::string::npos);
  EXPECT_NE(after.find(TextFrame(3, "TPE1", "A")), std::string::npos);
  EXPECT_NE(after.find(TextFrame(3, "TCON", "(17)Rock")), std::string::npos);
  EXPECT_EQ(after.compare(0, 4, std::string("ID3\3", 4)), 0);
}

TEST_F(TagsCliTest, SetTagsHandlesA2MegabyteTag) {
  std::mt19937 rng(11);
  std::string body(2 * 1024 * 1024, '\0');
  for (auto& c : body) c = static_cast<char>(rng());
  const std::string priv = Frame(3, "PRIV", "big" + std::string(1, '\0') + body);
  const std::string audio = FakeAudio(3);
  std::string p = Put("huge.mp3", Tag(3, TextFrame(3, "TIT2", "x") + priv, 1000) + audio);
  ToolResult r = RunSyncTool({"set-tags", p, "--title", "Huge"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string after = Get(p);
  EXPECT_EQ(after.substr(10 + TextFrame(3, "TIT2", "Huge").size(), priv.size()), priv);
  EXPECT_EQ(after.substr(after.size() - audio.size()), audio);
}

}  // namespace
