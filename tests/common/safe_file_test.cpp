#include "common/safe_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace vexalo;

namespace {

class SafeFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vexalo-safe-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir, ec);
  }
  void Put(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }
  std::string Get(const fs::path& p) {
    std::string s;
    EXPECT_TRUE(ReadWholeFile(p.string(), s));
    return s;
  }
  int EntriesInDir() { return static_cast<int>(std::distance(fs::directory_iterator(dir), fs::directory_iterator())); }
  fs::path dir;
};

TEST_F(SafeFileTest, CommitReplacesContentAndKeepsPermissions) {
  fs::path target = dir / "song.mp3";
  Put(target, "old");
  ::chmod(target.c_str(), 0640);
  AtomicFileWriter w;
  ASSERT_TRUE(w.Open(target.string()));
  ASSERT_TRUE(w.Write("new content", 11));
  EXPECT_EQ(Get(target), "old");  // untouched until the commit
  ASSERT_TRUE(w.Commit());
  EXPECT_EQ(Get(target), "new content");
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(EntriesInDir(), 1);  // no temporary file left behind
}

TEST_F(SafeFileTest, AbandonedWriterLeavesTargetAndNoTemporary) {
  fs::path target = dir / "song.mp3";
  Put(target, "original");
  {
    AtomicFileWriter w;
    ASSERT_TRUE(w.Open(target.string()));
    w.Write("partial", 7);
  }
  EXPECT_EQ(Get(target), "original");
  EXPECT_EQ(EntriesInDir(), 1);
}

TEST_F(SafeFileTest, OpenFailsInFolderWithoutWritePermission) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write anywhere";
  fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
  AtomicFileWriter w;
  EXPECT_FALSE(w.Open((dir / "new.mp3").string()));
  EXPECT_FALSE(w.Commit());
}

TEST_F(SafeFileTest, CommitFailsWhenFolderIsGone) {
  fs::path sub = dir / "sub";
  fs::create_directory(sub);
  AtomicFileWriter w;
  ASSERT_TRUE(w.Open((sub / "x.snc").string()));
  w.Write("abc", 3);
  fs::remove_all(sub);
  EXPECT_FALSE(w.Commit());
}

TEST_F(SafeFileTest, SameFileFollowsIdentityNotSpelling) {
  fs::path a = dir / "a.mp3";
  Put(a, "x");
  fs::path spelt = dir / "." / "a.mp3";
  fs::path link = dir / "link.mp3";
  fs::create_symlink(a, link);
  fs::path other = dir / "b.mp3";
  Put(other, "x");
  EXPECT_TRUE(SameFile(a.string(), spelt.string()));
  EXPECT_TRUE(SameFile(a.string(), link.string()));
  EXPECT_FALSE(SameFile(a.string(), other.string()));
  EXPECT_FALSE(SameFile(a.string(), (dir / "missing.mp3").string()));
}

TEST_F(SafeFileTest, ReadWholeFileRefusesDirectoriesAndMissingFiles) {
  std::string out;
  EXPECT_FALSE(ReadWholeFile(dir.string(), out));
  EXPECT_FALSE(ReadWholeFile((dir / "none").string(), out));
  Put(dir / "empty", "");
  EXPECT_TRUE(ReadWholeFile((dir / "empty").string(), out));
  EXPECT_TRUE(out.empty());
}

}  // namespace

namespace {
TEST_F(SafeFileTest, ReadOnlyMeansNoOwnerWriteBitEvenForRoot) {
  fs::path p = dir / "ro.mp3";
  Put(p, "x");
  EXPECT_FALSE(IsReadOnlyFile(p.string()));
  ::chmod(p.c_str(), 0444);
  EXPECT_TRUE(IsReadOnlyFile(p.string()));
  EXPECT_FALSE(IsReadOnlyFile((dir / "missing").string()));
}
}  // namespace
