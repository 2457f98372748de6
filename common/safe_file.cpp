#include "common/safe_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace vexalo {

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

bool IsReadOnlyFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  // A file without its owner's write bit counts as read-only even for root, who could write it
  // anyway: the user marked it so.
  return (st.st_mode & S_IWUSR) == 0 || ::access(path.c_str(), W_OK) != 0;
}

namespace {

std::atomic<SyncStep> g_syncStep{nullptr};
std::atomic<bool> g_unnamedAllowed{true};

int Sync(int fd, SyncTarget what) {
  SyncStep step = g_syncStep.load();
  return step ? step(fd, what) : ::fsync(fd);
}

// Old leftovers (".NAME.vexalo-XXXXXX", without the writer's process) are taken for abandoned
// once they have not changed for this long.
constexpr std::time_t kOldLeftoverSeconds = 600;
// Names are cut so that the temporary name still fits the file system's 255 bytes.
constexpr std::size_t kNameBytesInTemporary = 100;

std::string ProcFdPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

bool AllCharsAre(const std::string& s, std::size_t from, std::size_t to, int (*test)(int)) {
  if (from >= to) return false;
  for (std::size_t i = from; i < to; ++i)
    if (!test(static_cast<unsigned char>(s[i]))) return false;
  return true;
}

}  // namespace

void SetSyncStep(SyncStep step) { g_syncStep.store(step); }
void SetUnnamedTemporaryFiles(bool allowed) { g_unnamedAllowed.store(allowed); }

AtomicFileWriter::~AtomicFileWriter() { Abort(); }

bool AtomicFileWriter::Fail(const std::string& reason) {
  if (!m_failed) m_error = reason;
  m_failed = true;
  Abort();
  return false;
}

bool AtomicFileWriter::FailWrite(int error) {
  return Fail("cannot write '" + m_target + "': " + std::strerror(error));
}

std::string AtomicFileWriter::TemporaryName() const {
  static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char random[6] = {};
  if (::getrandom(random, sizeof random, 0) != sizeof random) {
    const auto seed = static_cast<unsigned long>(std::time(nullptr)) ^ reinterpret_cast<std::uintptr_t>(this);
    for (std::size_t i = 0; i < sizeof random; ++i) random[i] = static_cast<unsigned char>(seed >> (i * 5));
  }
  std::string name = "." + m_name.substr(0, kNameBytesInTemporary) + ".vexalo-" + std::to_string(::getpid()) + "-";
  for (unsigned char r : random) name.push_back(kLetters[r % (sizeof kLetters - 1)]);
  return name;
}

