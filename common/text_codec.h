// The one codec between the core's CP949 bytes and the editor control's Unicode (UTF-8).
// Editor tag marks 0xA7 (8 digits) 0xBB and 0xAB (6 digits) 0xBB are not CP949: they show as
// the characters U+00A7, U+00AB and U+00BB and are recognised before the rest is decoded.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vexalo {

struct Cp949Decoded {
  std::string utf8;
  // Bytes that are not CP949. Each is kept as the private-use character U+F700 + byte, so that
  // encoding the text again gives the byte back.
  std::size_t invalidBytes = 0;
};

struct Cp949Encoded {
  std::string bytes;                   // CP949; '?' stands for each character it cannot hold
  std::vector<char32_t> unencodable;   // those characters in order (U+FFFD for bad UTF-8)
  bool Ok() const { return unencodable.empty(); }
};

Cp949Decoded DecodeCp949(std::string_view cp949);
Cp949Encoded EncodeCp949(std::string_view utf8);

// Appends one character as UTF-8.
void AppendUtf8(std::string& out, char32_t c);
// Decodes the UTF-8 character at s[i] into c and gives its length; 0 when the bytes there are not
// one (malformed, overlong, a surrogate, past U+10FFFF or cut short).
std::size_t NextUtf8(std::string_view s, std::size_t i, char32_t& c);

// Convenience for texts known to be clean (tests, messages).
std::string Cp949ToUtf8(std::string_view cp949);

}  // namespace vexalo
