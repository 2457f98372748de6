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
#include "syncmp3/id3v24_frames.h"

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

bool IsFrameIdByte(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// Whether `extra` takes the place of the v2.3 frame whose header is `header` and whose data (of
// `dataBytes`, after `inHeader` bytes already at hand) starts at `from`.
bool Replaced(const SyncMp3ExtraFrames* extra, const SourceReader& read, std::string_view header,
              std::uint64_t from, std::uint64_t dataBytes) {
  if (!extra || !extra->replaces || header.size() < 10) return false;
  // A compressed, encrypted or grouped frame's data does not start with its fields.
  if (static_cast<unsigned char>(header[9]) & 0xE0) return false;
  std::string head(header.substr(10));
  if (head.size() < kFrameProbeBytes && dataBytes > 0) {
    const std::size_t more = static_cast<std::size_t>(std::min<std::uint64_t>(dataBytes, kFrameProbeBytes - head.size()));
    const std::size_t at = head.size();
    head.resize(at + more);
    if (!read(from, reinterpret_cast<unsigned char*>(head.data()) + at, more)) return false;
  }
  return extra->replaces(header.substr(0, 4), head);
}

// The v2.3 frames from `pos` to `tagEnd` as pieces to copy, without those `extra` replaces, those
// the tag reader would trip over (and so drop the whole tag) and SEEK frames, whose offset counts
// from the end of a tag that moves; the padding follows as it is. Bytes where a frame should
// begin that are neither a frame that fits the tag nor padding end the walk and are left out.
bool CarryId3v23Frames(const SourceReader& read, std::uint64_t pos, std::uint64_t tagEnd,
                       const SyncMp3ExtraFrames* extra, std::vector<TagPiece>& pieces, std::string& why) {
  auto copy = [&](std::uint64_t from, std::uint64_t count) {
    if (count == 0) return;
    if (!pieces.empty() && pieces.back().bytes.empty() && pieces.back().from + pieces.back().count == from)
      pieces.back().count += count;
    else
      pieces.push_back({{}, from, count});
  };
  while (pos < tagEnd) {
    unsigned char h[10] = {};
    const std::size_t have = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof h, tagEnd - pos));
    if (!read(pos, h, have)) {
      why = "cannot read the source's ID3v2 tag";
      return false;
    }
    if (h[0] == 0) {
      copy(pos, tagEnd - pos);
      break;
    }
    if (have < sizeof h || !IsFrameIdByte(h[0]) || !IsFrameIdByte(h[1]) || !IsFrameIdByte(h[2]) ||
        !IsFrameIdByte(h[3]))
      break;
    const std::uint64_t size = ReadBe32(h + 4);
    if (size > tagEnd - pos - 10) break;
    const TagPiece frame{{}, pos, 10 + size};
    const bool kept = std::memcmp(h, "SEEK", 4) != 0 &&
                      !Replaced(extra, read, std::string_view(reinterpret_cast<const char*>(h), sizeof h), pos + 10, size);
    if (kept && TagReaderTakesPiece(read, frame, why))
      copy(pos, 10 + size);
    else if (!why.empty())
      return false;
    pos += 10 + size;
  }
  return true;
}

}  // namespace

