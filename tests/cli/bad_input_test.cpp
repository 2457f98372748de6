// Every vexalo-sync command against bad inputs and outputs: each ends at once with exit 1 and a
// message that says what and why, and leaves every file as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "common/safe_file.h"
#include "support/run_tool.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using vexalo::test::FixturePath;
using vexalo::test::ToolResult;

namespace {

const std::string kLyrics = "\xA2\xE2" "00010570\xA2\xD0\r\nABCDEFGHIJKLMNOPQRST\r\n"
                            "\xA2\xE2" "00011000\xA2\xD0\r\nline two\r\n";

// Runs the tool under timeout(1): a command that hangs is killed and fails the case instead of
// blocking the suite.
ToolResult RunBounded(const std::vector<std::string>& args) {
  std::vector<std::string> all = {"-s", "KILL", "60", vexalo::test::SyncToolPath()};
  all.insert(all.end(), args.begin(), args.end());
  return vexalo::test::RunProgram("timeout", all);
}

std::string Joined(const std::vector<std::string>& args) {
  std::string s;
  for (const auto& a : args) s += (a.size() > 60 ? a.substr(0, 60) + "..." : a) + " ";
  return s;
}

struct Unreadable {
  std::string path;
  std::string why;
};

class BadInput : public vexalo::test::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    song = Put("song.mp3", Get(FixturePath("stereo_44k.mp3")));
    lyrics = Put("lyrics.snc", kLyrics);
    ASSERT_EQ(RunBounded({"embed", song, lyrics, "-o", P("synced.mp3")}).status, 0);
    synced = P("synced.mp3");

    std::mt19937 rng(20240611);
    std::string noise(5000, '\0');
    for (char& c : noise) c = static_cast<char>(rng());
    noise[0] = 'x';  // neither "ID3" nor a long tag
    Put("random.bin", noise);
    Put("empty.bin", "");
    Put("tag-cut.mp3", Get(FixturePath("tagged_v23.mp3")).substr(0, 20));
    Put("frame-cut.mp3", Get(synced).substr(0, 60));  // inside the leading TXXX frame
    fs::resize_file(Put("sparse.bin", ""), 1ull << 30);
    fs::create_directory(dir / "folder");
    ASSERT_EQ(::mkfifo(P("fifo").c_str(), 0600), 0);
    fs::create_symlink(P("fifo"), dir / "link-to-fifo");
    fs::create_symlink(P("gone"), dir / "dangling");
    // A device node of our own to write at: the system's /dev/full must never be at risk.
    // Without the right to make one, an unprivileged user cannot replace /dev/full anyway.
    if (::mknod(P("full").c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0)
      device = P("full");
    else if (::geteuid() != 0)
      device = "/dev/full";
  }
  // Every entry of the folder: its kind and, for files, size, change time and content.
  std::map<std::string, std::string> Snapshot() const {
    std::map<std::string, std::string> m;
    for (const auto& e : fs::directory_iterator(dir)) {
      struct stat st {};
      ::lstat(e.path().c_str(), &st);
      std::string v = std::to_string(st.st_mode) + "/" + std::to_string(st.st_size) + "/" +
                      std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
      if (S_ISREG(st.st_mode) && st.st_size < (1 << 20)) v += "/" + Get(e.path().string());
      m[e.path().filename().string()] = v;
    }
    if (!device.empty() && device.rfind(dir.string(), 0) != 0) {
      struct stat st {};
      ::lstat(device.c_str(), &st);
      m[device] = std::to_string(st.st_mode) + "/" + std::to_string(st.st_rdev);
    }
    return m;
  }
  // Runs one case and checks exit 1, the message, and that nothing changed.
  void Expect(const std::vector<std::string>& args, const std::string& message) {
    const auto before = Snapshot();
    const ToolResult r = RunBounded(args);
    EXPECT_EQ(r.status, 1) << Joined(args) << "\n" << r.err;
    EXPECT_NE(r.err.find(message), std::string::npos) << Joined(args) << "\nwanted: " << message << "\ngot: " << r.err;
    EXPECT_EQ(Snapshot(), before) << Joined(args);
  }

  // Inputs that are not regular files, or not there: the same reason from every command.
  std::vector<Unreadable> UnreadableInputs() const {
    return {
        {P("missing.mp3"), "No such file or directory"},
        {P(std::string(300, 'n')), "File name too long"},
        {P("odd \n\xFF name.mp3"), "No such file or directory"},
        {P("folder"), "Is a directory"},
        {P("fifo"), "Is a FIFO, not a regular file"},
        {P("link-to-fifo"), "Is a FIFO, not a regular file"},
        {P("dangling"), "No such file or directory"},
        {"/dev/zero", "Is a device, not a regular file"},
    };
  }

  // The commands that read an MP3 file, with X where it goes.
  std::vector<std::vector<std::string>> Mp3Commands() const {
    return {
        {"tags", "X"},
        {"set-tags", "X", "--title", "T"},
        {"decode", "X"},
        {"play", "X"},
        {"extract", "X", "-o", P("out.snc")},
        {"panel", "X", "--at", "0:01.700"},
        {"embed", "X", lyrics, "-o", P("out.mp3")},
    };
  }

  std::string song, lyrics, synced, device;
};

std::vector<std::string> With(std::vector<std::string> command, const std::string& x) {
  for (auto& a : command)
    if (a == "X") a = x;
  return command;
}

}  // namespace

TEST_F(BadInput, UnreadableMp3InputsAreNamedAsSuch) {
  for (const auto& command : Mp3Commands())
    for (const auto& input : UnreadableInputs()) Expect(With(command, input.path), input.why);
}

