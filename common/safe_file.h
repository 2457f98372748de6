// Safe rewriting of a user's file: the new content is built in a temporary file in the same
// folder and only then put in place, so a crash, a kill or a full disk never leaves the target
// half-written or a stray copy behind. Also file identity, so "the same file" does not depend on
// how a path is spelt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vexalo {

// True when both paths name one existing file (same device and inode).
bool SameFile(const std::string& a, const std::string& b);
bool FileExists(const std::string& path);
// True when the file exists and is marked read-only (no owner write bit) or cannot be written.
bool IsReadOnlyFile(const std::string& path);

// What a commit syncs.
enum class SyncTarget { kFile, kFolder };
// The step that puts a file or folder on disk; ::fsync unless replaced. Tests put in a step of
// their own to watch what is synced and when; nullptr restores ::fsync.
using SyncStep = int (*)(int fd, SyncTarget what);
void SetSyncStep(SyncStep step);
// Unnamed temporary files are used wherever the file system has them; turning them off makes
// every writer use a named one, as on a file system without them.
void SetUnnamedTemporaryFiles(bool allowed);

// Writes a file's new content beside it and puts it in place on Commit. The content goes to an
// unnamed file (O_TMPFILE) that appears under the target's name only when it is complete, so a
// killed writer leaves nothing; where the file system lacks unnamed files a hidden named file
// ".NAME.vexalo-PID-XXXXXX" stands in, and the next writer into that folder removes those of
// writers that no longer run.
class AtomicFileWriter {
 public:
  AtomicFileWriter() = default;
  ~AtomicFileWriter();  // an uncommitted writer leaves the target as it was and nothing else
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // Creates the temporary file beside `target`. False when the folder takes no new file.
  bool Open(const std::string& target);
  // Appends bytes; false (and the writer is spoilt) when the write fails.
  bool Write(const void* data, std::size_t bytes);
  // Appends `count` bytes of the open file `fd` from `offset`, in the kernel where it can.
  // `sourceName` names the file in a failure's reason.
  bool CopyFrom(int fd, std::uint64_t offset, std::uint64_t count, const std::string& sourceName);
  // A path under which the content written so far can be opened for reading, until the commit.
  std::string ReadablePath() const;
  // Gives the new file the target's owner, group and mode (a new target: 0666 less the umask),
  // syncs it, puts it in place of the target in one step and syncs the folder. A file that
  // replaces an existing one is always synced; a new file unless SetDurable(false). False on any
  // failure before the new content is in place, in which case the target is untouched.
  bool Commit();
  void Abort();
  // Whether a new file (one that replaces nothing) is synced to disk on commit.
  void SetDurable(bool durable) { m_durable = durable; }
  bool Failed() const { return m_failed; }
  // Why the writer failed: what and why, e.g. "cannot write 'X': No space left on device".
  const std::string& Error() const { return m_error; }

 private:
  bool Fail(const std::string& reason);
  bool FailWrite(int error);
  bool OpenNamed();
  bool LinkIntoPlace(bool replacing);
  std::string TemporaryName() const;
  void RemoveLeftovers() const;

  std::string m_target;
  std::string m_folder;
  std::string m_name;
  std::string m_temp;  // the named temporary file's name in the folder; empty when unnamed
  int m_dirFd = -1;
  int m_fd = -1;
  bool m_failed = false;
  bool m_durable = true;
  std::string m_error;
};

// Reads a whole file; false when it cannot be opened or read (or is not a regular file).
bool ReadWholeFile(const std::string& path, std::string& out);

}  // namespace vexalo
