#include "common/text_codec.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

#include "common/cp949_chars.h"

namespace vexalo {

namespace {

constexpr char32_t kEscapeBase = 0xF700;  // U+F780..U+F7FF carry bytes that are not CP949

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }



// One iconv descriptor for the length of a conversion.
class Converter {
 public:
  Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
  ~Converter() {
    if (Ok()) iconv_close(m_cd);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool Ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

  // Converts as much of `in` as it can, appending to out; returns the input bytes consumed.
  // `clean` is false when iconv reported a sequence it could not convert. glibc's
  // CP949 then sometimes has consumed that sequence already (A2 E8: both bytes gone, nothing
  // written), so after an error the bytes consumed cannot be trusted.
  std::size_t Run(std::string_view in, std::string& out, bool& clean) {
    char* src = const_cast<char*>(in.data());
    std::size_t left = in.size();
    char buf[1024];
    clean = true;
    while (left > 0) {
      char* dst = buf;
      std::size_t room = sizeof buf;
      const std::size_t r = iconv(m_cd, &src, &left, &dst, &room);
      out.append(buf, static_cast<std::size_t>(dst - buf));
      if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
        clean = false;
        break;
      }
    }
    iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    return in.size() - left;
  }

 private:
  iconv_t m_cd;
};

// Length of an editor tag (mark, digits, closing mark) at s[i], or 0.
std::size_t EditorTagAt(std::string_view s, std::size_t i) {
  const std::size_t longTag = EditorLongTagAt(s, i);
  return longTag != 0 ? longTag : EditorShortTagAt(s, i);
}

// Appends byte b, which is not CP949, as its escape character.
void AppendEscape(Cp949Decoded& result, unsigned char b) {
  AppendUtf8(result.utf8, kEscapeBase + b);
  ++result.invalidBytes;
}

// Text goes to iconv in pieces of about this many bytes; a piece in which iconv reports an error
// is done again one character at a time.
constexpr std::size_t kPieceBytes = 512;

// Decodes a piece of a run, keeping every byte iconv cannot decode as an escape.
void DecodePiece(Converter& conv, std::string_view piece, Cp949Decoded& result) {
  std::string& out = result.utf8;
  const std::size_t before = out.size();
  bool clean = false;
  if (conv.Ok() && conv.Run(piece, out, clean) == piece.size() && clean) return;
  out.resize(before);
  for (std::size_t i = 0; i < piece.size();) {
    const std::size_t width = NextCharacter(piece, i) - i;
    const std::size_t mark = out.size();
    if (conv.Ok() && conv.Run(piece.substr(i, width), out, clean) == width && clean) {
      i += width;
      continue;
    }
    out.resize(mark);
    AppendEscape(result, static_cast<unsigned char>(piece[i]));
    // A trail byte of 0x80 or more belongs to the pair that failed; one below is a character
    // of its own (a line break, a letter) and is decoded as such.
    if (width == 2 && static_cast<unsigned char>(piece[i + 1]) >= 0x80) {
      AppendEscape(result, static_cast<unsigned char>(piece[i + 1]));
      i += 2;
    } else {
      i += 1;
    }
  }
}

// Decodes a run that holds no editor tag, in pieces that end on character boundaries.
void DecodeRun(Converter& conv, std::string_view run, Cp949Decoded& result) {
  while (!run.empty()) {
    std::size_t end = 0;
    while (end < run.size() && end < kPieceBytes) end = NextCharacter(run, end);
    DecodePiece(conv, run.substr(0, end), result);
    run.remove_prefix(end);
  }
}

// Encodes a piece of UTF-8, reporting each character CP949 cannot hold (and each malformed byte)
// and writing '?' for it.
void EncodePiece(Converter& conv, std::string_view piece, Cp949Encoded& result) {
  std::string& out = result.bytes;
  const std::size_t before = out.size();
  bool clean = false;
  if (conv.Ok() && conv.Run(piece, out, clean) == piece.size() && clean) return;
  out.resize(before);
  while (!piece.empty()) {
    char32_t c = 0xFFFD;
    std::size_t n = NextUtf8(piece, 0, c);
    if (n == 0) n = 1;
    const std::size_t mark = out.size();
    if (!(conv.Ok() && conv.Run(piece.substr(0, n), out, clean) == n && clean)) {
      out.resize(mark);
      result.unencodable.push_back(c);
      out.push_back('?');
    }
    piece.remove_prefix(n);
  }
}

}  // namespace

