#include "common/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace vexalo {

namespace {

// What a file that is not a regular one is, in the style of the system's error texts.
std::string KindProblem(mode_t mode) {
  if (S_ISDIR(mode)) return std::strerror(EISDIR);
  if (S_ISFIFO(mode)) return "Is a FIFO, not a regular file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "Is a device, not a regular file";
  if (S_ISSOCK(mode)) return "Is a socket, not a regular file";
  return "Not a regular file";
}

}  // namespace

InputFile::~InputFile() { Close(); }

bool InputFile::Open(const std::string& path) {
  Close();
  m_why.clear();
  m_size = 0;
  m_pos = 0;
  // A quick look first, so that a device is not even opened; the check that counts is made on
  // the open descriptor below, since the path may change in between.
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    m_why = KindProblem(st.st_mode);
    return false;
  }
  // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    m_why = ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) ? KindProblem(st.st_mode) : std::strerror(error);
    return false;
  }
  if (::fstat(fd, &st) != 0) {
    m_why = std::strerror(errno);
    ::close(fd);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    m_why = KindProblem(st.st_mode);
    ::close(fd);
    return false;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    m_why = std::strerror(errno);
    ::close(fd);
    return false;
  }
  m_fd = fd;
  m_size = st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
  return true;
}

void InputFile::Close() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
}

int InputFile::Release() {
  const int fd = m_fd;
  m_fd = -1;
  return fd;
}

ssize_t InputFile::Read(void* data, std::size_t bytes) {
  if (m_fd < 0) return -1;
  const std::uint64_t left = m_size - m_pos;
  if (bytes > left) bytes = static_cast<std::size_t>(left);
  if (bytes == 0) return 0;
  ssize_t got;
  do {
    got = ::read(m_fd, data, bytes);
  } while (got < 0 && errno == EINTR);
  if (got < 0) {
    m_why = std::strerror(errno);
    return -1;
  }
  m_pos += static_cast<std::uint64_t>(got);
  return got;
}

ssize_t InputFile::ReadAt(void* data, std::size_t bytes, std::uint64_t offset) {
  if (m_fd < 0) return -1;
  if (offset >= m_size) return 0;
  const std::uint64_t left = m_size - offset;
  if (bytes > left) bytes = static_cast<std::size_t>(left);
  std::size_t done = 0;
  auto* p = static_cast<unsigned char*>(data);
  while (done < bytes) {
    ssize_t got = ::pread(m_fd, p + done, bytes - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      m_why = std::strerror(errno);
      return -1;
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<ssize_t>(done);
}

bool InputFile::ReadRest(std::string& out) {
  out.clear();
  char buf[65536];
  ssize_t got;
  while ((got = Read(buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(got));
  return got == 0;
}

bool ReadInputFile(const std::string& path, std::size_t limit, std::string& out, std::uint64_t& size,
                   std::string& why) {
  out.clear();
  InputFile in;
  if (!in.Open(path)) {
    why = in.Why();
    return false;
  }
  size = in.Size();
  const std::size_t want = size < limit ? static_cast<std::size_t>(size) : limit;
  out.resize(want);
  std::size_t done = 0;
  while (done < want) {
    ssize_t got = in.Read(out.data() + done, want - done);
    if (got < 0) {
      why = in.Why();
      out.clear();
      return false;
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  out.resize(done);
  return true;
}

std::string InputProblem(const std::string& path) {
  InputFile in;
  return in.Open(path) ? std::string() : in.Why();
}

bool ResolveOutputPath(const std::string& path, std::string& target, std::string& why) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) {
      target = path;
      return true;
    }
    why = std::strerror(errno);
    return false;
  }
  if (S_ISLNK(st.st_mode)) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) {
      why = errno == ENOENT ? "Is a symbolic link to a missing file" : std::strerror(errno);
      return false;
    }
    target = real;
    std::free(real);
    if (::stat(target.c_str(), &st) != 0) {
      why = std::strerror(errno);
      return false;
    }
  } else {
    target = path;
  }
  if (!S_ISREG(st.st_mode)) {
    why = KindProblem(st.st_mode);
    return false;
  }
  return true;
}

}  // namespace vexalo
