#include "tags/id3v2_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/safe_file.h"
#include "tags/genre_names.h"

namespace vexalo {

const char kTagFrameIds[kTagItemCount][5] = {"TRCK", "TIT2", "TPE1", "TALB", "TYER", "TCON", "COMM"};

const char* TagFrameId(int item, int majorVersion) {
  if (item == kTagYear && majorVersion == 4) return "TDRC";
  return kTagFrameIds[item];
}

const char* TagWriteMessage(TagWriteResult result) {
  switch (result) {
    case TagWriteResult::kWritten:
      return nullptr;
    case TagWriteResult::kCannotOpen:
    case TagWriteResult::kReadOnly:
      return kReadOnlyErrorText;
    case TagWriteResult::kCannotCreate:
    case TagWriteResult::kReadBackFailed:
    case TagWriteResult::kBadTag:
    case TagWriteResult::kUnsupportedTag:
    case TagWriteResult::kWriteFailed:
      return kTagWriteErrorText;
  }
  return kTagWriteErrorText;
}

namespace {

constexpr std::uint32_t kMaxSyncsafe = 0x0FFFFFFF;
// Frames added at the end of the tag, in this order.
constexpr int kAddOrder[kTagItemCount] = {kTagTrack, kTagTitle,   kTagArtist, kTagAlbum,
                                          kTagYear,  kTagComment, kTagGenre};

std::uint32_t ReadBigEndian(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

bool IsSyncsafe(const unsigned char* p) { return ((p[0] | p[1] | p[2] | p[3]) & 0x80) == 0; }

std::uint32_t ReadSyncsafe(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 21) | (std::uint32_t{p[1]} << 14) | (std::uint32_t{p[2]} << 7) | p[3];
}

void AppendBigEndian(std::string& out, std::uint32_t v) {
  char b[4] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
               static_cast<char>(v)};
  out.append(b, 4);
}

void AppendSyncsafe(std::string& out, std::uint32_t v) {
  char b[4] = {static_cast<char>((v >> 21) & 0x7F), static_cast<char>((v >> 14) & 0x7F),
               static_cast<char>((v >> 7) & 0x7F), static_cast<char>(v & 0x7F)};
  out.append(b, 4);
}

void AppendFrameSize(std::string& out, std::uint32_t size, int majorVersion) {
  if (majorVersion == 4)
    AppendSyncsafe(out, size);
  else
    AppendBigEndian(out, size);
}

const unsigned char* Bytes(std::string_view s, std::size_t at = 0) {
  return reinterpret_cast<const unsigned char*>(s.data()) + at;
}

// The size field of the frame header at `p`; false when a v2.4 size is not syncsafe.
bool FrameSize(const unsigned char* p, int majorVersion, std::uint32_t& size) {
  if (majorVersion == 4) {
    if (!IsSyncsafe(p + 4)) return false;
    size = ReadSyncsafe(p + 4);
  } else {
    size = ReadBigEndian(p + 4);
  }
  return true;
}

// Format flags (second flag byte) that change how the frame's body is read: compression,
// encryption, grouping, and in v2.4 also unsynchronisation and the data length indicator.
// A frame with any of them keeps its flag bytes, or its body would be misread.
unsigned char LayoutFlags(int majorVersion) { return majorVersion == 4 ? 0x4F : 0xE0; }

// Where a frame's own data starts after its header, or -1 when the data is compressed,
// encrypted or unsynchronised and so cannot be read in place.
int PlainDataOffset(unsigned char formatFlags, int majorVersion) {
  int offset = 0;
  if (majorVersion == 4) {
    if (formatFlags & 0x0E) return -1;
    if (formatFlags & 0x40) offset += 1;
    if (formatFlags & 0x01) offset += 4;
  } else {
    if (formatFlags & 0xC0) return -1;
    if (formatFlags & 0x20) offset += 1;
  }
  return offset;
}

// Either year frame counts as the year's frame in both versions: libid3tag ignores TYER in a
// v2.4 tag and presents a v2.3 TDRC ahead of a later TYER, so leaving the other one in front
// would hide the edited year from the next reading.
int ItemOfFrameId(std::string_view id) {
  if (id == "TDRC") return kTagYear;
  for (int item = 0; item < kTagItemCount; ++item)
    if (id == kTagFrameIds[item]) return item;
  return -1;
}

// True when the COMM frame at `frame` (header and body) has an empty short description. Only
// such a frame is the editor's comment: the reader shows the first of them, and frames with a
// description (players' private data such as gapless timing) are carried over untouched.
bool CommHasEmptyDescription(std::string_view frame, int majorVersion) {
  const unsigned char* header = Bytes(frame);
  int offset = PlainDataOffset(header[9], majorVersion);
  if (offset < 0) return false;
  std::string_view data = frame.substr(std::min<std::size_t>(frame.size(), 10 + offset));
  if (data.size() < 5) return false;
  std::string_view description = data.substr(4);
  switch (static_cast<unsigned char>(data[0])) {
    case 0:
    case 3:
      return description[0] == '\0';
    case 1:
      if (description.size() >= 4 && (description.substr(0, 2) == "\xFF\xFE" || description.substr(0, 2) == "\xFE\xFF"))
        description.remove_prefix(2);
      [[fallthrough]];
    case 2:
      return description.size() >= 2 && description[0] == '\0' && description[1] == '\0';
    default:
      return false;
  }
}


// Decodes one string of the frame text encoding `encoding` from data[pos...] up to its
// terminator (or the end), as code points; pos moves past the terminator.
void DecodeString(std::string_view data, int encoding, std::size_t& pos, std::u32string& out) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(data[i]); };
  if (encoding == 0) {
    while (pos < data.size() && data[pos] != '\0') out.push_back(byte(pos++));
    if (pos < data.size()) ++pos;
    return;
  }
  if (encoding == 3) {
    while (pos < data.size() && data[pos] != '\0') {
      unsigned char c = byte(pos);
      int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
      if (extra < 0 || pos + extra >= data.size()) {
        out.push_back(0xFFFD);
        ++pos;
        continue;
      }
      char32_t cp = extra == 0 ? c : (c & (0x3F >> extra));
      for (int k = 1; k <= extra; ++k) cp = (cp << 6) | (byte(pos + k) & 0x3F);
      out.push_back(cp);
      pos += extra + 1;
    }
    if (pos < data.size()) ++pos;
    return;
  }
  bool little = false;  // UTF-16 without a byte order mark is read big-endian
  if (encoding == 1 && pos + 1 < data.size()) {
    if (byte(pos) == 0xFF && byte(pos + 1) == 0xFE) {
      little = true;
      pos += 2;
    } else if (byte(pos) == 0xFE && byte(pos + 1) == 0xFF) {
      pos += 2;
    }
  }
  char32_t high = 0;
  while (pos + 1 < data.size()) {
    char32_t unit = little ? (byte(pos) | (byte(pos + 1) << 8)) : ((byte(pos) << 8) | byte(pos + 1));
    pos += 2;
    if (unit == 0) return;
    if (unit >= 0xD800 && unit < 0xDC00) {
      high = unit;
      continue;
    }
    if (unit >= 0xDC00 && unit < 0xE000 && high) unit = 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00);
    high = 0;
    out.push_back(unit);
  }
  pos = data.size();
}