std::size_t NextUtf8(std::string_view s, std::size_t i, char32_t& c) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = b(i);
  std::size_t n;
  if (lead < 0x80) {
    c = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    n = 2;
    c = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    n = 3;
    c = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    n = 4;
    c = lead & 0x07;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b(i + k) & 0x3F);
  }
  static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kMin[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return n;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

Cp949Decoded DecodeCp949(std::string_view cp949) {
  Cp949Decoded result;
  Converter conv("UTF-8", "CP949");
  std::string& out = result.utf8;
  out.reserve(cp949.size() * 3 / 2);
  std::size_t i = 0;
  while (i < cp949.size()) {
    // A run up to the next editor tag goes to iconv whole. Tags are looked for only where a
    // character begins, as the stored-form conversion does: a trail byte is never a mark, and
    // a tag's closing 0xBB is never taken as the lead byte of a character.
    std::size_t end = i;
    while (end < cp949.size() && EditorTagAt(cp949, end) == 0) end = NextCharacter(cp949, end);
    DecodeRun(conv, cp949.substr(i, end - i), result);
    i = end;
    if (i < cp949.size()) {
      const std::size_t tag = EditorTagAt(cp949, i);
      AppendUtf8(out, static_cast<unsigned char>(cp949[i]));  // U+00A7 or U+00AB
      out.append(cp949.substr(i + 1, tag - 2));
      AppendUtf8(out, kEditorClose);
      i += tag;
    }
  }
  return result;
}

Cp949Encoded EncodeCp949(std::string_view utf8) {
  Cp949Encoded result;
  Converter conv("CP949", "UTF-8");
  std::string& out = result.bytes;
  out.reserve(utf8.size());
  std::string pending;  // characters for iconv, converted in one go
  // Pieces end before a UTF-8 lead byte, so no character is split between two of them.
  auto flush = [&]() {
    std::string_view rest = pending;
    while (!rest.empty()) {
      std::size_t end = std::min(rest.size(), kPieceBytes);
      while (end < rest.size() && (static_cast<unsigned char>(rest[end]) & 0xC0) == 0x80) ++end;
      EncodePiece(conv, rest.substr(0, end), result);
      rest.remove_prefix(end);
    }
    pending.clear();
  };
  // "§" + 8 digits + "»" and "«" + 6 digits + "»" are editor tags: single-byte marks.
  auto tagAt = [&](std::size_t i, char32_t open) -> std::size_t {
    const std::size_t digits = open == 0xA7 ? 8 : 6;
    if (i + 2 + digits + 2 > utf8.size()) return 0;
    for (std::size_t k = 0; k < digits; ++k)
      if (!IsDigit(static_cast<unsigned char>(utf8[i + 2 + k]))) return 0;
    char32_t close = 0;
    if (NextUtf8(utf8, i + 2 + digits, close) != 2 || close != kEditorClose) return 0;
    return 2 + digits + 2;
  };

  std::size_t i = 0;
  while (i < utf8.size()) {
    char32_t c = 0;
    const std::size_t n = NextUtf8(utf8, i, c);
    if (n == 0) {
      flush();
      result.unencodable.push_back(0xFFFD);
      out.push_back('?');
      ++i;
      continue;
    }
    if (c == 0xA7 || c == 0xAB) {
      const std::size_t tag = tagAt(i, c);
      if (tag != 0) {
        flush();
        out.push_back(static_cast<char>(c));
        out.append(utf8.substr(i + 2, tag - 4));
        out.push_back(static_cast<char>(kEditorClose));
        i += tag;
        continue;
      }
    }
    if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
      flush();
      out.push_back(static_cast<char>(c - kEscapeBase));
      i += n;
      continue;
    }
    pending.append(utf8.substr(i, n));
    i += n;
  }
  flush();
  return result;
}

std::string Cp949ToUtf8(std::string_view cp949) { return DecodeCp949(cp949).utf8; }

}  // namespace vexalo
