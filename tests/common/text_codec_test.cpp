#include "common/text_codec.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace vexalo;

TEST(TextCodec, DecodesAndEncodesBothWays) {
  struct Case {
    const char* name;
    std::string cp949;
    std::string utf8;
  };
  const std::vector<Case> cases = {
      {"ascii with CR LF", "Hello\r\nworld", "Hello\r\nworld"},
      {"hangul", "\xC7\xD1\xB1\xDB \xB0\xA1\xBB\xE7", "한글 가사"},
      {"stored tag marks are CP949 characters", "\xA2\xE2" "01020340" "\xA2\xD0\r\n",
       "™01020340☜\r\n"},
      {"editor long tag", "\xA7" "00010540" "\xBB\r\nla", "§00010540»\r\nla"},
      {"editor short tag", "ab\xAB" "010203" "\xBB" "cd", "ab«010203»cd"},
      // 0xBB 0xB0 alone would be one Hangul character: the tag's mark must stay a mark.
      {"short tag closed right before hangul", "\xAB" "000102" "\xBB\xB0\xA1", "«000102»가"},
      {"long tag right after hangul", "\xB0\xA1\xA7" "00000100" "\xBB\r\n", "가§00000100»\r\n"},
      {"two tags in a row", "\xA7" "00000100" "\xBB\xAB" "000200" "\xBB", "§00000100»«000200»"},
  };
  for (const auto& c : cases) {
    Cp949Decoded d = DecodeCp949(c.cp949);
    EXPECT_EQ(d.utf8, c.utf8) << c.name;
    EXPECT_EQ(d.invalidBytes, 0u) << c.name;
    Cp949Encoded e = EncodeCp949(c.utf8);
    EXPECT_TRUE(e.Ok()) << c.name;
    EXPECT_EQ(e.bytes, c.cp949) << c.name;
  }
}

TEST(TextCodec, SectionSignOutsideATagIsTheCp949Character) {
  Cp949Encoded e = EncodeCp949("§1 and §1234567.");
  EXPECT_TRUE(e.Ok());
  EXPECT_EQ(e.bytes.substr(0, 2), "\xA1\xD7");
  // « and » have no CP949 form of their own: outside a tag they cannot be held.
  Cp949Encoded g = EncodeCp949("«quote»");
  EXPECT_EQ(g.unencodable, (std::vector<char32_t>{0xAB, 0xBB}));
  EXPECT_EQ(g.bytes, "?quote?");
}

TEST(TextCodec, ReportsCharactersCp949CannotHold) {
  Cp949Encoded e = EncodeCp949("a😀b€c");
  // The euro sign has a CP949 form; the emoji has not.
  EXPECT_FALSE(e.Ok());
  EXPECT_EQ(e.unencodable, std::vector<char32_t>{0x1F600});
  EXPECT_EQ(e.bytes.front(), 'a');
  EXPECT_NE(e.bytes.find("?b"), std::string::npos);
  EXPECT_EQ(e.bytes.back(), 'c');
}

TEST(TextCodec, ReportsMalformedUtf8) {
  Cp949Encoded e = EncodeCp949(std::string("a\xFF" "b", 3));
  EXPECT_EQ(e.unencodable, std::vector<char32_t>{0xFFFD});
  EXPECT_EQ(e.bytes, "a?b");
}

TEST(TextCodec, BytesThatAreNotCp949SurviveARoundTrip) {
  struct Case {
    const char* name;
    std::string bytes;
    std::size_t invalid;
  };
  const std::vector<Case> cases = {
      {"UTF-8 text read as CP949", "\xED\x95\x9C\xEA\xB8\x80", 0},  // may partly decode
      {"lone lead byte at the end", "abc\xB0", 1},
      {"editor mark with too few digits", "\xA7" "123\xBB", 0},
      {"0xFF", "x\xFFy", 1},
  };
  for (const auto& c : cases) {
    Cp949Decoded d = DecodeCp949(c.bytes);
    if (c.invalid) {
      EXPECT_EQ(d.invalidBytes, c.invalid) << c.name;
    }
    Cp949Encoded e = EncodeCp949(d.utf8);
    EXPECT_TRUE(e.Ok()) << c.name;
    EXPECT_EQ(e.bytes, c.bytes) << c.name;
  }
}

TEST(TextCodec, LongTextConvertsWhole) {
  std::string cp949, utf8;
  for (int i = 0; i < 3000; ++i) {
    cp949 += "\xA7" "00000100" "\xBB\r\n\xC7\xD1\xB1\xDB line\r\n";
    utf8 += "§00000100»\r\n한글 line\r\n";
  }
  EXPECT_EQ(DecodeCp949(cp949).utf8, utf8);
  EXPECT_EQ(EncodeCp949(utf8).bytes, cp949);
}

TEST(TextCodec, EveryOneAndTwoByteInputRoundTrips) {
  // Pairs glibc cannot decode are kept as escapes and counted, never dropped.
  std::vector<std::string> failures;
  auto check = [&](const std::string& bytes) {
    const Cp949Decoded d = DecodeCp949(bytes);
    const Cp949Encoded e = EncodeCp949(d.utf8);
    if (!e.Ok() || e.bytes != bytes) {
      char name[16];
      std::snprintf(name, sizeof name, "%02X %02X", static_cast<unsigned char>(bytes[0]),
                    bytes.size() > 1 ? static_cast<unsigned char>(bytes[1]) : 0);
      failures.push_back(name);
    }
  };
  for (int a = 0; a < 256; ++a) {
    check(std::string(1, static_cast<char>(a)));
    for (int b = 0; b < 256; ++b) check(std::string{static_cast<char>(a), static_cast<char>(b)});
  }
  EXPECT_TRUE(failures.empty()) << failures.size() << " inputs, first " << failures.front();
}

TEST(TextCodec, PairThatGlibcConsumesWithAnErrorIsKept) {
  struct Case {
    const char* name;
    std::string bytes;
    std::size_t invalid;
  };
  const std::vector<Case> cases = {
      {"alone", "\xA2\xE8", 2},
      {"between letters", "a\xA2\xE8z", 2},
      {"before hangul", "\xA2\xE8\xB0\xA1", 2},
      {"after a tag", "\xA7" "00000100" "\xBB\xA2\xE8", 2},
  };
  for (const auto& c : cases) {
    const Cp949Decoded d = DecodeCp949(c.bytes);
    EXPECT_EQ(d.invalidBytes, c.invalid) << c.name;
    EXPECT_EQ(EncodeCp949(d.utf8).bytes, c.bytes) << c.name;
  }
  // The letters around it decode as themselves.
  EXPECT_EQ(DecodeCp949("a\xA2\xE8z").utf8, "a\xEF\x9E\xA2\xEF\x9F\xA8z");
  EXPECT_EQ(DecodeCp949("\xA2\xE8\xB0\xA1").utf8.substr(6), "가");
}
