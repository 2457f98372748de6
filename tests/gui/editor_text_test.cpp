// The window's toolkit-free pieces: the editor text's two forms and their offsets, and the back
// buffer's drawing rules.
#include <gtest/gtest.h>

#include "app/back_buffer.h"
#include "app/editor_text.h"
#include "common/text_codec.h"

namespace vexalo::app {
namespace {

std::u32string Chars(const std::string& utf8) {
  std::u32string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    const int n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    char32_t v = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
    for (int k = 1; k < n; ++k) v = (v << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    out.push_back(v);
    i += static_cast<std::size_t>(n);
  }
  return out;
}

TEST(EditorText, CrLfBecomesOneLineEndAndComesBackAsCrLf) {
  const std::string cp949 = "ab\r\n\xC7\xD1\xB1\xDB\r\nz";  // ab / 한글 / z
  const std::string shown = EditorTextFromCp949(cp949);
  EXPECT_EQ(shown, "ab\n\xED\x95\x9C\xEA\xB8\x80\nz");
  EXPECT_EQ(EditorTextToCp949(Chars(shown)).cp949, cp949);
}

TEST(EditorText, OffsetsCountCp949BytesAndCrLf) {
  // "§00012345»" is an editor long tag: single-byte marks; Hangul takes two bytes.
  const std::string cp949 = "\xA7" "00012345" "\xBB\r\n\xC7\xD1" "a";
  const std::u32string chars = Chars(EditorTextFromCp949(cp949));
  ASSERT_EQ(chars.size(), 13u);  // mark, 8 digits, mark, line end, 한, a
  const EditorOffsets offsets(chars);
  EXPECT_EQ(offsets.ByteCount(), cp949.size());
  EXPECT_EQ(offsets.ByteOfChar(10), 10);  // the line end
  EXPECT_EQ(offsets.ByteOfChar(11), 12);  // 한 after CR LF
  EXPECT_EQ(offsets.ByteOfChar(12), 14);
  EXPECT_EQ(offsets.CharOfByte(13), 11);  // inside 한
  EXPECT_EQ(offsets.LineIndex(0), 0);
  EXPECT_EQ(offsets.LineIndex(1), 12);
  EXPECT_EQ(offsets.LineIndex(2), -1);
  EXPECT_EQ(offsets.LineOfChar(12), 1);
}

TEST(EditorText, MarksOutsideATagTakeTheirCp949Form) {
  // A lone "§" is not a tag mark: CP949 holds it as two bytes, and the offsets agree.
  for (const std::string utf8 : {std::string("\xC2\xA7" "12"), std::string("x\xC2\xBB"), std::string("\xC2\xAB" "123456\xC2\xBB"),
                                 std::string("\xC2\xAB" "12345\xC2\xBB"), std::string("\xC2\xA7" "12345678\xC2\xBB\xC2\xBB")}) {
    const std::u32string chars = Chars(utf8);
    EXPECT_EQ(EditorOffsets(chars).ByteCount(), EditorTextToCp949(chars).cp949.size()) << utf8;
  }
}

TEST(EditorText, ReportsCharactersCp949CannotHold) {
  const EditorBytes bytes = EditorTextToCp949(U"a\U0001F600b");
  ASSERT_EQ(bytes.unencodable.size(), 1u);
  EXPECT_EQ(bytes.unencodable[0], U'\U0001F600');
}

TEST(BackBuffer, LineLeavesItsEndPointAndTracksTheChangedRegion) {
  BackBuffer buffer(20, 10, RGB(1, 2, 3));
  std::vector<Colour> out;
  buffer.TakeDirty(out);
  buffer.Line(2, 5, 2, 1, RGB(0, 200, 100));
  EXPECT_EQ(buffer.GetPixel(2, 5), RGB(0, 200, 100));
  EXPECT_EQ(buffer.GetPixel(2, 2), RGB(0, 200, 100));
  EXPECT_EQ(buffer.GetPixel(2, 1), RGB(1, 2, 3));
  buffer.Line(4, 4, 4, 4, RGB(9, 9, 9));  // a line to its own start paints nothing
  EXPECT_EQ(buffer.GetPixel(4, 4), RGB(1, 2, 3));
  const Rect dirty = buffer.TakeDirty(out);
  EXPECT_LE(dirty.left, 2);
  EXPECT_GE(dirty.right, 3);
  EXPECT_LE(dirty.top, 1);
  EXPECT_GE(dirty.bottom, 6);
  EXPECT_EQ(buffer.PeekDirty(), Rect{});
}

TEST(BackBuffer, BlitAndFillAreClippedToTheRaster) {
  BackBuffer buffer(4, 4, 0);
  Picture p{3, 3, std::vector<Colour>(9, RGB(7, 7, 7))};
  buffer.Blit(2, 2, p);
  buffer.FillSolid(-5, -5, 1, 1, RGB(1, 1, 1));
  EXPECT_EQ(buffer.GetPixel(3, 3), RGB(7, 7, 7));
  EXPECT_EQ(buffer.GetPixel(0, 0), RGB(1, 1, 1));
  EXPECT_EQ(buffer.GetPixel(1, 1), 0u);
  EXPECT_EQ(buffer.GetPixel(9, 9), 0u);
}

}  // namespace
}  // namespace vexalo::app
