#include "common/safe_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

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

namespace {

// Runs `body` in a child that is killed with SIGKILL at the point where it raises it itself, as
// a kill -9 from outside would stop it.
void RunKilledChild(const std::function<void()>& body) {
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    body();
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGKILL);
}

TEST_F(SafeFileTest, KilledWriterLeavesNothingBehind) {
  fs::path target = dir / "song.mp3";
  Put(target, "old content");
  for (bool named : {false, true}) {
    SCOPED_TRACE(named ? "named temporary file" : "unnamed temporary file");
    SetUnnamedTemporaryFiles(!named);
    RunKilledChild([&] {
      AtomicFileWriter w;
      if (!w.Open(target.string())) ::_exit(1);
      std::string big(1 << 20, 'n');
      w.Write(big.data(), big.size());
      ::raise(SIGKILL);
    });
    SetUnnamedTemporaryFiles(true);
    EXPECT_EQ(Get(target), "old content");
    if (named) {
      // Where the file system has no unnamed files the leftover is removed by the next writer.
      AtomicFileWriter next;
      ASSERT_TRUE(next.Open(target.string()));
      next.Abort();
    }
    EXPECT_EQ(EntriesInDir(), 1);
  }
}

TEST_F(SafeFileTest, LeftoversOfDeadWritersAreRemovedOthersKept) {
  fs::path target = dir / "song.mp3";
  Put(target, "old");
  pid_t dead = ::fork();
  ASSERT_GE(dead, 0);
  if (dead == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(dead, nullptr, 0), dead);
  const fs::path ofDead = dir / (".song.mp3.vexalo-" + std::to_string(dead) + "-Ab12Cd");
  const fs::path ofLiving = dir / (".song.mp3.vexalo-" + std::to_string(::getppid()) + "-Ab12Cd");
  const fs::path ofOtherFile = dir / (".other.mp3.vexalo-" + std::to_string(dead) + "-Ab12Cd");
  const fs::path userFile = dir / ".song.mp3.vexalo-notes";
  for (const auto& p : {ofDead, ofLiving, ofOtherFile, userFile}) Put(p, "leftover");
  AtomicFileWriter w;
  ASSERT_TRUE(w.Open(target.string()));
  ASSERT_TRUE(w.Write("new", 3));
  ASSERT_TRUE(w.Commit());
  EXPECT_EQ(Get(target), "new");
  EXPECT_FALSE(fs::exists(ofDead));
  EXPECT_TRUE(fs::exists(ofLiving));
  EXPECT_TRUE(fs::exists(ofOtherFile));
  EXPECT_TRUE(fs::exists(userFile));
}

TEST_F(SafeFileTest, ReplacingKeepsOwnerGroupAndMode) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
  for (bool named : {false, true}) {
    SCOPED_TRACE(named ? "named temporary file" : "unnamed temporary file");
    SetUnnamedTemporaryFiles(!named);
    fs::path target = dir / "theirs.mp3";
    Put(target, "old");
    ASSERT_EQ(::chown(target.c_str(), 4321, 8765), 0);
    ASSERT_EQ(::chmod(target.c_str(), 02754), 0);
    AtomicFileWriter w;
    ASSERT_TRUE(w.Open(target.string()));
    ASSERT_TRUE(w.Write("new", 3));
    ASSERT_TRUE(w.Commit());
    SetUnnamedTemporaryFiles(true);
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 8765u);
    EXPECT_EQ(st.st_mode & 07777, 02754u);
    EXPECT_EQ(Get(target), "new");
  }
}

TEST_F(SafeFileTest, NewFileGetsTheUsualModeAndAnUnnamedTemporaryHasNoName) {
  fs::path target = dir / "new.snc";
  mode_t mask = ::umask(027);
  AtomicFileWriter w;
  ASSERT_TRUE(w.Open(target.string()));
  EXPECT_EQ(EntriesInDir(), 0);  // nothing in the folder while the content is written
  ASSERT_TRUE(w.Write("text", 4));
  ASSERT_TRUE(w.Commit());
  ::umask(mask);
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(Get(target), "text");
  EXPECT_EQ(EntriesInDir(), 1);
}

