#include <array>
#include <cstring>
#include <string>

#include "common/control_ids.h"
#include "lyrics_fixture.h"
#include "sync/sync_text.h"

namespace vexalo::test {
namespace {

std::array<char, kTagTextBytes> TagText(const std::string& bytes) {
  std::array<char, kTagTextBytes> tag{};
  std::memcpy(tag.data(), bytes.data(), bytes.size());
  return tag;
}

TEST(TagToEditorForm, TurnsStoredTagsIntoEditorTags) {
  struct Case {
    int longTag;
    std::string stored;
    std::string editor;
  } cases[] = {
      {1, "\xA2\xE2" "00010570" "\xA2\xD0\r\n", "\xA7" "00010570" "\xBB\r\n"},
      {0, "\xA2\xD1" "001230" "\xA2\xD0", "\xAB" "001230" "\xBB"},
      // The two bytes after the closing mark come along whatever they are.
      {1, "\xA2\xE2" "12345678" "\xA2\xD0" "ab", "\xA7" "12345678" "\xBB" "ab"},
  };
  for (const Case& c : cases) {
    auto tag = TagText(c.stored);
    TagToEditorForm(c.longTag, tag);
    EXPECT_EQ(std::string(tag.data()), c.editor) << c.stored;
    for (std::size_t i = c.editor.size(); i < tag.size(); ++i) EXPECT_EQ(tag[i], 0) << "byte " << i;
  }
}

TEST(TagToEditorForm, LeavesOtherShapesUnchanged) {
  struct Case {
    int longTag;
    std::string text;
  } cases[] = {
      {1, "\xA2\xD1" "001230" "\xA2\xD0"},              // a short tag asked for as long
      {0, "\xA2\xE2" "00010570" "\xA2\xD0\r\n"},        // a long tag asked for as short
      {1, "\xA2\xE2" "0001057" "\xA2\xD0\r\n"},         // closing mark one byte early
      {1, "plain words"},
  };
  for (const Case& c : cases) {
    auto tag = TagText(c.text);
    const auto before = tag;
    TagToEditorForm(c.longTag, tag);
    EXPECT_EQ(tag, before) << c.text;
  }
}

using CaptureEditorTextTest = LyricsTest;

TEST_F(CaptureEditorTextTest, TakesTextCaretLineAndScrollPosition) {
  Editor("a\r\nb\r\nc\r\nd", 2, 1);
  LyricsTextBuffer = "old contents";
  EXPECT_TRUE(CaptureEditorText());
  EXPECT_EQ(LyricsTextBuffer, "a\r\nb\r\nc\r\nd");
  EXPECT_EQ(CaretLine, 2);
  EXPECT_EQ(FirstVisibleLine, 1);
}

TEST_F(CaptureEditorTextTest, AFullBufferHoldsTheWholeText) {
  Editor(std::string(kMaxLyricsTextBytes, 'x'));
  EXPECT_TRUE(CaptureEditorText());
  EXPECT_EQ(LyricsTextBuffer.size(), kMaxLyricsTextBytes);
}

TEST_F(CaptureEditorTextTest, ALongerTextIsCutBeforeASplitCharacterAndReported) {
  // A two-byte character at 30,718..30,719 would be split by the buffer's end.
  std::string text(kMaxLyricsTextBytes - 1, 'x');
  text += "\xC7\xD1";
  Editor(text);
  EXPECT_FALSE(CaptureEditorText());
  EXPECT_EQ(LyricsTextBuffer, std::string(kMaxLyricsTextBytes - 1, 'x'));
}

TEST_F(CaptureEditorTextTest, RunsOnEditsAndOnClicksIntoTheFocusedEditor) {
  Editor("typed", 0);
  OnEditorChange();
  EXPECT_EQ(LyricsTextBuffer, "typed");

  Editor("x\r\nclicked", 1, 1);
  OnPreLeftButtonDown(false);
  EXPECT_EQ(LyricsTextBuffer, "typed");
  OnPreLeftButtonDown(true);
  EXPECT_EQ(LyricsTextBuffer, "x\r\nclicked");
  EXPECT_EQ(CaretLine, 1);
  EXPECT_EQ(EditorHasFocus, 1);
}

}  // namespace
}  // namespace vexalo::test