// The text the reader shows of a frame's data (the first string of a text frame, the text after
// a COMM's description), as UTF-8. False when the data cannot be read.
bool ShownText(std::string_view data, bool comment, const TagTextOptions& options, std::string& shown) {
  if (data.empty()) return false;
  int encoding = static_cast<unsigned char>(data[0]);
  if (encoding > 3) return false;
  std::size_t pos = 1;
  std::u32string text;
  if (comment) {
    if (data.size() < 4) return false;
    pos = 4;
    std::u32string description;
    DecodeString(data, encoding, pos, description);
  }
  DecodeString(data, encoding, pos, text);
  if (!comment)
    for (char32_t& c : text)
      if (c == '\n') c = ' ';  // the library shows a text frame's line breaks as blanks
  shown = TagTextToUtf8(text, encoding, options);
  return true;
}

// True when the old frame of `item` should stay as it is: the slot still holds what the reader
// showed of it, and writing the frame anew from the slot would change it (Hangul in UTF-16 or
// in legacy CP949 bytes, a second artist, a line break). Pressing OK to change one field then
// never touches the others.
bool KeepsUntouchedFrame(std::string_view frame, int item, const TagFields& fields, int majorVersion,
                         const TagTextOptions& options) {
  if (item == kTagGenre) return false;  // always the genre chosen in the list
  int offset = PlainDataOffset(static_cast<unsigned char>(frame[9]), majorVersion);
  if (offset < 0 || frame.size() < 10 + static_cast<std::size_t>(offset)) return false;
  const std::string_view data = frame.substr(10 + offset);
  std::string shown;
  if (!ShownText(data, item == kTagComment, options, shown)) return false;
  TagFields asShown;
  asShown.SetText(item, shown);
  std::size_t n = static_cast<std::size_t>(std::clamp<std::int32_t>(
      fields.length[item], 0, static_cast<std::int32_t>(kTagSlotBytes - 1)));
  if (asShown.Text(item) != std::string_view(fields.text[item], n)) return false;
  std::string anew;
  std::size_t readPos = 0;
  PutTagFrame(TagFrameMode::kReplace, item, fields, majorVersion, frame, readPos, anew, options);
  return std::string_view(anew).substr(10) != data;
}
}  // namespace