TEST_F(SafeFileTest, FailuresSayWhatAndWhy) {
  {
    AtomicFileWriter w;
    EXPECT_FALSE(w.Open((dir / "missing" / "x.mp3").string()));
    EXPECT_NE(w.Error().find((dir / "missing").string()), std::string::npos) << w.Error();
    EXPECT_NE(w.Error().find("No such file or directory"), std::string::npos) << w.Error();
  }
  {
    // A file-size limit makes the write fail as a full disk would.
    fs::path target = dir / "song.mp3";
    Put(target, "old");
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    AtomicFileWriter w;
    bool opened = w.Open(target.string());
    std::string big(100000, 'b');
    bool wrote = opened && w.Write(big.data(), big.size()) && w.Commit();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    ASSERT_TRUE(opened);
    EXPECT_FALSE(wrote);
    EXPECT_EQ(w.Error(), "cannot write '" + target.string() + "': File too large");
    EXPECT_EQ(Get(target), "old");
    EXPECT_EQ(EntriesInDir(), 1);
  }
}

// Records each sync the writer asks for, with what the target held at that moment.
struct SyncRecord {
  SyncTarget what;
  std::string targetHeld;
};
std::vector<SyncRecord> g_syncs;
std::string g_watched;

int RecordingSync(int fd, SyncTarget what) {
  std::string held;
  if (!ReadWholeFile(g_watched, held)) held = "<none>";
  g_syncs.push_back({what, held});
  return ::fsync(fd);
}

TEST_F(SafeFileTest, ReplacingSyncsTheFileThenRenamesThenSyncsTheFolder) {
  fs::path target = dir / "song.mp3";
  g_watched = target.string();
  SetSyncStep(RecordingSync);
  struct Case {
    const char* name;
    bool exists;
    bool durable;
    bool named;
    std::vector<SyncTarget> expect;
  } cases[] = {
      {"replace", true, true, false, {SyncTarget::kFile, SyncTarget::kFolder}},
      {"replace, not asked to be durable", true, false, false, {SyncTarget::kFile, SyncTarget::kFolder}},
      {"replace through a named file", true, false, true, {SyncTarget::kFile, SyncTarget::kFolder}},
      {"new file", false, true, false, {SyncTarget::kFile, SyncTarget::kFolder}},
      {"new file, not durable", false, false, false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(target);
    if (c.exists) Put(target, "old");
    g_syncs.clear();
    SetUnnamedTemporaryFiles(!c.named);
    AtomicFileWriter w;
    w.SetDurable(c.durable);
    ASSERT_TRUE(w.Open(target.string()));
    ASSERT_TRUE(w.Write("new", 3));
    ASSERT_TRUE(w.Commit());
    SetUnnamedTemporaryFiles(true);
    ASSERT_EQ(g_syncs.size(), c.expect.size());
    for (std::size_t i = 0; i < g_syncs.size(); ++i) EXPECT_EQ(g_syncs[i].what, c.expect[i]) << i;
    if (!c.expect.empty()) {
      // The file is on disk before the rename shows it; the folder sync makes the rename last.
      EXPECT_EQ(g_syncs[0].targetHeld, c.exists ? "old" : "<none>");
      EXPECT_EQ(g_syncs[1].targetHeld, "new");
    }
  }
  SetSyncStep(nullptr);
}

TEST_F(SafeFileTest, FailedFileSyncLeavesTheTargetUntouched) {
  fs::path target = dir / "song.mp3";
  Put(target, "old");
  SetSyncStep([](int, SyncTarget) {
    errno = EIO;
    return -1;
  });
  AtomicFileWriter w;
  ASSERT_TRUE(w.Open(target.string()));
  ASSERT_TRUE(w.Write("new", 3));
  EXPECT_FALSE(w.Commit());
  SetSyncStep(nullptr);
  EXPECT_EQ(w.Error(), "cannot write '" + target.string() + "': Input/output error");
  EXPECT_EQ(Get(target), "old");
  EXPECT_EQ(EntriesInDir(), 1);
}

}  // namespace
