#include "syncmp3/syncmp3_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/safe_file.h"

namespace vexalo {

namespace {

constexpr std::size_t kId3HeaderBytes = 10;
constexpr std::size_t kId3v1Bytes = 128;
constexpr std::uint64_t kMaxSyncsafe = (1u << 28) - 1;

void Say(std::string* why, const std::string& text) {
  if (why) *why = text;
}

std::string ErrnoText() { return std::strerror(errno); }

std::uint32_t ReadBe32(const unsigned char* p) {
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 |
         std::uint32_t(p[3]);
}

void PutBe32(unsigned char* p, std::uint32_t v) {
  p[0] = (v >> 24) & 0xFF;
  p[1] = (v >> 16) & 0xFF;
  p[2] = (v >> 8) & 0xFF;
  p[3] = v & 0xFF;
}

std::uint32_t ReadSyncsafe(const unsigned char* p) {
  return std::uint32_t(p[0]) << 21 | std::uint32_t(p[1]) << 14 | std::uint32_t(p[2]) << 7 |
         std::uint32_t(p[3]);
}

void PutSyncsafe(unsigned char* p, std::uint32_t v) {
  p[0] = (v >> 21) & 0x7F;
  p[1] = (v >> 14) & 0x7F;
  p[2] = (v >> 7) & 0x7F;
  p[3] = v & 0x7F;
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Reads up to n bytes at offset into a zeroed buffer; missing bytes stay zero.
bool ReadAt(std::FILE* f, std::uint64_t offset, unsigned char* out, std::size_t n) {
  std::memset(out, 0, n);
  if (::fseeko(f, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
  std::fread(out, 1, n, f);
  return !std::ferror(f);
}

// True when a frame could start at `pos` of the tag: the tag's end, padding, or a frame id.
bool PlausibleFrameStart(std::FILE* f, std::uint64_t pos, std::uint64_t tagEnd) {
  if (pos == tagEnd) return true;
  if (pos > tagEnd) return false;
  unsigned char id[4];
  if (!ReadAt(f, pos, id, sizeof id)) return false;
  if (id[0] == 0) return true;
  for (unsigned char c : id)
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
  return true;
}

// K of the ID3v2 case: the length of a leading TXXX frame, header included, or 0.
std::uint64_t LeadingTxxxLength(std::FILE* src, const unsigned char* head, std::uint64_t tagSize) {
  if (std::memcmp(head + 10, "TXXX", 4) != 0) return 0;
  const std::uint64_t plain = std::uint64_t(ReadBe32(head + 14)) + 10;
  // A version 4 tag from another program may give the frame a syncsafe size, while our own
  // frames carry a plain one: take whichever ends where a next frame can begin.
  const bool syncsafeBytes = ((head[14] | head[15] | head[16] | head[17]) & 0x80) == 0;
  if (head[3] == 4 && syncsafeBytes) {
    const std::uint64_t safe = std::uint64_t(ReadSyncsafe(head + 14)) + 10;
    const std::uint64_t tagEnd = kId3HeaderBytes + tagSize;
    if (safe != plain && !PlausibleFrameStart(src, kId3HeaderBytes + plain, tagEnd) &&
        PlausibleFrameStart(src, kId3HeaderBytes + safe, tagEnd))
      return safe;
  }
  return plain;
}

// Appends a text frame built from an ID3v1 field: its non-zero bytes, in order.
void AppendTextFrame(std::vector<unsigned char>& out, const char* id, const unsigned char* field,
                     std::size_t fieldBytes, bool comment) {
  std::vector<unsigned char> text;
  for (std::size_t k = 0; k < fieldBytes; ++k)
    if (field[k] != 0) text.push_back(field[k]);
  const std::size_t head = comment ? 5 : 1;
  unsigned char frame[10];
  std::memcpy(frame, id, 4);
  PutBe32(frame + 4, static_cast<std::uint32_t>(text.size() + head));
  frame[8] = 0x00;
  frame[9] = 0x00;
  out.insert(out.end(), frame, frame + 10);
  out.push_back(0x00);  // ISO-8859-1
  if (comment) {
    out.insert(out.end(), {'e', 'n', 'g', 0x00});
  }
  out.insert(out.end(), text.begin(), text.end());
}

}  // namespace

int WriteSyncMp3Tag(std::FILE* source, const std::string& destination,
                    std::span<const unsigned char> frame, bool inPlace, std::string* why,
                    const std::string& sourceName) {
  if (::fseeko(source, 0, SEEK_END) != 0) {
    Say(why, "cannot read the source: " + ErrnoText());
    return kSyncMp3OpenError;
  }
  const off_t end = ::ftello(source);
  if (end < 0) {
    Say(why, "cannot read the source: " + ErrnoText());
    return kSyncMp3OpenError;
  }
  const std::uint64_t n = static_cast<std::uint64_t>(end);
  unsigned char head[20];
  if (!ReadAt(source, 0, head, sizeof head)) {
    Say(why, "cannot read the source: " + ErrnoText());
    return kSyncMp3OpenError;
  }

  // Everything the new tag needs is decided before the destination is opened.
  std::vector<unsigned char> tag;
  std::uint64_t copyFrom = 0, copyCount = n;
  std::array<unsigned char, kId3v1Bytes> v1{};
  bool keepV1 = false;
  if (std::memcmp(head, "ID3", 3) == 0) {
    // A frame put at offset 10 would land inside an extended header, be altered by readers that
    // undo unsynchronisation, or carry the wrong identifier size for version 2: such tags are
    // refused untouched rather than damaged.
    if (head[3] < 3 || head[3] > 4) {
      Say(why, "the source's ID3v2." + std::to_string(head[3]) + " tag cannot take the lyrics frame");
      return kSyncMp3OpenError;
    }
    if (head[5] & 0xC0) {
      Say(why, "the source's ID3v2 tag uses unsynchronisation or an extended header");
      return kSyncMp3OpenError;
    }
    const std::uint64_t s = ReadSyncsafe(head + 6);
    const std::uint64_t k = LeadingTxxxLength(source, head, s);
    if (k > s) {
      Say(why, "the source's ID3v2 tag is damaged (its first frame reaches past the tag)");
      return kSyncMp3OpenError;
    }
    const std::uint64_t newSize = s - k + frame.size();
    if (newSize > kMaxSyncsafe) {
      Say(why, "the source's ID3v2 tag is too large");
      return kSyncMp3OpenError;
    }
    tag.assign(head, head + 6);
    tag.resize(10);
    PutSyncsafe(tag.data() + 6, static_cast<std::uint32_t>(newSize));
    tag.insert(tag.end(), frame.begin(), frame.end());
    copyFrom = std::min(n, kId3HeaderBytes + k);
    copyCount = n - copyFrom;
  } else {
    bool hasV1 = false;
    if (n >= kId3v1Bytes) {
      if (!ReadAt(source, n - kId3v1Bytes, v1.data(), v1.size())) {
        Say(why, "cannot read the source: " + ErrnoText());
        return kSyncMp3OpenError;
      }
      hasV1 = std::memcmp(v1.data(), "TAG", 3) == 0;
    }
    std::vector<unsigned char> frames;
    if (hasV1) {
      AppendTextFrame(frames, "TIT2", v1.data() + 3, 30, false);
      AppendTextFrame(frames, "TPE1", v1.data() + 33, 30, false);
      AppendTextFrame(frames, "TALB", v1.data() + 63, 30, false);
      AppendTextFrame(frames, "TYER", v1.data() + 93, 4, false);
      AppendTextFrame(frames, "COMM", v1.data() + 97, 30, true);
      copyCount = n - kId3v1Bytes;
      keepV1 = true;
    }
    const std::uint64_t size = frame.size() + frames.size() + 10;
    tag = {'I', 'D', '3', 0x03, 0x00, 0x00, 0, 0, 0, 0};
    PutSyncsafe(tag.data() + 6, static_cast<std::uint32_t>(size));
    tag.insert(tag.end(), frame.begin(), frame.end());
    tag.insert(tag.end(), frames.begin(), frames.end());
    tag.insert(tag.end(), 10, 0x00);
  }

  // Every destination is written beside itself and renamed into place. When the rename replaces
  // an existing file (in place, or an overwrite the user confirmed) that file may be the user's
  // only copy, so the new content is on disk before the rename; a brand-new destination leaves
  // every existing file untouched whatever happens, and is flushed like a copy.
  AtomicFileWriter out;
  out.SetDurable(inPlace || FileExists(destination));
  const bool written = out.Open(destination) && out.Write(tag.data(), tag.size()) &&
                       out.CopyFrom(::fileno(source), copyFrom, copyCount, sourceName) &&
                       (!keepV1 || out.Write(v1.data(), v1.size())) && out.Commit();
  if (!written) {
    Say(why, out.Error());
    return kSyncMp3WriteError;
  }
  return kSyncMp3Saved;
}

int SaveSyncMp3File(const std::string& source, const std::string& destination, bool inPlace,
                    std::span<const unsigned char, kSyncBlockBytes> block, std::string* why) {
  if (!IsRegularFile(source)) {
    Say(why, source + ": " + (FileExists(source) ? "not a regular file" : "no such file"));
    return kSyncMp3OpenError;
  }
  // The same file under another spelling is a save in place all the same.
  inPlace = inPlace || SameFile(source, destination);
  if (inPlace && IsReadOnlyFile(source)) {
    Say(why, source + ": the file is read-only");
    return kSyncMp3ReadOnly;
  }
  // The rename below would replace a read-only destination: refuse it as a failed open would.
  if (!inPlace && FileExists(destination) &&
      (!IsRegularFile(destination) || IsReadOnlyFile(destination))) {
    Say(why, destination + (IsRegularFile(destination) ? ": the file is read-only"
                                                       : ": not a regular file"));
    return kSyncMp3WriteError;
  }
  const std::uint32_t length = ReadLe32(block.data() + 6);
  if (length > kMaxSyncMp3BlockBytes) {
    Say(why, "the lyrics block is larger than " + std::to_string(kMaxSyncMp3BlockBytes) + " bytes");
    return kSyncMp3BlockTooLarge;
  }
  // Writing through a link replaces the file it names, not the link.
  std::string target = destination;
  if (char* real = ::realpath(destination.c_str(), nullptr)) {
    target = real;
    std::free(real);
  }

  std::FILE* src = std::fopen(source.c_str(), "rb");
  if (!src) {
    Say(why, source + ": " + ErrnoText());
    return kSyncMp3OpenError;
  }
  static std::array<unsigned char, kSyncMp3FrameBytes> frame;
  frame.fill(0);
  std::memcpy(frame.data(), "TXXX", 4);
  PutBe32(frame.data() + 4, length + 1);
  frame[8] = 0x20;
  frame[9] = 0x00;
  frame[10] = 0x00;
  std::memcpy(frame.data() + 11, block.data(), length);
  const int result =
      WriteSyncMp3Tag(src, target, std::span<const unsigned char>(frame.data(), length + 11),
                      inPlace, why, source);
  std::fclose(src);
  return result;
}

int SaveSyncMp3File(const std::string& source, const std::string& destination, bool inPlace,
                    std::string* why) {
  return SaveSyncMp3File(source, destination, inPlace, SyncBlockBuffer, why);
}

int ReadSyncMp3Block(const std::string& path, std::span<unsigned char, kSyncBlockBytes> block,
                     bool* foundFrame) {
  if (foundFrame) *foundFrame = false;
  if (!IsRegularFile(path)) return 0;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return 0;
  unsigned char head[21];
  if (ReadAt(f, 0, head, sizeof head) && std::memcmp(head + 10, "TXXX", 4) == 0) {
    const std::uint32_t m = ReadBe32(head + 14);
    // The frame's data goes straight from the file into the block buffer, so every block the
    // writer accepts reads back whole; a longer frame is cut at the buffer's end and its block
    // is then refused by the parser if its tables reach further.
    const std::size_t data = m <= 1 ? 0 : std::min<std::size_t>(m - 1, kSyncBlockBytes);
    std::fill(block.begin(), block.end(), 0);
    if (data != 0) ReadAt(f, 21, block.data(), data);
    if (foundFrame) *foundFrame = true;
  }
  std::fclose(f);
  return 1;
}

int ReadSyncMp3Block(const std::string& path, bool* foundFrame) {
  return ReadSyncMp3Block(path, SyncBlockBuffer, foundFrame);
}

}  // namespace vexalo
