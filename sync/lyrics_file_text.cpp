#include "sync/lyrics_file_text.h"

#include "common/text_codec.h"
#include "common/text_encoding.h"

namespace vexalo {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

unsigned char Byte(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }


bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

void PutUnit(std::string& out, unsigned unit, bool bigEndian) {
  const char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
  out.push_back(bigEndian ? hi : lo);
  out.push_back(bigEndian ? lo : hi);
}

}  // namespace

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  std::string out;
  out.reserve(bytes.size());
  auto unit = [&](std::size_t i) -> char32_t {
    return bigEndian ? (char32_t(Byte(bytes, i)) << 8 | Byte(bytes, i + 1))
                     : (char32_t(Byte(bytes, i + 1)) << 8 | Byte(bytes, i));
  };
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char32_t c = unit(i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size()) {
      const char32_t low = unit(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    if (c >= 0xD800 && c <= 0xDFFF) c = kReplacement;
    AppendUtf8(out, c);
  }
  return out;
}

std::string Utf8ToUtf16(std::string_view utf8, bool bigEndian) {
  std::string out;
  out.reserve(utf8.size() * 2);
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t c = kReplacement;
    std::size_t n = NextUtf8(utf8, i, c);
    if (n == 0) {
      c = kReplacement;
      n = 1;
    }
    if (c >= 0x10000) {
      const char32_t v = c - 0x10000;
      PutUnit(out, 0xD800 + (v >> 10), bigEndian);
      PutUnit(out, 0xDC00 + (v & 0x3FF), bigEndian);
    } else {
      PutUnit(out, static_cast<unsigned>(c), bigEndian);
    }
    i += n;
  }
  return out;
}

std::string Latin1ToUtf8(std::string_view latin1) {
  std::string out;
  out.reserve(latin1.size());
  for (char c : latin1) AppendUtf8(out, static_cast<unsigned char>(c));
  return out;
}

std::optional<std::string> Utf8ToLatin1(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t c = 0;
    const std::size_t n = NextUtf8(utf8, i, c);
    if (n == 0 || c > 0xFF) return std::nullopt;
    out.push_back(static_cast<char>(c));
    i += n;
  }
  return out;
}

LyricsFileText ReadLyricsFileText(std::string_view bytes, EncodingChoice choice) {
  LyricsFileText result;
  std::string utf8;
  if (choice != EncodingChoice::Automatic) {
    const DecodedText read = DecodeText(bytes, choice);
    result.invalid = read.invalid;
    result.byteOrderMark = read.bomBytes != 0;
    if (read.encoding == TextEncoding::Cp949) {
      result.cp949 = std::string(bytes);
      return result;
    }
    result.encoding = read.encoding == TextEncoding::Utf8 ? LyricsEncoding::kUtf8 : LyricsEncoding::kUtf16;
    utf8 = read.utf8;
  } else if (StartsWith(bytes, "\xEF\xBB\xBF")) {
    result.encoding = LyricsEncoding::kUtf8;
    result.byteOrderMark = true;
    utf8 = std::string(bytes.substr(3));
  } else if (StartsWith(bytes, "\xFF\xFE") || StartsWith(bytes, "\xFE\xFF")) {
    result.encoding = LyricsEncoding::kUtf16;
    result.byteOrderMark = true;
    utf8 = Utf16ToUtf8(bytes.substr(2), Byte(bytes, 0) == 0xFE);
  } else {
    // Without a mark, the one detection every text file goes through decides.
    const EncodingGuess guess = DetectTextEncoding(bytes);
    if (guess.encoding == TextEncoding::Cp949) {
      result.cp949 = std::string(bytes);
      return result;
    }
    result.encoding = guess.encoding == TextEncoding::Utf8 ? LyricsEncoding::kUtf8 : LyricsEncoding::kUtf16;
    utf8 = guess.encoding == TextEncoding::Utf8 ? std::string(bytes)
                                                 : Utf16ToUtf8(bytes, guess.encoding == TextEncoding::Utf16Be);
  }
  Cp949Encoded encoded = EncodeCp949(utf8);
  result.cp949 = std::move(encoded.bytes);
  result.unencodable = std::move(encoded.unencodable);
  return result;
}

LyricsFileBytes LyricsFileBytesOf(std::string_view cp949, LyricsEncoding encoding, bool byteOrderMark) {
  LyricsFileBytes result;
  if (encoding == LyricsEncoding::kCp949) {
    result.bytes = std::string(cp949);
    return result;
  }
  Cp949Decoded decoded = DecodeCp949(cp949);
  result.invalidBytes = decoded.invalidBytes;
  if (encoding == LyricsEncoding::kUtf16) {
    result.bytes = "\xFF\xFE" + Utf8ToUtf16(decoded.utf8, false);
  } else {
    result.bytes = byteOrderMark ? "\xEF\xBB\xBF" + decoded.utf8 : std::move(decoded.utf8);
  }
  return result;
}

}  // namespace vexalo
