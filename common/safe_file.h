// Safe rewriting of a user's file: the new content goes to a temporary file in the same folder,
// is flushed, and is renamed over the target, so a crash or a full disk never leaves the target
// half-written. Also file identity, so "the same file" does not depend on how a path is spelt.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace vexalo {

// True when both paths name one existing file (same device and inode).
bool SameFile(const std::string& a, const std::string& b);
bool FileExists(const std::string& path);
// True when the file exists and is marked read-only (no owner write bit) or cannot be written.
bool IsReadOnlyFile(const std::string& path);

class AtomicFileWriter {
 public:
  AtomicFileWriter() = default;
  ~AtomicFileWriter();  // an uncommitted writer removes its temporary file
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // Creates the temporary file beside `target`. False when the folder is not writable.
  bool Open(const std::string& target);
  // Appends bytes; false (and the writer is spoilt) when the write fails.
  bool Write(const void* data, std::size_t bytes);
  // Flushes and syncs the temporary file, gives it the target's permissions (or 0666 less the
  // umask for a new file) and renames it over the target. False on any failure, in which case
  // the target is untouched and the temporary file is gone.
  bool Commit();
  void Abort();
  // Commit syncs the file to disk before the rename unless told otherwise. Leave it on wherever
  // the rename replaces content the user still needs (a file rewritten in place).
  void SetDurable(bool durable) { m_durable = durable; }
  bool Failed() const { return m_failed; }
  std::FILE* Stream() { return m_file; }

 private:
  std::string m_target;
  std::string m_temp;
  std::FILE* m_file = nullptr;
  bool m_failed = false;
  bool m_durable = true;
};

// Reads a whole file; false when it cannot be opened or read (or is not a regular file).
bool ReadWholeFile(const std::string& path, std::string& out);

}  // namespace vexalo
