// A lyrics file's bytes (LRC, SRT, text) to the core's CP949 text and back. Files come as UTF-8
// with or without a byte-order mark, UTF-16 with one, or CP949; they are written as UTF-8 or
// CP949. Also the UTF-16 and ISO-8859-1 conversions the ID3 lyrics frames need.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/text_encoding.h"

namespace vexalo {

enum class LyricsEncoding { kUtf8, kUtf16, kCp949 };

struct LyricsFileText {
  std::string cp949;
  LyricsEncoding encoding = LyricsEncoding::kCp949;
  bool byteOrderMark = false;
  // Characters CP949 cannot hold ('?' stands in their place), in order.
  std::vector<char32_t> unencodable;
  // Bytes that are not in the encoding the user chose (kept as the codec keeps them).
  std::size_t invalid = 0;
};
// Automatic: a byte-order mark decides; without one, DetectTextEncoding (common/text_encoding.h)
// does; a CP949 text is taken as it stands. Another choice reads the text in that encoding.
LyricsFileText ReadLyricsFileText(std::string_view bytes, EncodingChoice choice = EncodingChoice::Automatic);

struct LyricsFileBytes {
  std::string bytes;
  std::size_t invalidBytes = 0;  // CP949 bytes that are no character (kept as private-use ones)
};
// kUtf16 writes little-endian with a byte-order mark, which it always has.
LyricsFileBytes LyricsFileBytesOf(std::string_view cp949, LyricsEncoding encoding,
                                  bool byteOrderMark = false);

// UTF-16 (without a byte-order mark; unpaired surrogates become U+FFFD) to UTF-8 and back.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian);
std::string Utf8ToUtf16(std::string_view utf8, bool bigEndian);
// ISO-8859-1 to UTF-8; the reverse when every character is below U+0100.
std::string Latin1ToUtf8(std::string_view latin1);
std::optional<std::string> Utf8ToLatin1(std::string_view utf8);

}  // namespace vexalo
