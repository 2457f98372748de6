#include "common/text_encoding.h"

#include <uchardet/uchardet.h>

#include <algorithm>
#include <bitset>
#include <cstdio>
#include <vector>

#include "common/text_codec.h"

namespace vexalo {

namespace {

constexpr char32_t kEscapeFirst = 0xF780;  // U+F700 + byte, for bytes 0x80..0xFF
constexpr char32_t kEscapeLast = 0xF7FF;
constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kHangulFirst = 0xAC00;
constexpr std::size_t kHangulCount = 11172;

bool IsEscape(char32_t c) { return c >= kEscapeFirst && c <= kEscapeLast; }
bool IsHangulSyllable(char32_t c) { return c >= kHangulFirst && c < kHangulFirst + kHangulCount; }

unsigned char Byte(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }


// The characters of UTF-8 text; a malformed byte gives U+FFFD.
std::vector<char32_t> CodePoints(std::string_view utf8) {
  std::vector<char32_t> out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t c = kReplacement;
    const std::size_t n = NextUtf8(utf8, i, c);
    out.push_back(n ? c : kReplacement);
    i += n ? n : 1;
  }
  return out;
}

std::size_t FirstOffsetOf(std::string_view utf8, bool (*match)(char32_t)) {
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t c = kReplacement;
    const std::size_t n = NextUtf8(utf8, i, c);
    if (match(n ? c : kReplacement)) return i;
    i += n ? n : 1;
  }
  return std::string_view::npos;
}

DecodedText DecodeUtf8(std::string_view bytes, std::size_t bom) {
  DecodedText d;
  d.encoding = TextEncoding::Utf8;
  d.bomBytes = bom;
  d.utf8.reserve(bytes.size());
  std::size_t firstInvalid = std::string::npos;
  for (std::size_t i = bom; i < bytes.size();) {
    char32_t c = 0;
    const std::size_t n = NextUtf8(bytes, i, c);
    if (n == 0) {
      if (firstInvalid == std::string::npos) firstInvalid = d.utf8.size();
      AppendUtf8(d.utf8, 0xF700 + Byte(bytes, i));
      ++d.invalid;
      ++i;
      continue;
    }
    d.utf8.append(bytes.substr(i, n));
    i += n;
  }
  if (d.invalid) d.firstInvalid = PositionInUtf8(d.utf8, firstInvalid);
  return d;
}

DecodedText DecodeUtf16(std::string_view bytes, bool littleEndian, std::size_t bom) {
  DecodedText d;
  d.encoding = littleEndian ? TextEncoding::Utf16Le : TextEncoding::Utf16Be;
  d.bomBytes = bom;
  std::size_t firstInvalid = std::string::npos;
  auto bad = [&](char32_t shown) {
    if (firstInvalid == std::string::npos) firstInvalid = d.utf8.size();
    AppendUtf8(d.utf8, shown);
    ++d.invalid;
  };
  auto unit = [&](std::size_t i) -> char32_t {
    return littleEndian ? Byte(bytes, i) | (Byte(bytes, i + 1) << 8) : (Byte(bytes, i) << 8) | Byte(bytes, i + 1);
  };
  std::size_t i = bom;
  for (; i + 1 < bytes.size(); i += 2) {
    const char32_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
      const char32_t low = unit(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(d.utf8, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
        continue;
      }
    }
    if (u >= 0xD800 && u <= 0xDFFF) {
      bad(kReplacement);
      continue;
    }
    AppendUtf8(d.utf8, u);
  }
  if (i < bytes.size()) bad(Byte(bytes, i) >= 0x80 ? 0xF700 + Byte(bytes, i) : kReplacement);
  if (d.invalid) d.firstInvalid = PositionInUtf8(d.utf8, firstInvalid);
  return d;
}

DecodedText DecodeAsCp949(std::string_view bytes) {
  DecodedText d;
  d.encoding = TextEncoding::Cp949;
  Cp949Decoded c = DecodeCp949(bytes);
  d.utf8 = std::move(c.utf8);
  d.invalid = c.invalidBytes;
  if (d.invalid) d.firstInvalid = PositionInUtf8(d.utf8, FirstOffsetOf(d.utf8, &IsEscape));
  return d;
}

