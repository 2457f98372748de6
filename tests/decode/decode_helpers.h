// Small helpers shared by the decode tests: temporary files and whole decodes.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/run_tool.h"

namespace vexalo::test {

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A file under /tmp that is removed when the object goes.
class TempFile {
 public:
  explicit TempFile(const std::string& bytes, const std::string& suffix = ".mp3") {
    std::string pattern = "/tmp/vexalo-decode-XXXXXX" + suffix;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkstemps(name.data(), static_cast<int>(suffix.size()));
    m_path = name.data();
    if (fd >= 0) {
      std::size_t off = 0;
      while (off < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + off, bytes.size() - off);
        if (n <= 0) break;
        off += static_cast<std::size_t>(n);
      }
      ::close(fd);
    }
  }
  ~TempFile() { ::unlink(m_path.c_str()); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  const std::string& path() const { return m_path; }

 private:
  std::string m_path;
};

}  // namespace vexalo::test