void PutTagFrame(TagFrameMode mode, int item, const TagFields& fields, int majorVersion,
                 std::string_view oldFrames, std::size_t& readPos, std::string& out, const TagTextOptions& options) {
  std::size_t n = static_cast<std::size_t>(std::clamp<std::int32_t>(
      fields.length[item], 0, static_cast<std::int32_t>(kTagSlotBytes - 1)));
  std::string_view text(fields.text[item], n);

  char language[3] = {'e', 'n', 'g'};
  if (mode == TagFrameMode::kReplace) {
    const unsigned char* header = Bytes(oldFrames, readPos);
    std::uint32_t oldSize = 0;
    FrameSize(header, majorVersion, oldSize);
    if (item == kTagComment) {
      // The language code follows the encoding byte; unreadable in a compressed or encrypted
      // body, in which case the added frame's code stands in.
      int offset = PlainDataOffset(header[9], majorVersion);
      if (offset >= 0 && oldSize >= static_cast<std::uint32_t>(offset) + 4)
        std::memcpy(language, oldFrames.data() + readPos + 10 + offset + 1, 3);
    }
    readPos += 10 + static_cast<std::size_t>(oldSize);
  }

  const TagFrameText encoded = EncodeTagText(text, options);
  // An empty short description: its terminator, after its own byte-order mark in UTF-16.
  const std::string_view description = encoded.encoding == 1 ? std::string_view("\xFF\xFE\0\0", 4) : std::string_view("\0", 1);
  const std::size_t body = 1 + (item == kTagComment ? 3 + description.size() : 0) + encoded.bytes.size();
  out.append(TagFrameId(item, majorVersion), 4);
  AppendFrameSize(out, static_cast<std::uint32_t>(body), majorVersion);
  out.append(2, '\0');
  out.push_back(static_cast<char>(encoded.encoding));
  if (item == kTagComment) {
    out.append(language, 3);
    out.append(description);
  }
  out.append(encoded.bytes);
}

namespace {

TagWriteResult Refuse(TagWriteResult result, std::string* why, const std::string& reason) {
  if (why) *why = reason;
  return result;
}

std::string TagOfFrames(std::string_view headerStart, std::string_view frames) {
  std::string tag(headerStart);
  AppendSyncsafe(tag, static_cast<std::uint32_t>(frames.size()));
  tag += frames;
  return tag;
}

}  // namespace

