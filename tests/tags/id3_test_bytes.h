// Builders for small ID3v2 tags and MP3-like files used by the tag tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vexalo::test {

inline std::string Syncsafe(std::uint32_t v) {
  return {static_cast<char>((v >> 21) & 0x7F), static_cast<char>((v >> 14) & 0x7F),
          static_cast<char>((v >> 7) & 0x7F), static_cast<char>(v & 0x7F)};
}

inline std::string BigEndian(std::uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
          static_cast<char>(v)};
}

// A frame of an ID3v2.3 (plain sizes) or v2.4 (syncsafe sizes) tag.
inline std::string Frame(int version, std::string_view id, std::string_view body,
                         unsigned char flags1 = 0, unsigned char flags2 = 0) {
  std::string f(id);
  f += version == 4 ? Syncsafe(static_cast<std::uint32_t>(body.size()))
                    : BigEndian(static_cast<std::uint32_t>(body.size()));
  f.push_back(static_cast<char>(flags1));
  f.push_back(static_cast<char>(flags2));
  f += body;
  return f;
}

// A text frame of ISO-8859-1 text without terminator, as the editor writes it.
inline std::string TextFrame(int version, std::string_view id, std::string_view text) {
  return Frame(version, id, std::string(1, '\0') + std::string(text));
}

inline std::string CommFrame(int version, std::string_view lang, std::string_view text) {
  return Frame(version, "COMM", std::string(1, '\0') + std::string(lang) + std::string(1, '\0') + std::string(text));
}

// A tag header and the frames, with `padding` zero bytes counted into the tag size.
inline std::string Tag(int version, std::string_view frames, std::size_t padding = 0,
                       unsigned char flags = 0) {
  std::string t("ID3");
  t.push_back(static_cast<char>(version));
  t.push_back('\0');
  t.push_back(static_cast<char>(flags));
  t += Syncsafe(static_cast<std::uint32_t>(frames.size() + padding));
  t += frames;
  t.append(padding, '\0');
  return t;
}

// Bytes in hexadecimal, so a failed comparison shows where two tags part.
inline std::string Hex(std::string_view s) {
  static const char digits[] = "0123456789ABCDEF";
  std::string h;
  for (unsigned char c : s) {
    h += digits[c >> 4];
    h += digits[c & 15];
    h += ' ';
  }
  return h;
}

// Two MPEG-1 Layer III frame headers' worth of stand-in audio (128 kbit/s, 44.1 kHz: 417 bytes
// a frame), enough for the audio probe and for byte comparisons.
inline std::string FakeAudio(int frames = 2) {
  std::string a;
  for (int i = 0; i < frames; ++i) {
    std::string f(417, '\0');
    f[0] = '\xFF';
    f[1] = '\xFB';
    f[2] = '\x90';
    f[3] = '\x64';
    for (std::size_t k = 4; k < f.size(); ++k) f[k] = static_cast<char>((k * 7 + i) & 0x7F);
    a += f;
  }
  return a;
}

}  // namespace vexalo::test
