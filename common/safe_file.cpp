#include "common/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
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

AtomicFileWriter::~AtomicFileWriter() { Abort(); }

bool AtomicFileWriter::Open(const std::string& target) {
  Abort();
  m_target = target;
  m_failed = false;
  std::string folder = ".";
  auto slash = target.find_last_of('/');
  if (slash != std::string::npos) folder = target.substr(0, slash == 0 ? 1 : slash);
  std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string pattern = folder + "/." + name + ".vexalo-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  int fd = ::mkstemp(buf.data());
  if (fd < 0) {
    m_failed = true;
    return false;
  }
  m_temp = buf.data();
  m_file = ::fdopen(fd, "wb");
  if (!m_file) {
    ::close(fd);
    ::unlink(m_temp.c_str());
    m_temp.clear();
    m_failed = true;
    return false;
  }
  return true;
}

bool AtomicFileWriter::Write(const void* data, std::size_t bytes) {
  if (!m_file || m_failed) return false;
  if (bytes != 0 && std::fwrite(data, 1, bytes, m_file) != bytes) m_failed = true;
  return !m_failed;
}

bool AtomicFileWriter::Commit() {
  if (!m_file || m_failed) {
    Abort();
    return false;
  }
  bool ok = std::fflush(m_file) == 0 && (!m_durable || ::fsync(::fileno(m_file)) == 0);
  mode_t mode;
  struct stat st {};
  if (::stat(m_target.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  ok = ok && ::fchmod(::fileno(m_file), mode) == 0;
  ok = (std::fclose(m_file) == 0) && ok;
  m_file = nullptr;
  if (ok) ok = ::rename(m_temp.c_str(), m_target.c_str()) == 0;
  if (!ok) {
    ::unlink(m_temp.c_str());
    m_failed = true;
  }
  m_temp.clear();
  return ok;
}

void AtomicFileWriter::Abort() {
  if (m_file) {
    std::fclose(m_file);
    m_file = nullptr;
  }
  if (!m_temp.empty()) {
    ::unlink(m_temp.c_str());
    m_temp.clear();
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
