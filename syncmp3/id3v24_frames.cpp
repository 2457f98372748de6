#include "syncmp3/id3v24_frames.h"

#include <id3tag.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

namespace vexalo {

namespace {

// Frames whose body is read into memory to be converted or checked; larger ones keep their text
// as it is and are taken as they are.
constexpr std::uint64_t kMostConvertedBytes = 16u << 20;

std::uint32_t ReadBe32(const unsigned char* p) {
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

bool IsSyncsafe(const unsigned char* p) { return ((p[0] | p[1] | p[2] | p[3]) & 0x80) == 0; }

std::uint32_t ReadSyncsafe(const unsigned char* p) {
  return std::uint32_t(p[0]) << 21 | std::uint32_t(p[1]) << 14 | std::uint32_t(p[2]) << 7 | p[3];
}

void AppendBe32(std::string& out, std::uint32_t v) {
  out.push_back(static_cast<char>(v >> 24));
  out.push_back(static_cast<char>(v >> 16));
  out.push_back(static_cast<char>(v >> 8));
  out.push_back(static_cast<char>(v));
}

bool IsFrameId(const unsigned char* id) {
  for (int i = 0; i < 4; ++i)
    if (!((id[i] >= 'A' && id[i] <= 'Z') || (id[i] >= '0' && id[i] <= '9'))) return false;
  return true;
}

// Whether a frame, the padding or the tag's end can begin at `pos`.
bool FrameCanStartAt(const SourceReader& read, std::uint64_t pos, std::uint64_t tagEnd) {
  if (pos == tagEnd) return true;
  if (pos > tagEnd) return false;
  std::array<unsigned char, 10> h{};
  const std::size_t n = tagEnd - pos < h.size() ? static_cast<std::size_t>(tagEnd - pos) : h.size();
  if (!read(pos, h.data(), n)) return false;
  bool zeros = true;
  for (std::size_t i = 0; i < n; ++i) zeros = zeros && h[i] == 0;
  if (zeros) return true;
  if (n < h.size() || !IsFrameId(h.data())) return false;
  const std::uint64_t room = tagEnd - pos - 10;
  return (IsSyncsafe(h.data() + 4) && ReadSyncsafe(h.data() + 4) <= room) || ReadBe32(h.data() + 4) <= room;
}

// Frame bodies by their fields, as far as text is concerned.
enum class Field : unsigned char {
  kEncoding,     // the text encoding byte
  kLatin1,       // ISO-8859-1 text up to and with its zero byte
  kText,         // one text in the frame's encoding, up to and with its terminator
  kTexts,        // texts in the frame's encoding to the end
  kSyncedTexts,  // texts each followed by a 4-byte time stamp, to the end
  kByte,
  kLanguage,  // 3 bytes
  kDate,      // 8 bytes
  kRest,      // anything, to the end
  kEnd,
};

const Field* TextLayout(std::string_view id) {
  using F = Field;
  static const F text[] = {F::kEncoding, F::kTexts, F::kEnd};
  static const F txxx[] = {F::kEncoding, F::kText, F::kTexts, F::kEnd};
  static const F wxxx[] = {F::kEncoding, F::kText, F::kRest, F::kEnd};
  static const F comm[] = {F::kEncoding, F::kLanguage, F::kText, F::kTexts, F::kEnd};
  static const F user[] = {F::kEncoding, F::kLanguage, F::kTexts, F::kEnd};
  static const F apic[] = {F::kEncoding, F::kLatin1, F::kByte, F::kText, F::kRest, F::kEnd};
  static const F geob[] = {F::kEncoding, F::kLatin1, F::kText, F::kText, F::kRest, F::kEnd};
  static const F sylt[] = {F::kEncoding, F::kLanguage, F::kByte, F::kByte, F::kText, F::kSyncedTexts, F::kEnd};
  static const F owne[] = {F::kEncoding, F::kLatin1, F::kDate, F::kTexts, F::kEnd};
  static const F comr[] = {F::kEncoding, F::kLatin1, F::kDate, F::kLatin1, F::kByte,
                           F::kText,     F::kText,   F::kRest, F::kEnd};
  if (id == "TXXX") return txxx;
  if (!id.empty() && id[0] == 'T') return text;
  if (id == "WXXX") return wxxx;
  if (id == "COMM" || id == "USLT") return comm;
  if (id == "USER") return user;
  if (id == "APIC") return apic;
  if (id == "GEOB") return geob;
  if (id == "SYLT") return sylt;
  if (id == "OWNE") return owne;
  if (id == "COMR") return comr;
  return nullptr;
}

// Decodes one text of `encoding` (2 UTF-16BE, 3 UTF-8) from data[pos...] to its terminator or the
// end; `terminated` tells which. What the tag reader (libid3tag) cannot decode it skips without a
// trace, and so does this: a lone surrogate, an odd last byte, a byte that does not begin a
// well-formed UTF-8 sequence. A character the reader takes but UTF-16 cannot hold (a surrogate
// written in UTF-8, a code point past U+10FFFF) stays one character: U+FFFD.
std::u32string DecodeText(std::string_view data, int encoding, std::size_t& pos, bool& terminated) {
  auto byte = [&](std::size_t i) { return i < data.size() ? static_cast<unsigned char>(data[i]) : 0u; };
  std::u32string out;
  terminated = false;
  if (encoding == 2) {
    std::vector<char32_t> units;
    while (pos + 1 < data.size()) {
      const char32_t unit = byte(pos) << 8 | byte(pos + 1);
      pos += 2;
      if (unit == 0) {
        terminated = true;
        break;
      }
      units.push_back(unit);
    }
    if (!terminated) pos = data.size();
    for (std::size_t i = 0; i < units.size(); ++i) {
      const char32_t u = units[i];
      if (u < 0xD800 || u > 0xDFFF) {
        out.push_back(u);
      } else if (u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
        out.push_back(0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
        ++i;
      }
    }
    return out;
  }
  std::size_t end = data.find('\0', pos);
  if (end == std::string_view::npos) {
    end = data.size();
  } else {
    terminated = true;
  }
  // Lead byte pattern, sequence length and least value, as the reader knows them.
  struct Form {
    unsigned char mask, lead;
    int length;
    char32_t least;
  };
  static const Form kForms[] = {{0xE0, 0xC0, 2, 0x80},      {0xF0, 0xE0, 3, 0x800},
                                {0xF8, 0xF0, 4, 0x10000},   {0xFC, 0xF8, 5, 0x200000},
                                {0xFE, 0xFC, 6, 0x4000000}};
  while (pos < end) {
    const unsigned char c = byte(pos);
    if (c < 0x80) {
      out.push_back(c);
      ++pos;
      continue;
    }
    bool taken = false;
    for (const Form& form : kForms) {
      if ((c & form.mask) != form.lead) continue;
      bool good = pos + form.length <= end;
      for (int k = 1; good && k < form.length; ++k) good = (byte(pos + k) & 0xC0) == 0x80;
      if (!good) break;
      char32_t cp = c & (0x7F >> form.length);
      for (int k = 1; k < form.length; ++k) cp = cp << 6 | (byte(pos + k) & 0x3F);
      if (cp < form.least) break;
      out.push_back(cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) ? 0xFFFD : cp);
      pos += form.length;
      taken = true;
      break;
    }
    if (!taken) ++pos;
  }
  if (terminated) ++pos;
  return out;
}

// UTF-16 little-endian with its byte order mark, as ID3v2.3 wants every such text.
void AppendUtf16(std::string& out, const std::u32string& text, bool terminated) {
  out += "\xFF\xFE";
  auto unit = [&](char32_t u) {
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
  };
  for (char32_t cp : text) {
    if (cp >= 0x10000) {
      unit(0xD800 + ((cp - 0x10000) >> 10));
      unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      unit(cp);
    }
  }
  if (terminated) out.append(2, '\0');
}

}  // namespace

std::string Id3v23FrameData(std::string_view id, std::string_view data) {
  const Field* layout = TextLayout(id);
  if (!layout || data.empty() || (data[0] != 2 && data[0] != 3)) return std::string(data);
  const int encoding = data[0];
  std::string out;
  std::size_t pos = 0;
  auto fixed = [&](std::size_t n) {
    if (data.size() - pos < n) return false;
    out.append(data.substr(pos, n));
    pos += n;
    return true;
  };
  auto text = [&] {
    bool terminated = false;
    const std::u32string t = DecodeText(data, encoding, pos, terminated);
    AppendUtf16(out, t, terminated);
  };
  for (; *layout != Field::kEnd; ++layout) {
    switch (*layout) {
      case Field::kEncoding:
        out.push_back('\1');
        ++pos;
        break;
      case Field::kLatin1: {
        const std::size_t zero = data.find('\0', pos);
        if (zero == std::string_view::npos) return std::string(data);
        fixed(zero + 1 - pos);
        break;
      }
      case Field::kText:
        if (pos >= data.size()) return std::string(data);
        text();
        break;
      case Field::kTexts:
        // A single byte left over after UTF-16 texts is no text to the reader, or an empty one
        // when it is all there is.
        for (bool first = true; pos < data.size(); first = false) {
          if (encoding == 2 && data.size() - pos < 2) {
            if (first) AppendUtf16(out, {}, false);
            break;
          }
          text();
        }
        break;
      case Field::kSyncedTexts:
        while (pos < data.size()) {
          text();
          if (!fixed(4)) return std::string(data);
        }
        break;
      case Field::kByte:
        if (!fixed(1)) return std::string(data);
        break;
      case Field::kLanguage:
        if (!fixed(3)) return std::string(data);
        break;
      case Field::kDate:
        if (!fixed(8)) return std::string(data);
        break;
      case Field::kRest:
        fixed(data.size() - pos);
        break;
      case Field::kEnd:
        break;
    }
  }
  return out;
}

bool Id3v24FrameSize(const SourceReader& read, std::uint64_t pos, std::uint64_t tagEnd,
                     std::uint64_t& size) {
  std::array<unsigned char, 17> h{};
  if (tagEnd < pos + 10 || !read(pos, h.data(), 10)) return false;
  const std::size_t more = tagEnd - pos - 10 < 7 ? static_cast<std::size_t>(tagEnd - pos - 10) : 7;
  if (more > 0 && !read(pos + 10, h.data() + 10, more)) return false;
  const bool ours = std::memcmp(h.data(), "TXXX", 4) == 0 && more == 7 &&
                    std::memcmp(h.data() + 10, "\0SO\x87\xD6\x12\0", 7) == 0;
  std::uint64_t candidates[2];
  int count = 0;
  const std::uint64_t plain = ReadBe32(h.data() + 4);
  if (ours) candidates[count++] = plain;
  if (IsSyncsafe(h.data() + 4)) candidates[count++] = ReadSyncsafe(h.data() + 4);
  if (!ours) candidates[count++] = plain;
  for (int i = 0; i < count; ++i) {
    if (candidates[i] > tagEnd - pos - 10) continue;
    if (FrameCanStartAt(read, pos + 10 + candidates[i], tagEnd)) {
      size = candidates[i];
      return true;
    }
  }
  return false;
}

bool ConvertId3v24Frames(const SourceReader& read, std::uint64_t pos, std::uint64_t tagEnd,
                         std::vector<TagPiece>& pieces, std::string& why) {
  while (pos < tagEnd) {
    std::array<unsigned char, 10> h{};
    const bool header = tagEnd - pos >= 10;
    if (header && !read(pos, h.data(), h.size())) {
      why = "cannot read the source's ID3v2 tag";
      return false;
    }
    if (!header && !read(pos, h.data(), 1)) {
      why = "cannot read the source's ID3v2 tag";
      return false;
    }
    if (h[0] == 0) {
      // Padding goes over as it is; the reader looks no further.
      pieces.push_back({{}, pos, tagEnd - pos});
      break;
    }
    // Bytes that begin neither a frame nor the padding would make the reader drop the whole tag.
    if (!header || !IsFrameId(h.data())) break;
    const std::string id(reinterpret_cast<const char*>(h.data()), 4);
    const std::string at = "the source's ID3v2.4 tag: the " + id + " frame at byte " + std::to_string(pos);
    std::uint64_t size = 0;
    if (!Id3v24FrameSize(read, pos, tagEnd, size)) {
      why = at + " reaches past the tag's end";
      return false;
    }
    const unsigned char status = h[8], format = h[9];
    // A format flag v2.4 does not define leaves the frame's layout unknown (the reader keeps it
    // unread), and v2.3 cannot say so. A SEEK frame counts from the end of a tag that moves.
    if ((format & 0xB0) != 0 || id == "SEEK") {
      pos += 10 + size;
      continue;
    }
    const bool grouped = format & 0x40, compressed = format & 0x08, encrypted = format & 0x04;
    const bool unsynchronised = format & 0x02, lengthGiven = format & 0x01;
    if (compressed && !lengthGiven) {
      why = at + " is compressed without its data length";
      return false;
    }
    const std::uint64_t extras = (grouped ? 1 : 0) + (encrypted ? 1 : 0) + (lengthGiven ? 4 : 0);
    const bool textual = TextLayout(id) != nullptr && !compressed && !encrypted;

    // Read into memory only what has to change: unsynchronised bytes, or text in a v2.4 encoding.
    std::string body;
    bool inMemory = unsynchronised;
    if (!inMemory && textual && size > extras) {
      unsigned char encoding = 0;
      if (!read(pos + 10 + extras, &encoding, 1)) {
        why = "cannot read the source's ID3v2 tag";
        return false;
      }
      inMemory = (encoding == 2 || encoding == 3) && size <= kMostConvertedBytes;
    }
    if (inMemory) {
      if (size > kMostConvertedBytes) {
        why = at + " is too large to convert";
        return false;
      }
      body.resize(static_cast<std::size_t>(size));
      if (size > 0 && !read(pos + 10, reinterpret_cast<unsigned char*>(body.data()), body.size())) {
        why = "cannot read the source's ID3v2 tag";
        return false;
      }
      if (unsynchronised) {
        std::string plain;
        plain.reserve(body.size());
        for (std::size_t i = 0; i < body.size(); ++i) {
          plain.push_back(body[i]);
          if (static_cast<unsigned char>(body[i]) == 0xFF && i + 1 < body.size() && body[i + 1] == '\0') ++i;
        }
        body.swap(plain);
      }
    } else {
      body.resize(static_cast<std::size_t>(std::min<std::uint64_t>(extras, size)));
      if (!body.empty() && !read(pos + 10, reinterpret_cast<unsigned char*>(body.data()), body.size())) {
        why = "cannot read the source's ID3v2 tag";
        return false;
      }
    }
    if (body.size() < extras) {
      why = at + " is shorter than its flags say";
      return false;
    }
    // v2.4 puts group, encryption method and data length in this order; v2.3 puts the
    // decompressed length, the encryption method and the group.
    std::size_t extrasRead = 0;
    const char group = grouped ? body[extrasRead++] : 0;
    const char method = encrypted ? body[extrasRead++] : 0;
    std::uint32_t length = 0;
    if (lengthGiven) {
      length = ReadSyncsafe(reinterpret_cast<const unsigned char*>(body.data()) + extrasRead);
      extrasRead += 4;
    }
    std::string front;
    if (compressed) AppendBe32(front, length);
    if (encrypted) front.push_back(method);
    if (grouped) front.push_back(group);

    TagPiece piece;
    std::uint64_t dataBytes = 0;
    if (inMemory) {
      std::string data = body.substr(extrasRead);
      if (textual) data = Id3v23FrameData(id, data);
      front += data;
    } else {
      piece.from = pos + 10 + extras;
      piece.count = size - extras;
      dataBytes = piece.count;
    }
    piece.bytes = id;
    AppendBe32(piece.bytes, static_cast<std::uint32_t>(front.size() + dataBytes));
    piece.bytes.push_back(static_cast<char>((status & 0x70) << 1));
    piece.bytes.push_back(static_cast<char>((compressed ? 0x80 : 0) | (encrypted ? 0x40 : 0) | (grouped ? 0x20 : 0)));
    piece.bytes += front;
    if (!TagReaderTakesPiece(read, piece, why)) {
      if (!why.empty()) return false;
    } else {
      pieces.push_back(std::move(piece));
    }
    pos += 10 + size;
  }
  return true;
}

// The tag reader allocates the inflated length a compressed frame declares before it inflates the
// data, and refuses the frame when the data does not inflate to exactly that length. Deflate
// expands at most about 1032 times, so a longer declared length can never parse: such a frame is
// refused here without asking the reader for gigabytes.
namespace {
bool DeclaresUnreachableInflatedLength(std::string_view frame) {
  if (frame.size() < 14) return false;
  const auto format = static_cast<unsigned char>(frame[9]);
  if (!(format & 0x80) || (format & 0x40)) return false;
  const std::uint64_t declared = ReadBe32(reinterpret_cast<const unsigned char*>(frame.data()) + 10);
  const std::size_t extras = 4 + ((format & 0x20) ? 1 : 0);
  const std::uint64_t deflated = frame.size() > 10 + extras ? frame.size() - 10 - extras : 0;
  return declared > deflated * 1032 + 1024;
}
}  // namespace

bool TagReaderTakesFrame(std::string_view frame) {
  if (DeclaresUnreachableInflatedLength(frame)) return false;
  std::string tag("ID3\x03\x00\x00", 6);
  const auto size = static_cast<std::uint32_t>(frame.size());
  for (int shift : {21, 14, 7, 0}) tag.push_back(static_cast<char>((size >> shift) & 0x7F));
  tag += frame;
  id3_tag* parsed = id3_tag_parse(reinterpret_cast<const id3_byte_t*>(tag.data()), tag.size());
  if (!parsed) return false;
  id3_tag_delete(parsed);
  return true;
}

bool TagReaderTakesPiece(const SourceReader& read, const TagPiece& piece, std::string& why) {
  why.clear();
  if (piece.bytes.size() + piece.count > kMostConvertedBytes) return true;
  std::string frame = piece.bytes;
  frame.resize(piece.bytes.size() + static_cast<std::size_t>(piece.count));
  if (piece.count > 0 &&
      !read(piece.from, reinterpret_cast<unsigned char*>(frame.data()) + piece.bytes.size(), static_cast<std::size_t>(piece.count))) {
    why = "cannot read the source's ID3v2 tag";
    return false;
  }
  return TagReaderTakesFrame(frame);
}

bool TagReaderShowsLyricsFrame(const std::string& path, std::string_view description) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  id3_file* file = id3_file_open(path.c_str(), ID3_FILE_MODE_READONLY);
  if (!file) return false;
  bool shown = false;
  if (const id3_tag* tag = id3_file_tag(file)) {
    if (id3_frame* frame = id3_tag_findframe(tag, "TXXX", 0)) {
      union id3_field* field = id3_frame_field(frame, 1);
      id3_ucs4_t const* text = field ? id3_field_getstring(field) : nullptr;
      if (text) {
        id3_latin1_t* latin1 = id3_ucs4_latin1duplicate(text);
        // The reader shows a line feed in a description as a blank.
        std::string expected(description);
        std::replace(expected.begin(), expected.end(), '\n', ' ');
        shown = latin1 && std::string_view(reinterpret_cast<const char*>(latin1)) == expected;
        std::free(latin1);
      }
    }
  }
  id3_file_close(file);
  return shown;
}

}  // namespace vexalo