TagWriteResult BuildId3v2Tag(std::string_view head, std::uint64_t fileSize,
                             const TagFields& fields, TagRewrite& rewrite, std::string* why,
                             const TagTextOptions& options) {
  rewrite = TagRewrite{};
  std::size_t unused = 0;
  if (head.size() < 3 || head.substr(0, 3) != "ID3") {
    std::string frames;
    for (int item : kAddOrder) PutTagFrame(TagFrameMode::kAdd, item, fields, 3, {}, unused, frames, options);
    rewrite.tag = TagOfFrames(std::string_view("ID3\x03\x00\x00", 6), frames);
    rewrite.keepFrom = 0;
    return TagWriteResult::kWritten;
  }

  const std::string damaged = "the ID3v2 tag is damaged: ";
  if (head.size() < 10) return Refuse(TagWriteResult::kBadTag, why, damaged + "its header is cut short");
  const int version = static_cast<unsigned char>(head[3]);
  const unsigned char flags = static_cast<unsigned char>(head[5]);
  if (version != 3 && version != 4)
    return Refuse(TagWriteResult::kUnsupportedTag, why,
                  "ID3v2." + std::to_string(version) + " tags are not rewritten, only versions 2.3 and 2.4");
  // Unsynchronisation and an extended header would both need rewriting along with the frames.
  if (flags & 0x80) return Refuse(TagWriteResult::kUnsupportedTag, why, "the ID3v2 tag uses unsynchronisation");
  if (flags & 0x40) return Refuse(TagWriteResult::kUnsupportedTag, why, "the ID3v2 tag has an extended header");
  if (!IsSyncsafe(Bytes(head, 6))) return Refuse(TagWriteResult::kBadTag, why, damaged + "its size is not syncsafe");
  const std::uint32_t tagSize = ReadSyncsafe(Bytes(head, 6));
  const std::uint64_t footer = (version == 4 && (flags & 0x10)) ? 10 : 0;
  const std::uint64_t oldEnd = 10 + std::uint64_t{tagSize} + footer;
  if (oldEnd > fileSize || head.size() < 10 + std::size_t{tagSize})
    return Refuse(TagWriteResult::kBadTag, why, damaged + "it reaches past the file's end");

  std::string_view old = head.substr(10, tagSize);
  std::string frames;
  frames.reserve(old.size() + kTagItemCount * (10 + kTagSlotBytes + 4));
  bool met[kTagItemCount] = {};
  std::size_t pos = 0;
  while (pos < old.size()) {
    if (old[pos] == '\0') break;  // padding: dropped
    const std::string at = " at byte " + std::to_string(10 + pos);
    if (old.size() - pos < 10) return Refuse(TagWriteResult::kBadTag, why, damaged + "a frame header is cut short" + at);
    const unsigned char* header = Bytes(old, pos);
    std::uint32_t size = 0;
    if (!FrameSize(header, version, size))
      return Refuse(TagWriteResult::kBadTag, why, damaged + "a frame size is not syncsafe" + at);
    if (size > old.size() - pos - 10)
      return Refuse(TagWriteResult::kBadTag, why, damaged + "a frame reaches past the tag's end" + at);
    int item = ItemOfFrameId(old.substr(pos, 4));
    if (item == kTagComment && !CommHasEmptyDescription(old.substr(pos, 10 + size), version)) item = -1;
    const bool itemsFrame = item >= 0 && !met[item];
    if (itemsFrame) met[item] = true;
    if (itemsFrame && !KeepsUntouchedFrame(old.substr(pos, 10 + size), item, fields, version, options)) {
      PutTagFrame(TagFrameMode::kReplace, item, fields, version, old, pos, frames, options);
    } else {
      if (size == 0) return Refuse(TagWriteResult::kBadTag, why, damaged + "a frame of size 0" + at);
      frames.append(old.substr(pos, 8));
      if (header[9] & LayoutFlags(version))
        frames.append(old.substr(pos + 8, 2));
      else
        frames.append(2, '\0');
      frames.append(old.substr(pos + 10, size));
      pos += 10 + static_cast<std::size_t>(size);
    }
  }
  for (int item : kAddOrder) {
    if (met[item]) continue;
    PutTagFrame(TagFrameMode::kAdd, item, fields, version, {}, unused, frames, options);
  }
  if (frames.size() > kMaxSyncsafe) return Refuse(TagWriteResult::kUnsupportedTag, why, "the new ID3v2 tag is too large");

  // The reader passes a tag of revision 255 by as no tag at all.
  std::string headerStart(head.substr(0, 6));
  if (static_cast<unsigned char>(headerStart[4]) == 0xFF) headerStart[4] = '\0';
  rewrite.tag = TagOfFrames(headerStart, frames);
  if (footer) {
    rewrite.tag.append("3DI");
    rewrite.tag.append(head.substr(3, 3));
    AppendSyncsafe(rewrite.tag, static_cast<std::uint32_t>(frames.size()));
  }
  rewrite.keepFrom = oldEnd;
  return TagWriteResult::kWritten;
}

