#include "common/text_encoding.h"

#include <gtest/gtest.h>

#include "common/encoding_samples.h"
#include "sync/lyrics_file_text.h"

using namespace vexalo;

namespace {

TEST(TextEncodingDetection, EverySampleIsReadInItsOwnEncodingAndGivesItsText) {
  for (const samples::EncodingSample& s : samples::Table()) {
    if (s.encoding == TextEncoding::Cp949 && !s.text.empty()) {
      ASSERT_TRUE(EncodeCp949(s.text).Ok()) << s.name << ": the sample must be CP949 text";
    }
    const EncodingGuess guess = DetectTextEncoding(s.bytes);
    EXPECT_EQ(EncodingName(guess.encoding), std::string(EncodingName(s.encoding)))
        << s.name << " (scores CP949 " << guess.cp949Score << ", UTF-8 " << guess.utf8Score << ", uchardet '"
        << guess.uchardet << "')";
    const DecodedText read = DecodeText(s.bytes, EncodingChoice::Automatic);
    if (s.text.empty()) {
      EXPECT_NE(read.invalid, 0u) << s.name;
    } else {
      EXPECT_EQ(read.utf8, s.text) << s.name;
      EXPECT_EQ(read.invalid, 0u) << s.name;
    }
  }
}

TEST(TextEncodingDetection, ShortCp949TitleThatIsAlsoValidUtf8IsReadAsCp949) {
  const std::string bytes = "\xC3\xA2\xC3\xB5\x20\xC4\xA8";  // "창천 칩" in CP949, "âõ Ĩ" as UTF-8
  ASSERT_EQ(samples::Cp949("창천 칩"), bytes);
  const DecodedText asUtf8 = DecodeText(bytes, EncodingChoice::Utf8);
  ASSERT_EQ(asUtf8.invalid, 0u);
  ASSERT_EQ(asUtf8.utf8, "\u00E2\u00F5 \u0128");
  const TextFileLyrics t = ReadTextFileLyrics(bytes, EncodingChoice::Automatic);
  EXPECT_EQ(t.read.encoding, TextEncoding::Cp949);
  EXPECT_EQ(t.read.utf8, "창천 칩");
  EXPECT_EQ(t.cp949, bytes);
}

TEST(TextEncodingDetection, LyricsFilesOfOtherFormatsAreDetectedTheSameWay) {
  const std::string lrc = "[00:01.00]" + samples::Cp949("창천 칩") + "\n";
  const LyricsFileText cp949 = ReadLyricsFileText(lrc);
  EXPECT_EQ(cp949.encoding, LyricsEncoding::kCp949);
  EXPECT_EQ(cp949.cp949, lrc);
  const LyricsFileText utf16 = ReadLyricsFileText(samples::Utf16("[00:01.00]밤\n", false, false));
  EXPECT_EQ(utf16.encoding, LyricsEncoding::kUtf16);
  EXPECT_EQ(utf16.cp949, "[00:01.00]" + samples::Cp949("밤") + "\n");
}

TEST(TextEncodingDetection, MarksDecideEvenAgainstTheBytesThatFollow) {
  // A UTF-8 mark before CP949 bytes: the mark wins, and the bytes that are not UTF-8 are kept.
  const std::string bytes = "\xEF\xBB\xBF" + samples::Cp949("사랑");
  const TextFileLyrics t = ReadTextFileLyrics(bytes, EncodingChoice::Automatic);
  EXPECT_EQ(t.read.encoding, TextEncoding::Utf8);
  EXPECT_EQ(t.read.bomBytes, 3u);
  EXPECT_EQ(t.read.invalid, 4u);
  EXPECT_EQ(t.cp949, samples::Cp949("사랑"));
}

TEST(TextEncodingDetection, TextValidInNeitherKeepsEveryByteAndSaysWhereTheFirstBadOneIs) {
  const std::string bytes = samples::Cp949("노래해\r\n") + "\x80" + samples::Cp949(" 함께") + "\xB0";
  const TextFileLyrics t = ReadTextFileLyrics(bytes, EncodingChoice::Automatic);
  EXPECT_EQ(t.read.encoding, TextEncoding::Cp949);
  EXPECT_EQ(t.cp949, bytes);
  EXPECT_EQ(t.read.invalid, 2u);
  EXPECT_EQ(t.read.firstInvalid.line, 2u);
  EXPECT_EQ(t.read.firstInvalid.column, 1u);
}

TEST(TextEncodingChoice, AChosenEncodingIsUsedAsItIs) {
  const std::string cp949 = samples::Cp949("사랑\n별");
  const DecodedText asUtf8 = DecodeText(cp949, EncodingChoice::Utf8);
  EXPECT_EQ(asUtf8.encoding, TextEncoding::Utf8);
  EXPECT_EQ(asUtf8.invalid, 6u);
  EXPECT_EQ(asUtf8.firstInvalid.line, 1u);
  EXPECT_EQ(asUtf8.firstInvalid.column, 1u);
  const TextFileLyrics kept = ReadTextFileLyrics(cp949, EncodingChoice::Utf8);
  EXPECT_EQ(kept.cp949, cp949);  // the undecodable bytes come back as they were

  const DecodedText asCp949 = DecodeText("caf\xC3\xA9", EncodingChoice::Cp949);
  EXPECT_EQ(asCp949.encoding, TextEncoding::Cp949);
  EXPECT_EQ(asCp949.utf8, "caf챕");

  const std::string le = samples::Utf16("밤 night", true, false);
  EXPECT_EQ(DecodeText(le, EncodingChoice::Utf16).utf8, "밤 night");
  EXPECT_EQ(DecodeText(le, EncodingChoice::Utf16).encoding, TextEncoding::Utf16Le);
  const std::string be = samples::Utf16("밤 night", false, true);
  EXPECT_EQ(DecodeText(be, EncodingChoice::Utf16).utf8, "밤 night");
  EXPECT_EQ(DecodeText(be, EncodingChoice::Utf16).encoding, TextEncoding::Utf16Be);
}

TEST(TextEncodingChoice, BrokenUtf16IsReportedNotDropped) {
  std::string bytes = samples::Utf16("a\nb", true, true);
  bytes += std::string("\x00\xD8", 2);  // a lone high surrogate
  bytes += "c";         // and half a unit
  const DecodedText d = DecodeText(bytes, EncodingChoice::Automatic);
  EXPECT_EQ(d.encoding, TextEncoding::Utf16Le);
  EXPECT_EQ(d.invalid, 2u);
  EXPECT_EQ(d.firstInvalid.line, 2u);
  EXPECT_EQ(d.firstInvalid.column, 2u);
  EXPECT_EQ(d.utf8, "a\nb\uFFFD\uFFFD");
}

TEST(TextEncodingChoice, Names) {
  struct {
    const char* name;
    bool ok;
    EncodingChoice choice;
  } cases[] = {{"auto", true, EncodingChoice::Automatic}, {"CP949", true, EncodingChoice::Cp949},
               {"utf-8", true, EncodingChoice::Utf8},     {"UTF8", true, EncodingChoice::Utf8},
               {"utf-16", true, EncodingChoice::Utf16},   {"latin1", false, EncodingChoice::Automatic},
               {"", false, EncodingChoice::Automatic}};
  for (const auto& c : cases) {
    EncodingChoice got = EncodingChoice::Automatic;
    EXPECT_EQ(ParseEncodingChoice(c.name, got), c.ok) << c.name;
    if (c.ok) {
      EXPECT_EQ(got, c.choice) << c.name;
    }
  }
}

TEST(TextEncodingConversion, CharactersCp949CannotHoldAreCountedAndTheFirstIsPlaced) {
  struct {
    const char* text;
    std::size_t count;
    char32_t first;
    std::size_t line, column;
  } cases[] = {
      {"사랑해 \U0001F600\r\n웃어 \U0001F600 \u00E6", 2, 0x1F600, 1, 5},
      {"\u00A7" "00001520" "\u00BB\r\n\U0001F3B5", 1, 0x1F3B5, 2, 1},
      // The first « opens an editor tag and is a mark; the second is a character.
      {"\u00AB" "001520" "\u00BB ok \u00AB", 1, 0xAB, 1, 13},
      {"line\rnext \u0101", 1, 0x101, 2, 6},
  };
  for (const auto& c : cases) {
    const EncodedText e = EncodeText(c.text, TextEncoding::Cp949);
    EXPECT_EQ(e.unencodable, c.count) << c.text;
    EXPECT_EQ(e.firstUnencodable, c.first) << c.text;
    EXPECT_EQ(e.firstUnencodableAt.line, c.line) << c.text;
    EXPECT_EQ(e.firstUnencodableAt.column, c.column) << c.text;
  }
  EXPECT_EQ(EncodeText("사랑해 \U0001F600", TextEncoding::Cp949).bytes, samples::Cp949("사랑해 ") + "?");
}

TEST(TextEncodingConversion, Utf8HoldsEverythingButTheStandInsForBadBytes) {
  const DecodedText d = DecodeText(samples::Cp949("별\n") + "\x80", EncodingChoice::Cp949);
  ASSERT_EQ(d.invalid, 1u);
  const EncodedText e = EncodeText(d.utf8, TextEncoding::Utf8);
  EXPECT_EQ(e.bytes, "별\n?");
  EXPECT_EQ(e.unencodable, 1u);
  EXPECT_EQ(e.firstUnencodableAt.line, 2u);
  const EncodedText clean = EncodeText("별 \U0001F600", TextEncoding::Utf8);
  EXPECT_EQ(clean.bytes, "별 \U0001F600");
  EXPECT_EQ(clean.unencodable, 0u);
}

TEST(TextEncodingConversion, LyricsFromUtf16WithACharacterCp949CannotHold) {
  const std::string bytes = samples::Utf16("첫 줄\n둘째 \U0001F3B5 줄\n", false, true);
  const TextFileLyrics t = ReadTextFileLyrics(bytes, EncodingChoice::Automatic);
  EXPECT_EQ(t.read.encoding, TextEncoding::Utf16Be);
  EXPECT_EQ(t.cp949, samples::Cp949("첫 줄\n둘째 ? 줄\n"));
  EXPECT_EQ(t.converted.unencodable, 1u);
  EXPECT_EQ(t.converted.firstUnencodable, 0x1F3B5u);
  EXPECT_EQ(t.converted.firstUnencodableAt.line, 2u);
  EXPECT_EQ(t.converted.firstUnencodableAt.column, 4u);
}

}  // namespace