// The 2,350 Hangul syllables of KS X 1001 (CP949 rows 0xB0..0xC8): the ones Korean text mostly
// uses. The other 8,822 are rare, and a misread of other bytes yields them more often.
const std::bitset<kHangulCount>& CommonHangul() {
  static const std::bitset<kHangulCount> set = [] {
    std::string rows;
    for (int lead = 0xB0; lead <= 0xC8; ++lead)
      for (int trail = 0xA1; trail <= 0xFE; ++trail) {
        rows.push_back(static_cast<char>(lead));
        rows.push_back(static_cast<char>(trail));
      }
    std::bitset<kHangulCount> s;
    for (char32_t c : CodePoints(DecodeCp949(rows).utf8))
      if (IsHangulSyllable(c)) s.set(c - kHangulFirst);
    return s;
  }();
  return set;
}

bool IsAsciiLetter(char32_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsLatinLetter(char32_t c) { return c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7; }
bool IsGreekLetter(char32_t c) { return c >= 0x386 && c <= 0x3CE; }
bool IsCyrillicLetter(char32_t c) { return c >= 0x400 && c <= 0x4FF; }
bool IsWordLetter(char32_t c) { return IsAsciiLetter(c) || IsLatinLetter(c) || IsGreekLetter(c) || IsCyrillicLetter(c); }

// The score of one character that is not a letter of a Latin, Greek or Cyrillic word.
long CharScore(char32_t c, bool gluedToLatin) {
  if (c < 0x80) {
    if (c == '\t' || c == '\n' || c == '\r' || c == '\f' || (c >= 0x20 && c < 0x7F)) return 0;
    return -4;
  }
  if (IsHangulSyllable(c)) {
    if (!CommonHangul().test(c - kHangulFirst)) return -1;
    return gluedToLatin ? 1 : 3;
  }
  if (IsEscape(c) || c == kReplacement) return -8;
  if (c < 0xA0) return -4;  // C1 controls
  if (c < 0xC0) {
    switch (c) {
      case 0xA0: case 0xA1: case 0xA9: case 0xAB: case 0xAE: case 0xB0: case 0xB4: case 0xB7: case 0xBB: case 0xBF:
        return 0;
      default:
        return -1;
    }
  }
  if (c == 0xD7 || c == 0xF7) return 0;
  if (c >= 0x250 && c <= 0x2AF) return -3;  // IPA
  if (c >= 0x2B0 && c <= 0x2FF) return -2;  // spacing modifiers
  if (c >= 0x300 && c <= 0x36F) return -3;  // combining marks
  if (c >= 0x370 && c <= 0x4FF) return -1;  // Greek and Cyrillic signs outside words
  if (c >= 0x500 && c <= 0xFFF) return -2;  // Armenian to Tibetan
  if (c >= 0x1000 && c <= 0x1FFF) return (c >= 0x1100 && c <= 0x11FF) ? 0 : -1;
  if (c >= 0x2000 && c <= 0x206F) {
    switch (c) {
      case 0x2013: case 0x2014: case 0x2018: case 0x2019: case 0x201C: case 0x201D: case 0x2022: case 0x2026:
        return 2;
      default:
        return 0;
    }
  }
  if (c == 0x2122 || c == 0x261C || c == 0x261E) return 3;  // the stored time-tag marks
  switch (c) {
    case 0x2605: case 0x2606: case 0x2661: case 0x2665: case 0x2669: case 0x266A: case 0x266B: case 0x266C:
      return 1;
    default:
      break;
  }
  if (c >= 0x2500 && c <= 0x257F) return -1;  // box drawing
  if (c >= 0x3000 && c <= 0x303F) return 1;   // CJK punctuation
  if (c >= 0x3131 && c <= 0x318E) return 1;   // Hangul letters (ㅋㅋ, ㅠㅠ)
  if (c >= 0x3300 && c <= 0x33FF) return -1;  // CJK unit signs
  if (c >= 0x3400 && c <= 0x9FFF) return -1;  // Hanja
  if (c >= 0xE000 && c <= 0xF8FF) return -5;  // private use
  if (c >= 0xF900 && c <= 0xFAFF) return -2;  // compatibility Hanja
  return 0;
}

// How plausible a text is as lyrics. Letters of Latin, Greek and Cyrillic words are scored by
// their word: an accented letter among Latin letters is usual (café), one standing without them
// is not (the misread "창천" gives "âõ"); a Greek or Cyrillic word is usual when it is all of
// one script.
long Plausibility(const std::vector<char32_t>& text) {
  long score = 0;
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    const char32_t c = text[i];
    if (!IsWordLetter(c)) {
      const bool glued = (i > 0 && IsAsciiLetter(text[i - 1])) || (i + 1 < n && IsAsciiLetter(text[i + 1]));
      score += CharScore(c, glued);
      ++i;
      continue;
    }
    std::size_t end = i;
    std::size_t ascii = 0, latin = 0, greek = 0, cyrillic = 0;
    while (end < n && IsWordLetter(text[end])) {
      const char32_t w = text[end++];
      if (IsAsciiLetter(w)) ++ascii;
      else if (IsLatinLetter(w)) ++latin;
      else if (IsGreekLetter(w)) ++greek;
      else ++cyrillic;
    }
    const std::size_t length = end - i;
    if (latin != 0) {
      if (ascii != 0 && greek == 0 && cyrillic == 0) {
        for (std::size_t k = i; k < end; ++k)
          if (IsLatinLetter(text[k])) score += text[k] <= 0x17F ? 2 : 1;
      } else {
        score -= static_cast<long>(latin) * (length == 1 ? 1 : 2);
      }
    }
    for (std::size_t count : {greek, cyrillic}) {
      if (count == 0) continue;
      const bool oneScript = count == length && length >= 2;
      score += oneScript ? 2 * static_cast<long>(count) : -2 * static_cast<long>(count);
    }
    i = end;
  }
  return score;
}