int WriteSyncMp3Tag(std::FILE* source, const std::string& destination,
                    std::span<const unsigned char> frame, bool inPlace, std::string* why,
                    const std::string& sourceName, const SyncMp3ExtraFrames* extra) {
  const std::string_view extraFrames = extra ? std::string_view(extra->frames) : std::string_view();
  const int fd = ::fileno(source);
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    Say(why, "cannot read '" + sourceName + "': " + ErrnoText());
    return kSyncMp3OpenError;
  }
  const std::uint64_t n = static_cast<std::uint64_t>(st.st_size);
  const SourceReader read = [fd](std::uint64_t offset, unsigned char* out, std::size_t count) {
    while (count > 0) {
      const ssize_t got = ::pread(fd, out, count, static_cast<off_t>(offset));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;
      out += got;
      offset += static_cast<std::uint64_t>(got);
      count -= static_cast<std::size_t>(got);
    }
    return true;
  };
  // The first 20 bytes; a shorter source leaves the rest zero.
  unsigned char head[20] = {};
  if (!read(0, head, static_cast<std::size_t>(std::min<std::uint64_t>(n, sizeof head)))) {
    Say(why, "cannot read '" + sourceName + "': " + ErrnoText());
    return kSyncMp3OpenError;
  }

  // The new file, decided whole before the destination is opened: the new tag's header and the
  // lyrics frame, then the frames the source's tag carries (and lyrics frames of other kinds may
  // follow the leading TXXX here), then the audio and whatever follows it.
  std::string start;
  std::vector<TagPiece> carried;
  std::uint64_t carriedBytes = 0;
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
    const std::uint64_t tagEnd = kId3HeaderBytes + s;
    const bool leadingTxxx = std::memcmp(head + 10, "TXXX", 4) == 0;
    std::uint64_t k = 0;
    if (head[3] == 3) {
      // Frame sizes are plain numbers in version 2.3: the frames after the lyrics frame and the
      // padding go over as they are, the audio and an ID3v1 tag after them.
      k = leadingTxxx ? std::uint64_t(ReadBe32(head + 14)) + 10 : 0;
      if (k > s) {
        Say(why, "the source's ID3v2 tag is damaged (its first frame reaches past the tag)");
        return kSyncMp3OpenError;
      }
      // A revision of 255 makes the reader pass the tag by; flags v2.3 does not define mean
      // nothing and go.
      start.assign(reinterpret_cast<const char*>(head), 6);
      if (head[4] == 0xFF) start[4] = 0;
      start[5] = static_cast<char>(head[5] & 0x20);
      if (tagEnd > n) {
        Say(why, "the source's ID3v2 tag is damaged (it reaches past the file's end)");
        return kSyncMp3OpenError;
      }
      std::string reason;
      if (!CarryId3v23Frames(read, kId3HeaderBytes + k, tagEnd, extra, carried, reason)) {
        Say(why, reason);
        return kSyncMp3OpenError;
      }
      for (const TagPiece& piece : carried) carriedBytes += piece.bytes.size() + piece.count;
      carried.push_back({{}, tagEnd, n - tagEnd});
    } else {
      // A plain-sized lyrics frame is only valid in a version 2.3 tag, so a version 2.4 tag's
      // frames are converted to it; its footer is left out.
      const std::uint64_t footer = (head[5] & 0x10) ? 10 : 0;
      if (tagEnd + footer > n) {
        Say(why, "the source's ID3v2 tag is damaged (it reaches past the file's end)");
        return kSyncMp3OpenError;
      }
      if (leadingTxxx) {
        if (!Id3v24FrameSize(read, kId3HeaderBytes, tagEnd, k)) {
          Say(why, "the source's ID3v2 tag is damaged (its first frame reaches past the tag)");
          return kSyncMp3OpenError;
        }
        k += 10;
      }
      std::string reason;
      if (!ConvertId3v24Frames(read, kId3HeaderBytes + k, tagEnd, carried, reason)) {
        Say(why, reason);
        return kSyncMp3OpenError;
      }
      std::erase_if(carried, [&](const TagPiece& piece) {
        return Replaced(extra, read, piece.bytes, piece.from, piece.count);
      });
      for (const TagPiece& piece : carried) carriedBytes += piece.bytes.size() + piece.count;
      start = {'I', 'D', '3', 0x03, 0x00, static_cast<char>(head[5] & 0x20)};
      carried.push_back({{}, tagEnd + footer, n - tagEnd - footer});
    }
    const std::uint64_t newSize = carriedBytes + frame.size() + extraFrames.size();
    if (newSize > kMaxSyncsafe) {
      Say(why, "the source's ID3v2 tag is too large");
      return kSyncMp3OpenError;
    }
    start.resize(10);
    PutSyncsafe(reinterpret_cast<unsigned char*>(start.data()) + 6, static_cast<std::uint32_t>(newSize));
    start.append(reinterpret_cast<const char*>(frame.data()), frame.size());
    start.append(extraFrames);
  } else {
    bool hasV1 = false;
    if (n >= kId3v1Bytes) {
      if (!read(n - kId3v1Bytes, v1.data(), v1.size())) {
        Say(why, "cannot read '" + sourceName + "': " + ErrnoText());
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
      keepV1 = true;
    }
    const std::uint64_t size = frame.size() + extraFrames.size() + frames.size() + 10;
    unsigned char header[10] = {'I', 'D', '3', 0x03, 0x00, 0x00};
    PutSyncsafe(header + 6, static_cast<std::uint32_t>(size));
    start.assign(reinterpret_cast<const char*>(header), sizeof header);
    start.append(reinterpret_cast<const char*>(frame.data()), frame.size());
    start.append(extraFrames);
    start.append(reinterpret_cast<const char*>(frames.data()), frames.size());
    start.append(10, '\0');
    carried.push_back({{}, 0, keepV1 ? n - kId3v1Bytes : n});
  }

  // Every destination is written beside itself and put into place whole. When it replaces an
  // existing file (in place, or an overwrite the user confirmed) that file may be the user's only
  // copy, so the new content is on disk before it shows; a brand-new destination leaves every
  // existing file untouched whatever happens, and is flushed like a copy.
  AtomicFileWriter out;
  out.SetDurable(inPlace || FileExists(destination));
  bool written = out.Open(destination) && out.Write(start.data(), start.size());
  for (const TagPiece& piece : carried)
    written = written && out.Write(piece.bytes.data(), piece.bytes.size()) &&
              out.CopyFrom(fd, piece.from, piece.count, sourceName);
  written = written && (!keepV1 || out.Write(v1.data(), v1.size()));
  if (!written) {
    Say(why, out.Error());
    return kSyncMp3WriteError;
  }
  // MP3 open finds the lyrics through the tag reader: a tag in which it would not see the lyrics
  // frame is not put in place.
  if (frame.size() >= 11 && std::memcmp(frame.data(), "TXXX", 4) == 0) {
    const auto* text = reinterpret_cast<const char*>(frame.data()) + 11;
    const std::string_view description(text, ::strnlen(text, frame.size() - 11));
    if (!TagReaderShowsLyricsFrame(out.ReadablePath(), description)) {
      Say(why, "the source's ID3v2 tag cannot take the lyrics frame: the tag reader would not see it in the new tag");
      return kSyncMp3OpenError;
    }
  }
  if (!out.Commit()) {
    Say(why, out.Error());
    return kSyncMp3WriteError;
  }
  return kSyncMp3Saved;
}