TEST_F(BadInput, UnreadableLyricsInputsAreNamedAsSuch) {
  for (const auto& input : UnreadableInputs()) {
    Expect({"block", input.path, "-o", P("out.bin")}, input.why);
    Expect({"embed", song, input.path, "-o", P("out.mp3")}, input.why);
  }
}

TEST_F(BadInput, FilesWithoutMp3AudioAreRefused) {
  // Per command, the message for a file that holds no MPEG audio (or no lyrics, for the two
  // commands that look for those).
  const std::map<std::string, std::string> notMp3 = {
      {"tags", "Not MP3 File !!!"},   {"set-tags", "Not MP3 File"},  {"decode", "Not MP3 File !!!"},
      {"play", "Not MP3 File !!!"},   {"embed", "Not MP3 File !!!"}, {"extract", "no embedded lyrics"},
      {"panel", "no lyrics block"},
  };
  for (const char* name : {"random.bin", "empty.bin", "sparse.bin", "tag-cut.mp3"}) {
    for (const auto& command : Mp3Commands()) {
      std::string message = notMp3.at(command[0]);
      // A cut tag still begins with "ID3": the tag writer meets its end and says so.
      if (command[0] == "set-tags" && std::string(name) == "tag-cut.mp3") message = "ID3 Tag Write Error !!!";
      Expect(With(command, P(name)), message);
    }
  }
}

TEST_F(BadInput, ALeadingFrameCutShortIsNotTakenForLyrics) {
  Expect({"extract", P("frame-cut.mp3")}, "runs past the end of the file");
  Expect({"panel", P("frame-cut.mp3"), "--at", "0:01.700"}, "runs past the end of the file");
  const std::string block = P("block.bin");
  ASSERT_EQ(RunBounded({"block", lyrics, "-o", block}).status, 0);
  Put("block-cut.bin", Get(block).substr(0, 40));
  Expect({"panel", P("block-cut.bin"), "--at", "0:01.700"}, "runs past the end of the file");
}

TEST_F(BadInput, BadLyricsFilesAreRefused) {
  Expect({"block", P("random.bin"), "-o", P("out.bin")}, "Text Data Error 000 !!!");
  Expect({"embed", song, P("random.bin"), "-o", P("out.mp3")}, "Text Data Error 000 !!!");
  Expect({"block", P("sparse.bin"), "-o", P("out.bin")}, "File size Over");
  Expect({"embed", song, P("sparse.bin"), "-o", P("out.mp3")}, "File size Over");
}

TEST_F(BadInput, OutputsThatAreNotRegularFilesAreRefusedAndKept) {
  std::vector<Unreadable> outputs = {
      {P("folder"), "Is a directory"},
      {P("fifo"), "Is a FIFO, not a regular file"},
      {P("link-to-fifo"), "Is a FIFO, not a regular file"},
      {P("dangling"), "Is a symbolic link to a missing file"},
      {P(std::string(300, 'o')), "File name too long"},
      {P("no-folder/out"), "No such file or directory"},
  };
  if (!device.empty()) outputs.push_back({device, "Is a device, not a regular file"});
  for (const auto& out : outputs) {
    Expect({"block", lyrics, "-o", out.path}, out.why);
    Expect({"extract", synced, "-o", out.path}, out.why);
    Expect({"decode", song, "-o", out.path}, out.why);
    Expect({"embed", song, lyrics, "-o", out.path, "--force"}, out.why);
  }
  struct stat st {};
  ASSERT_EQ(::lstat(P("fifo").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  if (!device.empty()) {
    ASSERT_EQ(::lstat(device.c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
  }
}

TEST_F(BadInput, AnOutputLinkToARegularFileIsWrittenThrough) {
  const std::string target = Put("target.bin", "old");
  fs::create_symlink(target, dir / "link.bin");
  ASSERT_EQ(RunBounded({"block", lyrics, "-o", P("link.bin")}).status, 0);
  EXPECT_TRUE(fs::is_symlink(dir / "link.bin"));
  const std::string block = Get(target);
  EXPECT_EQ(block.substr(0, 2), "SO");

  ASSERT_EQ(RunBounded({"extract", synced, "-o", P("link.bin")}).status, 0);
  EXPECT_TRUE(fs::is_symlink(dir / "link.bin"));
  EXPECT_EQ(Get(target).substr(0, 2), "\xA2\xE2");

  const std::string copy = Put("copy.mp3", Get(song));
  fs::create_symlink(copy, dir / "song-link.mp3");
  ASSERT_EQ(RunBounded({"embed", P("song-link.mp3"), lyrics, "-o", P("song-link.mp3"), "--force"}).status, 0);
  EXPECT_TRUE(fs::is_symlink(dir / "song-link.mp3"));
  EXPECT_EQ(Get(copy), Get(synced));
}

TEST_F(BadInput, OddNamesOfRealFilesWork) {
  const std::string odd = Put("odd \n\xFF -name.mp3", Get(song));
  const std::string oddLyrics = Put("l\xC7\xD1 \t.snc", kLyrics);
  EXPECT_EQ(RunBounded({"tags", odd}).status, 0);
  EXPECT_EQ(RunBounded({"decode", odd}).status, 0);
  EXPECT_EQ(RunBounded({"embed", odd, oddLyrics, "-o", P("out \xFF.mp3")}).status, 0);
  EXPECT_EQ(Get(P("out \xFF.mp3")), Get(synced));
}
