// The CP949 codec over any bytes: decoding gives valid UTF-8, and encoding it again gives back
// exactly the bytes decoded, nothing dropped and nothing reported as unencodable.
#include <string>
#include <string_view>

#include "common/text_codec.h"
#include "fuzz/fuzz_support.h"

using namespace vexalo;
using vexalo::fuzz::Hex;

namespace {

bool ValidUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    std::size_t extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 9;
    if (extra == 9 || extra > s.size() - 1 - i) return false;
    char32_t cp = extra == 0 ? c : (c & (0x3F >> extra));
    for (std::size_t k = 1; k <= extra; ++k) {
      const unsigned char d = static_cast<unsigned char>(s[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    static const char32_t kLeast[4] = {0, 0x80, 0x800, 0x10000};
    if (cp < kLeast[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view cp949(reinterpret_cast<const char*>(data), size);
  const Cp949Decoded decoded = DecodeCp949(cp949);
  FUZZ_CHECK(ValidUtf8(decoded.utf8), "input " + Hex(cp949));
  const Cp949Encoded encoded = EncodeCp949(decoded.utf8);
  FUZZ_CHECK(encoded.Ok(), "input " + Hex(cp949));
  FUZZ_CHECK(encoded.bytes == cp949, "input " + Hex(cp949) + "\nagain " + Hex(encoded.bytes));
  return 0;
}