int SaveSyncMp3File(const std::string& source, const std::string& destination, bool inPlace,
                    std::span<const unsigned char, kSyncBlockBytes> block, std::string* why,
                    const SyncMp3ExtraFrames* extra) {
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
                      inPlace, why, source, extra);
  std::fclose(src);
  return result;
}

int SaveSyncMp3File(const std::string& source, const std::string& destination, bool inPlace,
                    std::string* why, const SyncMp3ExtraFrames* extra) {
  return SaveSyncMp3File(source, destination, inPlace, SyncBlockBuffer, why, extra);
}

int ReadSyncMp3Block(const std::string& path, std::span<unsigned char, kSyncBlockBytes> block,
                     bool* foundFrame) {
  if (foundFrame) *foundFrame = false;
  if (!IsRegularFile(path)) return 0;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return 0;
  unsigned char head[21];
  struct stat st {};
  if (ReadAt(f, 0, head, sizeof head) && std::memcmp(head + 10, "TXXX", 4) == 0) {
    const std::uint32_t m = ReadBe32(head + 14);
    // A frame the file ends inside is refused rather than filled up with zeros.
    if (::fstat(::fileno(f), &st) != 0 || 20 + std::uint64_t{m} > static_cast<std::uint64_t>(st.st_size)) {
      std::fill(block.begin(), block.end(), 0);
      std::fclose(f);
      return -1;
    }
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
