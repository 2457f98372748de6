// Opening a user's file without ever hanging on it: only a regular file is read (checked on the
// open descriptor, so a FIFO or device is never waited on), and reading stops at the size the
// file had when it was opened. Also where an output may go: a new or existing regular file.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace vexalo {

class InputFile {
 public:
  InputFile() = default;
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Opens `path` for reading when it names a regular file (through any symbolic links). False
  // otherwise, with Why() saying why ("No such file or directory", "Is a directory", "Is a FIFO,
  // not a regular file", "File name too long", ...).
  bool Open(const std::string& path);
  void Close();
  // Hands the descriptor over to the caller, who then closes it; -1 when none is open.
  int Release();

  int Fd() const { return m_fd; }
  std::uint64_t Size() const { return m_size; }
  const std::string& Why() const { return m_why; }

  // Reads up to `bytes`, never past the size the file had when opened: the bytes read, 0 at that
  // end, -1 on a read error (Why() then says which).
  ssize_t Read(void* data, std::size_t bytes);
  // Reads up to `bytes` at `offset` (within the opened size) into `data`; the bytes read, -1 on
  // an error.
  ssize_t ReadAt(void* data, std::size_t bytes, std::uint64_t offset);
  // Everything from the current position to the opened size. False on a read error.
  bool ReadRest(std::string& out);

 private:
  int m_fd = -1;
  std::uint64_t m_size = 0;
  std::uint64_t m_pos = 0;
  std::string m_why;
};

// Opens a regular file and reads at most `limit` bytes of it into `out`; `size` receives its
// whole size. False with `why` set when it cannot be opened or read.
bool ReadInputFile(const std::string& path, std::size_t limit, std::string& out, std::uint64_t& size,
                   std::string& why);

// The reason, in the words above, that `path` cannot be read as a regular file, or "" when it can
// (it is opened and closed again to find out).
std::string InputProblem(const std::string& path);

// Where an output named `path` may be written: `target` becomes the path to write, which is
// `path` itself for a new file or an existing regular file, and the final target of a symbolic
// link to a regular file (so the link stays and its target gets the new content). False with
// `why` set for anything else: a folder, a FIFO, a device, a socket, a link to nothing, or a
// path that cannot be looked at.
bool ResolveOutputPath(const std::string& path, std::string& target, std::string& why);

}  // namespace vexalo
