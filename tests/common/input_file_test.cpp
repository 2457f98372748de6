#include "common/input_file.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace vexalo;

namespace {

class InputFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vexalo-input-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir = pattern;
    Put("song.mp3", "0123456789");
    ASSERT_EQ(::mkfifo(P("fifo").c_str(), 0600), 0);
    fs::create_directory(dir / "folder");
    fs::create_symlink(P("song.mp3"), dir / "link");
    fs::create_symlink(P("fifo"), dir / "link-to-fifo");
    fs::create_symlink(P("gone"), dir / "dangling");
    fs::create_symlink("/dev/null", dir / "link-to-null");
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  std::string P(const std::string& name) const { return (dir / name).string(); }
  void Put(const std::string& name, const std::string& bytes) { std::ofstream(P(name), std::ios::binary) << bytes; }
  fs::path dir;
};

TEST_F(InputFileTest, OnlyARegularFileOpensAndEveryRefusalSaysWhy) {
  const std::string longName = P(std::string(300, 'x'));
  const struct {
    std::string path;
    const char* why;  // "" when the file opens
  } cases[] = {
      {P("song.mp3"), ""},
      {P("link"), ""},
      {P("gone"), "No such file or directory"},
      {P("dangling"), "No such file or directory"},
      {P("folder"), "Is a directory"},
      {P("fifo"), "Is a FIFO, not a regular file"},
      {P("link-to-fifo"), "Is a FIFO, not a regular file"},
      {"/dev/zero", "Is a device, not a regular file"},
      {P("link-to-null"), "Is a device, not a regular file"},
      {longName, "File name too long"},
      {P("song.mp3/inside"), "Not a directory"},
  };
  for (const auto& c : cases) {
    InputFile in;
    EXPECT_EQ(in.Open(c.path), c.why[0] == '\0') << c.path;
    EXPECT_EQ(in.Why(), c.why) << c.path;
    EXPECT_EQ(in.Fd() >= 0, c.why[0] == '\0') << c.path;
    EXPECT_EQ(InputProblem(c.path), c.why) << c.path;
  }
}

TEST_F(InputFileTest, ASocketIsRefused) {
  const std::string path = P("sock");
  int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(s, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  ASSERT_LT(path.size(), sizeof addr.sun_path);
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  InputFile in;
  EXPECT_FALSE(in.Open(path));
  EXPECT_EQ(in.Why(), "Is a socket, not a regular file");
  ::close(s);
}

TEST_F(InputFileTest, ReadingStopsAtTheSizeTheFileHadWhenOpened) {
  InputFile in;
  ASSERT_TRUE(in.Open(P("song.mp3")));
  EXPECT_EQ(in.Size(), 10u);
  std::ofstream(P("song.mp3"), std::ios::binary | std::ios::app) << "more bytes written later";
  char first[4];
  ASSERT_EQ(in.Read(first, sizeof first), 4);
  EXPECT_EQ(std::string(first, 4), "0123");
  std::string rest;
  ASSERT_TRUE(in.ReadRest(rest));
  EXPECT_EQ(rest, "456789");
  char at[8] = {};
  EXPECT_EQ(in.ReadAt(at, sizeof at, 6), 4);
  EXPECT_EQ(std::string(at, 4), "6789");
  EXPECT_EQ(in.ReadAt(at, sizeof at, 10), 0);
}

TEST_F(InputFileTest, ReadInputFileTakesAtMostTheLimit) {
  std::string out, why;
  std::uint64_t size = 0;
  ASSERT_TRUE(ReadInputFile(P("song.mp3"), 4, out, size, why));
  EXPECT_EQ(out, "0123");
  EXPECT_EQ(size, 10u);
  ASSERT_TRUE(ReadInputFile(P("song.mp3"), 100, out, size, why));
  EXPECT_EQ(out, "0123456789");
  EXPECT_FALSE(ReadInputFile(P("fifo"), 100, out, size, why));
  EXPECT_EQ(why, "Is a FIFO, not a regular file");
}

TEST_F(InputFileTest, AnOutputIsANewOrRegularFileAndALinkIsWrittenThrough) {
  const struct {
    std::string path;
    std::string target;  // "" when refused
    const char* why;
  } cases[] = {
      {P("new.raw"), P("new.raw"), ""},
      {P("song.mp3"), P("song.mp3"), ""},
      {P("link"), fs::canonical(P("song.mp3")).string(), ""},
      {P("folder"), "", "Is a directory"},
      {P("fifo"), "", "Is a FIFO, not a regular file"},
      {P("link-to-fifo"), "", "Is a FIFO, not a regular file"},
      {P("link-to-null"), "", "Is a device, not a regular file"},
      {"/dev/full", "", "Is a device, not a regular file"},
      {P("dangling"), "", "Is a symbolic link to a missing file"},
      {P("song.mp3/inside"), "", "Not a directory"},
      {P(std::string(300, 'x')), "", "File name too long"},
  };
  for (const auto& c : cases) {
    std::string target = "unchanged", why;
    EXPECT_EQ(ResolveOutputPath(c.path, target, why), !c.target.empty()) << c.path;
    if (!c.target.empty()) {
      EXPECT_EQ(target, c.target) << c.path;
    }
    EXPECT_EQ(why, c.why) << c.path;
  }
}

}  // namespace
