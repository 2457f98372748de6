// Measures the text encoding detection on the sample lyrics and on each of their lines and
// words alone (short texts are where detection is hard): how many it reads in their own
// encoding, against libuchardet alone, the score alone, and taking any valid UTF-8 as UTF-8.
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "common/text_codec.h"
#include "common/text_encoding.h"
#include "tests/common/encoding_samples.h"

using namespace vexalo;
using samples::EncodingSample;

namespace {

bool ValidUtf8WithMultibyte(const std::string& s) {
  const DecodedText d = DecodeText(s, EncodingChoice::Utf8);
  bool multibyte = false;
  for (unsigned char c : s) multibyte |= c >= 0x80;
  return d.invalid == 0 && multibyte && d.bomBytes == 0;
}

std::vector<EncodingSample> ShortPieces() {
  std::vector<EncodingSample> out;
  for (const char* text : {samples::kBallad, samples::kDance, samples::kMixed, samples::kSyncText}) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::vector<std::string> pieces{line};
      std::istringstream words(line);
      for (std::string w; words >> w;) pieces.push_back(w);
      for (const std::string& p : pieces) {
        bool korean = false;
        for (unsigned char c : p) korean |= c >= 0x80;
        if (!korean) continue;
        out.push_back({"CP949 " + p, samples::Cp949(p), TextEncoding::Cp949, p});
        out.push_back({"UTF-8 " + p, p, TextEncoding::Utf8, p});
      }
    }
  }
  return out;
}

void Measure(const char* title, const std::vector<EncodingSample>& table, bool listMisses) {
  int rule = 0, scoreOnly = 0, uchardetOnly = 0, anyUtf8 = 0, both = 0, ruleBoth = 0;
  for (const EncodingSample& s : table) {
    const EncodingGuess g = DetectTextEncoding(s.bytes);
    const bool right = g.encoding == s.encoding;
    rule += right;
    TextEncoding byScore = g.encoding;
    if (g.scored) {
      ++both;
      ruleBoth += right;
      byScore = g.utf8Score > g.cp949Score ? TextEncoding::Utf8 : TextEncoding::Cp949;
    }
    scoreOnly += byScore == s.encoding;
    TextEncoding byUchardet = TextEncoding::Cp949;
    const std::string name = g.scored ? g.uchardet : "";
    if (g.bomBytes || g.encoding == TextEncoding::Utf16Le || g.encoding == TextEncoding::Utf16Be) byUchardet = g.encoding;
    else if (!g.scored) byUchardet = g.encoding;
    else if (name == "UTF-8") byUchardet = TextEncoding::Utf8;
    uchardetOnly += byUchardet == s.encoding;
    TextEncoding old = g.bomBytes || g.encoding == TextEncoding::Utf16Le || g.encoding == TextEncoding::Utf16Be
                           ? g.encoding
                           : (ValidUtf8WithMultibyte(s.bytes) ? TextEncoding::Utf8 : TextEncoding::Cp949);
    anyUtf8 += old == s.encoding;
    if (listMisses && !right)
      std::printf("  miss: %s -> %s (CP949 %ld, UTF-8 %ld, uchardet %s %ld)\n", s.name.c_str(), EncodingName(g.encoding),
                  g.cp949Score, g.utf8Score, g.uchardet.c_str(), g.uchardetVote);
  }
  const int n = static_cast<int>(table.size());
  std::printf("%s: %d texts, %d valid both as CP949 and as UTF-8\n", title, n, both);
  std::printf("  the rule (score + uchardet vote): %d/%d (%.1f%%); on the ambiguous ones %d/%d\n", rule, n, 100.0 * rule / n,
              ruleBoth, both);
  std::printf("  score alone: %d/%d   uchardet alone: %d/%d   any valid UTF-8 is UTF-8: %d/%d\n", scoreOnly, n,
              uchardetOnly, n, anyUtf8, n);
}

// Texts built to be hard: CP949 Hangul whose bytes are all valid UTF-8 (syllables of rows
// 0xC2..0xC8 with trail bytes below 0xC0), one to three syllables with or without a blank; and
// short words of European languages in UTF-8 that are valid CP949 too.
std::vector<EncodingSample> HardPieces() {
  std::vector<std::string> syllables;
  for (int lead = 0xC2; lead <= 0xC8; ++lead)
    for (int trail = 0xA1; trail <= 0xBF; ++trail) {
      const std::string cp949{static_cast<char>(lead), static_cast<char>(trail)};
      const std::string utf8 = Cp949ToUtf8(cp949);
      if (EncodeCp949(utf8).bytes == cp949) syllables.push_back(utf8);
    }
  std::vector<EncodingSample> out;
  unsigned seed = 12345;
  auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  for (int n = 0; n < 300; ++n) {
    std::string text;
    const int count = 1 + static_cast<int>(next() % 3);
    for (int k = 0; k < count; ++k) {
      if (k && next() % 2) text += ' ';
      text += syllables[next() % syllables.size()];
    }
    out.push_back({"CP949 " + text, samples::Cp949(text), TextEncoding::Cp949, text});
  }
  for (const char* word : {"été", "où", "señor", "über", "être", "déjà vu", "Ça va", "à bientôt", "Motörhead", "café",
                           "naïve", "jalapeño", "Zürich", "São Paulo", "résumé", "fiancée", "Dvořák", "Łódź",
                           "smörgåsbord", "Ångström", "crème brûlée", "piñata", "añejo", "мир", "да",
                           "любовь", "Москва", "Λόγος", "αγάπη", "Ελλάδα", "Ñ", "é", "ü"}) {
    if (DecodeText(word, EncodingChoice::Cp949).invalid == 0)
      out.push_back({std::string("UTF-8 ") + word, word, TextEncoding::Utf8, word});
  }
  return out;
}

}  // namespace

int main() {
  Measure("sample table", samples::Table(), true);
  Measure("lines and words of the lyrics alone", ShortPieces(), true);
  Measure("hard short texts", HardPieces(), true);
  return 0;
}