std::string Uchardet(std::string_view bytes) {
  uchardet_t detector = uchardet_new();
  if (!detector) return {};
  std::string name;
  if (uchardet_handle_data(detector, bytes.data(), bytes.size()) == 0) {
    uchardet_data_end(detector);
    if (const char* charset = uchardet_get_charset(detector)) name = charset;
  }
  uchardet_delete(detector);
  return name;
}

// libuchardet misjudges short texts, so its vote weighs little until there is text to judge.
long UchardetVote(std::size_t nonAsciiCharacters) {
  return std::min<long>(2 + static_cast<long>(nonAsciiCharacters) / 8, 12);
}

std::size_t NonAscii(const std::vector<char32_t>& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char32_t c) { return c >= 0x80; }));
}

std::size_t BomOf(std::string_view bytes, TextEncoding& encoding) {
  if (bytes.size() >= 3 && Byte(bytes, 0) == 0xEF && Byte(bytes, 1) == 0xBB && Byte(bytes, 2) == 0xBF) {
    encoding = TextEncoding::Utf8;
    return 3;
  }
  if (bytes.size() >= 2 && Byte(bytes, 0) == 0xFF && Byte(bytes, 1) == 0xFE) {
    encoding = TextEncoding::Utf16Le;
    return 2;
  }
  if (bytes.size() >= 2 && Byte(bytes, 0) == 0xFE && Byte(bytes, 1) == 0xFF) {
    encoding = TextEncoding::Utf16Be;
    return 2;
  }
  return 0;
}

// Zero bytes, mostly on one side of each pair, and a reading without faults: UTF-16 without
// its mark. Neither CP949 nor UTF-8 lyrics hold zero bytes.
bool LooksLikeUtf16(std::string_view bytes, bool& littleEndian) {
  if (bytes.size() < 2 || bytes.size() % 2 != 0) return false;
  std::size_t even = 0, odd = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i)
    if (bytes[i] == 0) ++(i % 2 ? odd : even);
  if (even + odd == 0 || even == odd) return false;
  littleEndian = odd > even;
  const DecodedText d = DecodeUtf16(bytes, littleEndian, 0);
  return d.invalid == 0 && d.utf8.find('\0') == std::string::npos;
}

}  // namespace

