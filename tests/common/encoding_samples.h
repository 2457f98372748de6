// Lyrics texts in the encodings users' files come in, each with the encoding it is in and the
// text it holds: the table the encoding detection is tested and measured against.
#pragma once

#include <string>
#include <vector>

#include "common/text_codec.h"
#include "common/text_encoding.h"

namespace vexalo::samples {

struct EncodingSample {
  std::string name;
  std::string bytes;        // the file
  TextEncoding encoding;    // the encoding it is in
  std::string text;         // what it holds, UTF-8 (without a mark); empty when not valid
};

inline std::string Utf16(const std::string& utf8, bool littleEndian, bool bom) {
  std::string out;
  auto unit = [&](unsigned u) {
    const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    out.push_back(littleEndian ? lo : hi);
    out.push_back(littleEndian ? hi : lo);
  };
  if (bom) unit(0xFEFF);
  for (std::size_t i = 0; i < utf8.size();) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    const std::size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    unsigned cp = n == 1 ? c : c & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    if (cp >= 0x10000) {
      unit(0xD800 + ((cp - 0x10000) >> 10));
      unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      unit(cp);
    }
    i += n;
  }
  return out;
}

inline std::string Cp949(const std::string& utf8) { return EncodeCp949(utf8).bytes; }

// Lyrics written for this table.
inline const char kBallad[] =
    "창가에 비가 내리면\r\n"
    "너의 이름을 불러 본다\r\n"
    "차가운 커피 한 잔에\r\n"
    "지난 여름이 녹아든다\r\n"
    "\r\n"
    "괜찮다고 말했지만\r\n"
    "아직도 나는 그 자리에\r\n"
    "멈춰 선 시계처럼\r\n"
    "너를 기다리고 있어\r\n";
inline const char kDance[] = "춤을 춰 오늘 밤\r\n멈추지 마 baby\r\n심장이 뛰는 대로\r\n";
inline const char kMixed[] =
    "Baby 너만 있으면 돼\r\n"
    "Oh oh 내 맘을 알아줘\r\n"
    "You're my sunshine 나의 빛\r\n"
    "Stay with me tonight\r\n";
inline const char kEnglish[] =
    "I walk along the empty street\n"
    "The city lights are fading slow\n"
    "Every song reminds me of you\n"
    "And I don't know where to go\n";
inline const char kEnglishTypographic[] =
    "Don\u2019t let me go \u201Ctonight\u201D\u2026\r\n"
    "Hold on, hold on to me \u2015 forever\r\n";
// Stored-form SyncText: long time tags ™HHMMSSCC☜ before each group.
inline const char kSyncText[] =
    "\u2122" "00001520" "\u261C\r\n"
    "별이 빛나는 밤에\r\n"
    "\u2122" "00002240" "\u261C\r\n"
    "우리 다시 만나요 \u261E" "003150" "\u261C 안녕\r\n";

inline std::vector<EncodingSample> Table() {
  using E = TextEncoding;
  std::vector<EncodingSample> t;
  auto add = [&](std::string name, std::string bytes, E e, std::string text) {
    t.push_back({std::move(name), std::move(bytes), e, std::move(text)});
  };
  for (const char* text : {kBallad, kDance, kMixed, kSyncText, kEnglishTypographic}) {
    const std::string label = text == kBallad ? "ballad" : text == kDance ? "dance" : text == kMixed ? "mixed"
                              : text == kSyncText ? "synctext" : "typographic";
    add(label + " CP949", Cp949(text), E::Cp949, text);
    add(label + " UTF-8", text, E::Utf8, text);
    add(label + " UTF-8 with BOM", "\xEF\xBB\xBF" + std::string(text), E::Utf8, text);
    add(label + " UTF-16LE", Utf16(text, true, true), E::Utf16Le, text);
    add(label + " UTF-16BE", Utf16(text, false, true), E::Utf16Be, text);
  }
  add("ASCII English", kEnglish, E::Cp949, kEnglish);
  add("ASCII English UTF-16LE without BOM", Utf16(kEnglish, true, false), E::Utf16Le, kEnglish);
  add("ballad UTF-16BE without BOM", Utf16(kBallad, false, false), E::Utf16Be, kBallad);

  // Short titles in CP949 whose bytes are also valid UTF-8 (each reads as Latin letters there).
  for (const char* title : {"창천 칩", "치킨", "화창", "청혼", "칭찬", "황홀", "키 큰 창", "탄탄"})
    add(std::string("short CP949 ") + title, Cp949(title), E::Cp949, title);
  // Short CP949 titles that are not valid UTF-8.
  for (const char* title : {"사랑해", "안녕", "하늘", "첫눈", "너와 나", "OK야", "love해"})
    add(std::string("short CP949 ") + title, Cp949(title), E::Cp949, title);
  // Short UTF-8 texts that are also valid CP949, or nearly.
  for (const char* text : {"café crème", "Beyoncé", "naïve", "Grüße aus Köln", "corazón, mañana", "да, любовь",
                           "Ελλάδα", "さくら さくら", "사랑", "사랑해 \u2764\uFE0F \U0001F3B5"})
    add(std::string("short UTF-8 ") + text, text, E::Utf8, text);
  // Valid in neither: a CP949 lyric with a stray byte and a lead byte cut off at the end, and a
  // Latin-1 line.
  add("neither: CP949 with stray bytes", Cp949("노래해\r\n") + "\x80" + Cp949(" 함께") + "\xB0", E::Cp949, "");
  add("neither: Latin-1", "caf\xE9 cr\xE8me\n", E::Cp949, "");
  return t;
}

}  // namespace vexalo::samples
