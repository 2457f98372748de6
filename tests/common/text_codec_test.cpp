#include "common/text_codec.h"

#include <gtest/gtest.h>

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