const char* EncodingName(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Cp949: return "CP949";
    case TextEncoding::Utf8: return "UTF-8";
    case TextEncoding::Utf16Le: return "UTF-16LE";
    case TextEncoding::Utf16Be: return "UTF-16BE";
  }
  return "CP949";
}

bool ParseEncodingChoice(std::string_view name, EncodingChoice& out) {
  std::string lower(name);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (lower == "auto" || lower == "automatic") out = EncodingChoice::Automatic;
  else if (lower == "cp949") out = EncodingChoice::Cp949;
  else if (lower == "utf-8" || lower == "utf8") out = EncodingChoice::Utf8;
  else if (lower == "utf-16" || lower == "utf16") out = EncodingChoice::Utf16;
  else return false;
  return true;
}

EncodingGuess DetectTextEncoding(std::string_view bytes) {
  EncodingGuess guess;
  guess.bomBytes = BomOf(bytes, guess.encoding);
  if (guess.bomBytes) return guess;
  bool littleEndian = false;
  if (LooksLikeUtf16(bytes, littleEndian)) {
    guess.encoding = littleEndian ? TextEncoding::Utf16Le : TextEncoding::Utf16Be;
    return guess;
  }
  guess.encoding = TextEncoding::Cp949;
  if (std::none_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
    return guess;

  const DecodedText cp949 = DecodeAsCp949(bytes);
  const DecodedText utf8 = DecodeUtf8(bytes, 0);
  if (utf8.invalid == 0 && cp949.invalid != 0) {
    guess.encoding = TextEncoding::Utf8;
    return guess;
  }
  if (cp949.invalid == 0 && utf8.invalid != 0) return guess;

  const std::vector<char32_t> cp949Text = CodePoints(cp949.utf8);
  const std::vector<char32_t> utf8Text = CodePoints(utf8.utf8);
  guess.scored = true;
  guess.cp949Score = Plausibility(cp949Text);
  guess.utf8Score = Plausibility(utf8Text);
  guess.uchardet = Uchardet(bytes);
  if (guess.uchardet == "UTF-8") {
    guess.uchardetVote = UchardetVote(NonAscii(utf8Text));
  } else if (guess.uchardet == "EUC-KR" || guess.uchardet == "UHC" || guess.uchardet == "CP949" ||
             guess.uchardet == "ISO-2022-KR") {
    guess.uchardetVote = -UchardetVote(NonAscii(cp949Text));
  }
  if (guess.utf8Score + std::max(guess.uchardetVote, 0L) > guess.cp949Score + std::max(-guess.uchardetVote, 0L))
    guess.encoding = TextEncoding::Utf8;
  return guess;
}

DecodedText DecodeText(std::string_view bytes, EncodingChoice choice) {
  TextEncoding marked = TextEncoding::Cp949;
  const std::size_t bom = BomOf(bytes, marked);
  switch (choice) {
    case EncodingChoice::Cp949:
      return DecodeAsCp949(bytes);
    case EncodingChoice::Utf8:
      return DecodeUtf8(bytes, marked == TextEncoding::Utf8 ? bom : 0);
    case EncodingChoice::Utf16: {
      const bool isUtf16Bom = bom == 2;
      return DecodeUtf16(bytes, !isUtf16Bom || marked == TextEncoding::Utf16Le, isUtf16Bom ? 2 : 0);
    }
    case EncodingChoice::Automatic:
      break;
  }
  const EncodingGuess guess = DetectTextEncoding(bytes);
  switch (guess.encoding) {
    case TextEncoding::Utf8: return DecodeUtf8(bytes, guess.bomBytes);
    case TextEncoding::Utf16Le: return DecodeUtf16(bytes, true, guess.bomBytes);
    case TextEncoding::Utf16Be: return DecodeUtf16(bytes, false, guess.bomBytes);
    case TextEncoding::Cp949: break;
  }
  return DecodeAsCp949(bytes);
}

EncodedText EncodeText(std::string_view utf8, TextEncoding target) {
  EncodedText e;
  if (target == TextEncoding::Cp949) {
    Cp949Encoded c = EncodeCp949(utf8);
    e.bytes = std::move(c.bytes);
    e.unencodable = c.unencodable.size();
    if (e.unencodable == 0) return e;
    e.firstUnencodable = c.unencodable.front();
    // The first character the codec could not hold is the first place that character stands
    // outside an editor time tag (whose marks are encoded as marks, not as characters).
    const char32_t wanted = e.firstUnencodable;
    std::size_t at = std::string_view::npos;
    for (std::size_t i = 0; i < utf8.size();) {
      char32_t ch = kReplacement;
      std::size_t n = NextUtf8(utf8, i, ch);
      if (n == 0) ch = kReplacement;
      if (ch == 0xA7 || ch == 0xAB) {
        const std::size_t digits = ch == 0xA7 ? 8 : 6;
        bool tag = i + 2 + digits + 2 <= utf8.size();
        for (std::size_t k = 0; tag && k < digits; ++k) tag = utf8[i + 2 + k] >= '0' && utf8[i + 2 + k] <= '9';
        char32_t close = 0;
        if (tag && NextUtf8(utf8, i + 2 + digits, close) == 2 && close == 0xBB) {
          i += 2 + digits + 2;
          continue;
        }
      }
      if (ch == wanted) {
        at = i;
        break;
      }
      i += n ? n : 1;
    }
    e.firstUnencodableAt = PositionInUtf8(utf8, at);
    return e;
  }
  e.bytes.reserve(utf8.size());
  std::size_t first = std::string_view::npos;
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t ch = kReplacement;
    const std::size_t n = NextUtf8(utf8, i, ch);
    if (n == 0 || IsEscape(ch)) {
      if (first == std::string_view::npos) {
        first = i;
        e.firstUnencodable = n ? ch : kReplacement;
      }
      ++e.unencodable;
      e.bytes.push_back('?');
      i += n ? n : 1;
      continue;
    }
    e.bytes.append(utf8.substr(i, n));
    i += n;
  }
  if (e.unencodable) e.firstUnencodableAt = PositionInUtf8(utf8, first);
  return e;
}