// Removes the named temporary files of this target that writers which no longer run left behind
// (killed between linking and renaming, or on a file system without unnamed files).
void AtomicFileWriter::RemoveLeftovers() const {
  const std::string prefix = "." + m_name.substr(0, kNameBytesInTemporary) + ".vexalo-";
  const int fd = ::dup(m_dirFd);
  if (fd < 0) return;
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    ::close(fd);
    return;
  }
  std::vector<std::string> abandoned;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    const std::size_t rest = prefix.size();
    const std::size_t dash = name.find('-', rest);
    struct stat st {};
    if (::fstatat(m_dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
    if (dash != std::string::npos && name.size() == dash + 7 && AllCharsAre(name, rest, dash, ::isdigit) &&
        AllCharsAre(name, dash + 1, name.size(), ::isalnum)) {
      const long pid = std::strtol(name.c_str() + rest, nullptr, 10);
      if (pid > 0 && pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
        abandoned.push_back(name);
    } else if (name.size() == rest + 6 && AllCharsAre(name, rest, name.size(), ::isalnum) &&
               std::time(nullptr) - st.st_mtime > kOldLeftoverSeconds) {
      abandoned.push_back(name);
    }
  }
  ::closedir(dir);
  for (const auto& name : abandoned) ::unlinkat(m_dirFd, name.c_str(), 0);
}

bool AtomicFileWriter::Open(const std::string& target) {
  Abort();
  m_target = target;
  m_failed = false;
  m_error.clear();
  const auto slash = target.find_last_of('/');
  m_folder = slash == std::string::npos ? "." : target.substr(0, slash == 0 ? 1 : slash);
  m_name = slash == std::string::npos ? target : target.substr(slash + 1);
  if (m_name.empty() || m_name == "." || m_name == "..") return Fail("cannot write '" + target + "': " + std::strerror(EISDIR));
  m_dirFd = ::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (m_dirFd < 0) return Fail("cannot create a file in '" + m_folder + "': " + std::strerror(errno));
  RemoveLeftovers();

  if (g_unnamedAllowed.load()) {
    m_fd = ::openat(m_dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (m_fd >= 0) {
      // Linking it into place later goes through /proc; without it a named file is safer.
      if (::access(ProcFdPath(m_fd).c_str(), F_OK) == 0) return true;
      ::close(m_fd);
      m_fd = -1;
    } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
      return Fail("cannot create a file in '" + m_folder + "': " + std::strerror(errno));
    }
  }
  return OpenNamed();
}

bool AtomicFileWriter::OpenNamed() {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = TemporaryName();
    m_fd = ::openat(m_dirFd, name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (m_fd >= 0) {
      m_temp = name;
      return true;
    }
    if (errno != EEXIST) break;
  }
  return Fail("cannot create a file in '" + m_folder + "': " + std::strerror(errno));
}

bool AtomicFileWriter::Write(const void* data, std::size_t bytes) {
  if (m_fd < 0 || m_failed) return false;
  const auto* p = static_cast<const unsigned char*>(data);
  while (bytes > 0) {
    const ssize_t put = ::write(m_fd, p, bytes);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return FailWrite(put < 0 ? errno : ENOSPC);
    p += put;
    bytes -= static_cast<std::size_t>(put);
  }
  return true;
}

bool AtomicFileWriter::CopyFrom(int fd, std::uint64_t offset, std::uint64_t count,
                                const std::string& sourceName) {
  if (m_fd < 0 || m_failed) return false;
  off_t from = static_cast<off_t>(offset);
  bool kernelCopy = true;
  while (count > 0 && kernelCopy) {
    const std::size_t piece = count > (1u << 30) ? (1u << 30) : static_cast<std::size_t>(count);
    const ssize_t done = ::copy_file_range(fd, &from, m_fd, nullptr, piece, 0);
    if (done > 0) {
      count -= static_cast<std::uint64_t>(done);
    } else if (done == 0) {
      return Fail("'" + sourceName + "' became shorter while it was copied");
    } else if (errno == EINTR) {
      continue;
    } else if (errno == ENOSYS || errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP ||
               errno == EBADF) {
      kernelCopy = false;  // not between these two files: through a buffer instead
    } else {
      return FailWrite(errno);
    }
  }
  std::vector<unsigned char> buffer(count > 0 ? 64 * 1024 : 0);
  while (count > 0) {
    const std::size_t piece = count > buffer.size() ? buffer.size() : static_cast<std::size_t>(count);
    const ssize_t got = ::pread(fd, buffer.data(), piece, from);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return Fail("cannot read '" + sourceName + "': " + std::strerror(errno));
    if (got == 0) return Fail("'" + sourceName + "' became shorter while it was copied");
    if (!Write(buffer.data(), static_cast<std::size_t>(got))) return false;
    from += got;
    count -= static_cast<std::uint64_t>(got);
  }
  return true;
}

std::string AtomicFileWriter::ReadablePath() const {
  if (m_fd < 0) return {};
  return m_temp.empty() ? ProcFdPath(m_fd) : m_folder + "/" + m_temp;
}

// Puts the finished file under the target's name. An unnamed file is linked straight to a name
// that is still free; an existing target is replaced by linking to a temporary name and renaming
// that over it, the one step that replaces a file whole. A writer killed between those two calls
// leaves the complete new file under the temporary name, which the next writer removes.
bool AtomicFileWriter::LinkIntoPlace(bool replacing) {
  if (!m_temp.empty()) {
    if (::renameat(m_dirFd, m_temp.c_str(), m_dirFd, m_name.c_str()) != 0) return FailWrite(errno);
    m_temp.clear();
    return true;
  }
  auto link = [&](const std::string& name) {
    if (::linkat(AT_FDCWD, ProcFdPath(m_fd).c_str(), m_dirFd, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    return errno == ENOENT && ::linkat(m_fd, "", m_dirFd, name.c_str(), AT_EMPTY_PATH) == 0;
  };
  if (!replacing) {
    if (link(m_name)) return true;
    if (errno != EEXIST) return FailWrite(errno);
  }
  std::string temp;
  for (int attempt = 0; attempt < 100 && temp.empty(); ++attempt) {
    std::string name = TemporaryName();
    if (link(name)) temp = name;
    else if (errno != EEXIST) return FailWrite(errno);
  }
  if (temp.empty()) return FailWrite(EEXIST);
  if (::renameat(m_dirFd, temp.c_str(), m_dirFd, m_name.c_str()) != 0) {
    const int error = errno;
    ::unlinkat(m_dirFd, temp.c_str(), 0);
    return FailWrite(error);
  }
  return true;
}

bool AtomicFileWriter::Commit() {
  if (m_fd < 0 || m_failed) {
    Abort();
    return false;
  }
  struct stat old {};
  const bool replacing = ::fstatat(m_dirFd, m_name.c_str(), &old, 0) == 0;
  mode_t mode;
  if (replacing) {
    mode = old.st_mode & 07777;
    // The file stays its owner's when root rewrites it, and keeps its group where we may set it.
    if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) &&
        ::fchown(m_fd, old.st_uid, old.st_gid) != 0)
      (void)::fchown(m_fd, static_cast<uid_t>(-1), old.st_gid);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  // After the change of owner, which clears the set-id bits.
  if (::fchmod(m_fd, mode) != 0) return FailWrite(errno);
  // A file that replaces another may replace the user's only copy: its content is on disk
  // before the rename can show it.
  const bool durable = replacing || m_durable;
  if (durable && Sync(m_fd, SyncTarget::kFile) != 0) return FailWrite(errno);
  if (!LinkIntoPlace(replacing)) return false;
  // Makes the new name last; the content is in place whatever this reports.
  if (durable) (void)Sync(m_dirFd, SyncTarget::kFolder);
  ::close(m_fd);
  m_fd = -1;
  ::close(m_dirFd);
  m_dirFd = -1;
  return true;
}

void AtomicFileWriter::Abort() {
  if (m_fd >= 0) {
    ::close(m_fd);
    m_fd = -1;
  }
  if (!m_temp.empty()) {
    ::unlinkat(m_dirFd, m_temp.c_str(), 0);
    m_temp.clear();
  }
  if (m_dirFd >= 0) {
    ::close(m_dirFd);
    m_dirFd = -1;
  }
}

bool ReadWholeFile(const std::string& path, std::string& out) {
  out.clear();
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

}  // namespace vexalo
