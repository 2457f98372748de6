// Which encoding a lyrics text file is in, and the conversions between a file's bytes, Unicode
// (UTF-8) and the lyrics' CP949: a byte-order mark decides first; otherwise the CP949 and UTF-8
// readings are scored by what they yield, with libuchardet's guess as one vote.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vexalo {

enum class TextEncoding { Cp949, Utf8, Utf16Le, Utf16Be };
enum class EncodingChoice { Automatic, Cp949, Utf8, Utf16 };

// "CP949", "UTF-8", "UTF-16LE", "UTF-16BE".
const char* EncodingName(TextEncoding encoding);
// "auto", "cp949", "utf-8" and "utf-16" (any letter case; "utf8", "utf16" too).
bool ParseEncodingChoice(std::string_view name, EncodingChoice& out);

// A place in a text: line and column (in characters) from 1; line 0 when there is none.
struct TextPosition {
  std::size_t line = 0;
  std::size_t column = 0;
};

struct EncodingGuess {
  TextEncoding encoding = TextEncoding::Cp949;
  std::size_t bomBytes = 0;  // 3 (UTF-8), 2 (UTF-16) or 0
  // When both readings were scored: the score of each (higher is more plausible; bytes that do
  // not decode score low), libuchardet's name for the text ("" when it had none) and its vote
  // (added to the UTF-8 score when above 0, to the CP949 score when below).
  bool scored = false;
  long cp949Score = 0;
  long utf8Score = 0;
  std::string uchardet;
  long uchardetVote = 0;
};

// The rule: a byte-order mark (UTF-8, UTF-16LE, UTF-16BE) decides. Text with zero bytes in
// the pattern of UTF-16 that reads as such is UTF-16 of that order. Text without a byte of
// 0x80 or more is CP949 (the same bytes either way). Otherwise a reading that decodes while
// the other does not wins; when both decode (or neither does), the reading with the higher
// score wins, and a tie goes to CP949, the lyrics' own code page. Scores favour Hangul
// syllables (the 2,350 common ones most), Korean and typographic punctuation, the time-tag
// marks, accented letters inside Latin words and runs of Greek or Cyrillic letters; they count
// against control characters, private-use characters, rare Latin letters standing without
// Latin neighbours, IPA, combining marks, rare Hangul syllables and Hanja, and bytes that do
// not decode. libuchardet's guess of UTF-8 or a Korean code page adds to that reading's
// score, more for longer texts.
EncodingGuess DetectTextEncoding(std::string_view bytes);

struct DecodedText {
  TextEncoding encoding = TextEncoding::Cp949;
  std::size_t bomBytes = 0;
  // The text without its mark. A byte that the encoding cannot decode is kept as the
  // private-use character U+F700 + byte (as the CP949 codec does), so that encoding the text as
  // CP949 gives the byte back; a UTF-16 unit that cannot be decoded becomes U+FFFD.
  std::string utf8;
  std::size_t invalid = 0;  // bytes (UTF-16: units) that did not decode
  TextPosition firstInvalid;
};

// Reads `bytes` in the chosen encoding: Automatic detects it, Utf16 takes the order from the
// mark (little-endian without one). A mark of another encoding is not taken for one.
DecodedText DecodeText(std::string_view bytes, EncodingChoice choice);

struct EncodedText {
  std::string bytes;
  std::size_t unencodable = 0;  // characters the target cannot hold ('?' stands for each)
  char32_t firstUnencodable = 0;
  TextPosition firstUnencodableAt;
};

// Writes UTF-8 text as CP949 or UTF-8 (no mark). UTF-8 holds every character but the
// private-use stand-ins for undecodable bytes, which count as unencodable there.
EncodedText EncodeText(std::string_view utf8, TextEncoding target);

// A lyrics text file as the editor holds it: CP949 bytes. A CP949 file's bytes stay exactly as
// they are; any other encoding is converted, a character CP949 cannot hold becoming '?'.
struct TextFileLyrics {
  DecodedText read;       // how the file was read (its text as UTF-8, invalid bytes)
  std::string cp949;      // the lyrics in CP949
  EncodedText converted;  // for a file not in CP949: what the conversion to CP949 lost
};
TextFileLyrics ReadTextFileLyrics(std::string_view bytes, EncodingChoice choice);

// ISO-8859-1 text as players that wrote Korean in CP949 meant it: the UTF-8 of its CP949
// reading when the bytes are CP949 without a fault, hold a Hangul syllable or letter, and read
// more plausibly so (by the detection's score) than as ISO-8859-1; nothing otherwise.
std::optional<std::string> Cp949HangulReading(std::string_view bytes);

// Where `offset` (a byte offset into the UTF-8 text) stands.
TextPosition PositionInUtf8(std::string_view utf8, std::size_t offset);
// "U+1F600".
std::string CodePointName(char32_t c);

}  // namespace vexalo