TextFileLyrics ReadTextFileLyrics(std::string_view bytes, EncodingChoice choice) {
  TextFileLyrics t;
  t.read = DecodeText(bytes, choice);
  if (t.read.encoding == TextEncoding::Cp949) {
    t.cp949.assign(bytes);
    return t;
  }
  t.converted = EncodeText(t.read.utf8, TextEncoding::Cp949);
  t.cp949 = t.converted.bytes;
  return t;
}

std::optional<std::string> Cp949HangulReading(std::string_view bytes) {
  if (std::none_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
    return std::nullopt;
  Cp949Decoded cp949 = DecodeCp949(bytes);
  if (cp949.invalidBytes != 0) return std::nullopt;
  const std::vector<char32_t> asCp949 = CodePoints(cp949.utf8);
  const bool hangul = std::any_of(asCp949.begin(), asCp949.end(),
                                  [](char32_t c) { return IsHangulSyllable(c) || (c >= 0x3131 && c <= 0x318E); });
  if (!hangul) return std::nullopt;
  std::vector<char32_t> asLatin1(bytes.begin(), bytes.end());
  for (char32_t& c : asLatin1) c &= 0xFF;
  if (Plausibility(asCp949) <= Plausibility(asLatin1)) return std::nullopt;
  return std::move(cp949.utf8);
}

TextPosition PositionInUtf8(std::string_view utf8, std::size_t offset) {
  TextPosition p;
  if (offset == std::string_view::npos || offset > utf8.size()) return p;
  p.line = 1;
  p.column = 1;
  for (std::size_t i = 0; i < offset; ++i) {
    const unsigned char c = Byte(utf8, i);
    if (c == '\n' || (c == '\r' && (i + 1 >= utf8.size() || utf8[i + 1] != '\n'))) {
      ++p.line;
      p.column = 1;
    } else if ((c & 0xC0) != 0x80 && c != '\r') {
      ++p.column;
    }
  }
  return p;
}

std::string CodePointName(char32_t c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(c));
  return buf;
}

}  // namespace vexalo
