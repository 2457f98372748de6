#include <string>

#include "commands/editor_commands.h"
#include "commands/time_adjust.h"
#include "lyrics/lyrics_fixture.h"
#include "support/hangul_tag_cases.h"

namespace vexalo::test {
namespace {

using HangulTagMarks = LyricsTest;

TEST_F(HangulTagMarks, AdjustAndInsertTimeInfoFindOnlyRealTags) {
  PlayerState.store(kStateWholeView);
  PlayTime.Store({0, 2, 0});
  for (const auto& c : HangulTagCases()) {
    std::string shifted = c.editor;
    ShiftLongTags(shifted, 1000);
    EXPECT_EQ(shifted, c.shifted) << c.name;

    // Each row starts with a lyric character, never a tag: the stamp goes in front of it.
    Editor(c.editor, 0);
    OnInsertTimeInfo();
    EXPECT_EQ(view.editorText, LongTag("00000200") + c.editor) << c.name;
  }
}

}  // namespace
}  // namespace vexalo::test