namespace {

bool ReadAt(int fd, void* buf, std::size_t bytes, std::uint64_t offset) {
  auto* p = static_cast<unsigned char*>(buf);
  while (bytes > 0) {
    ssize_t n = ::pread(fd, p, bytes, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    bytes -= static_cast<std::size_t>(n);
    offset += static_cast<std::uint64_t>(n);
  }
  return true;
}

struct FdCloser {
  int fd;
  ~FdCloser() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

namespace {

const char* const kItemNames[kTagItemCount] = {"Track", "Title", "Artist", "Album", "Year", "Genre", "Comment"};

bool ReadTag(const std::string& path, TagReading& reading, const TagTextOptions& options) {
  std::array<unsigned char, 64> sign{};
  if (ReadTagFields(path, reading.fields, sign, options) != 1) return false;
  reading.sign.assign(reinterpret_cast<const char*>(sign.data()), ::strnlen(reinterpret_cast<const char*>(sign.data()), sign.size()));
  return true;
}

// A text in quotes, line breaks and other control characters spelt out so they show.
std::string Quoted(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (u < 0x20 || u == 0x7F) {
      static const char digits[] = "0123456789ABCDEF";
      out += "\\x";
      out += digits[u >> 4];
      out += digits[u & 15];
    } else {
      out += c;
    }
  }
  return out + "'";
}

}  // namespace

std::string ReadBackMismatch(const TagReading& expected, const std::string& signBefore,
                             const TagReading& got) {
  for (int item = 0; item < kTagItemCount; ++item) {
    const std::string_view want = expected.fields.Text(item);
    const std::string_view have = got.fields.Text(item);
    bool same = have == want;
    // The reader joins a year with the date and time frames that follow it: "1999-05-03T10:20".
    if (item == kTagYear && !same && want.size() == 4 && have.size() > 4 && have.substr(0, 4) == want)
      same = have[4] == '-' || have[4] == 'T';
    // A genre reads by its name ("Rock" for "(17)Rock"): what counts is the genre the editor's
    // list selects from it.
    if (item == kTagGenre && !same) same = GenreForSlot(have) == GenreForSlot(want);
    if (!same) return std::string(kItemNames[item]) + " reads " + Quoted(have) + " instead of " + Quoted(want);
  }
  if (got.sign != signBefore) return "the lyrics frame (TXXX) no longer reads";
  return {};
}

TagWriteResult WriteId3v2Tag(const std::string& path, const TagFields& fields, std::string* why,
                             const TagTextOptions& options) {
  auto refuse = [&](TagWriteResult result, const std::string& reason) { return Refuse(result, why, reason); };
  // Through a symbolic link the real file is rewritten, not the link replaced by a copy.
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (!resolved) return refuse(TagWriteResult::kCannotOpen, "cannot open " + Quoted(path) + ": " + std::strerror(errno));
  std::string target(resolved);
  std::free(resolved);

  struct stat st {};
  if (::stat(target.c_str(), &st) != 0)
    return refuse(TagWriteResult::kCannotOpen, "cannot open " + Quoted(path) + ": " + std::strerror(errno));
  if (!S_ISREG(st.st_mode)) return refuse(TagWriteResult::kCannotOpen, Quoted(path) + " is not a regular file");
  if (IsReadOnlyFile(target)) return refuse(TagWriteResult::kReadOnly, Quoted(path) + " is read-only");
  FdCloser file{::open(target.c_str(), O_RDWR | O_CLOEXEC)};
  if (file.fd < 0)
    return refuse(TagWriteResult::kCannotOpen, "cannot open " + Quoted(path) + " for writing: " + std::strerror(errno));
  if (::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode))
    return refuse(TagWriteResult::kCannotOpen, Quoted(path) + " is not a regular file");
  const std::uint64_t fileSize = static_cast<std::uint64_t>(st.st_size);
  const std::string cannotRead = "cannot read " + Quoted(path) + ": ";

  std::string head(static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, 10)), '\0');
  if (!ReadAt(file.fd, head.data(), head.size(), 0)) return refuse(TagWriteResult::kCannotOpen, cannotRead + std::strerror(errno));
  if (head.size() == 10 && head.compare(0, 3, "ID3") == 0 && IsSyncsafe(Bytes(head, 6))) {
    std::uint64_t tagEnd = std::min<std::uint64_t>(10 + ReadSyncsafe(Bytes(head, 6)), fileSize);
    head.resize(static_cast<std::size_t>(tagEnd));
    if (!ReadAt(file.fd, head.data() + 10, head.size() - 10, 10))
      return refuse(TagWriteResult::kCannotOpen, cannotRead + std::strerror(errno));
  }

  TagRewrite rewrite;
  TagWriteResult built = BuildId3v2Tag(head, fileSize, fields, rewrite, why, options);
  if (built != TagWriteResult::kWritten) return built;
  head = std::string();

  TagReading before, expected;
  if (!ReadTag(target, before, options)) return refuse(TagWriteResult::kCannotOpen, cannotRead + "the tag reader cannot open it");
  // The new tag must read as the editor set it, not merely as its own frames read.
  for (int item = 0; item < kTagItemCount; ++item) {
    const std::size_t n = static_cast<std::size_t>(
        std::clamp<std::int32_t>(fields.length[item], 0, static_cast<std::int32_t>(kTagSlotBytes - 1)));
    expected.fields.SetText(item, std::string_view(fields.text[item], ::strnlen(fields.text[item], n)));
  }

  AtomicFileWriter writer;
  if (!writer.Open(target)) return refuse(TagWriteResult::kCannotCreate, writer.Error());
  if (!writer.Write(rewrite.tag.data(), rewrite.tag.size()) ||
      !writer.CopyFrom(file.fd, rewrite.keepFrom, fileSize - rewrite.keepFrom, target))
    return refuse(TagWriteResult::kWriteFailed, writer.Error());
  // The new file is read back as the next opening will read it, before it replaces the old one.
  TagReading got;
  if (!ReadTag(writer.ReadablePath(), got, options))
    return refuse(TagWriteResult::kReadBackFailed, "the new file cannot be read back");
  const std::string mismatch = ReadBackMismatch(expected, before.sign, got);
  if (!mismatch.empty()) return refuse(TagWriteResult::kReadBackFailed, "the new tag would not read back as written: " + mismatch);
  if (!writer.Commit()) return refuse(TagWriteResult::kWriteFailed, writer.Error());
  return TagWriteResult::kWritten;
}

}  // namespace vexalo
