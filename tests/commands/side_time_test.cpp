#include <string>

#include "common/control_ids.h"
#include "lyrics/lyrics_fixture.h"
#include "playback/waveform.h"

namespace vexalo::test {
namespace {

using SideTime = LyricsTest;

TEST_F(SideTime, PutsWindowStartAsShortTagIntoFieldClipboardAndEditor) {
  PlayerState.store(kStateWindowView);
  WindowStart.Store({0, 12, 345});
  Editor("ab\r\ncd", 1);
  view.caretIndex = view.selectionEnd = 5;  // between c and d
  OnSideTime();
  const std::string tag = "\xAB" "001230" "\xBB";
  EXPECT_EQ(view.controlTexts[kIdcSideTime], tag);
  EXPECT_EQ(view.clipboard, tag);
  EXPECT_EQ(view.focus, kIdcSideTime);
  EXPECT_EQ(view.editorText, "ab\r\nc" + tag + "d");
}

TEST_F(SideTime, PasteReplacesTheEditorSelection) {
  PlayerState.store(kStateWindowView);
  WindowStart.Store({3, 7, 999});
  Editor("one two three");
  view.caretIndex = 4;
  view.selectionEnd = 7;
  OnSideTime();
  EXPECT_EQ(view.editorText, "one " + ShortTag("030790") + " three");
}

TEST_F(SideTime, DoesNothingOutsideTheWindowView) {
  for (int state : {kStateNoSong, kStateOpening, kStateWholeView}) {
    PlayerState.store(state);
    WindowStart.Store({1, 2, 300});
    Editor("text");
    view.clipboard = "kept";
    view.focus = kIdcEditor;
    OnSideTime();
    EXPECT_EQ(view.editorText, "text") << state;
    EXPECT_EQ(view.clipboard, "kept") << state;
    EXPECT_EQ(view.focus, kIdcEditor) << state;
    EXPECT_EQ(view.controlTexts.count(kIdcSideTime), 0u) << state;
  }
}

TEST_F(SideTime, UpdateLeavesTheEditorAlone) {
  PlayerState.store(kStateWindowView);
  WindowStart.Store({64, 59, 990});
  Editor("x");
  UpdateSideTime();
  EXPECT_EQ(view.controlTexts[kIdcSideTime], ShortTag("645990"));
  EXPECT_EQ(view.clipboard, ShortTag("645990"));
  EXPECT_EQ(view.editorText, "x");
}

TEST_F(SideTime, WindowDrawingRefreshesTheFieldThroughTheInstalledRoutine) {
  PlayerState.store(kStateWindowView);
  WindowStart.Store({2, 0, 50});
  view.focus = kIdcEditor;
  CallSideTimeRoutine();
  EXPECT_EQ(view.controlTexts[kIdcSideTime], ShortTag("020000"));
  EXPECT_EQ(view.clipboard, ShortTag("020000"));
  EXPECT_EQ(view.focus, kIdcEditor) << "a window playback or drawing keeps the editor's focus";
}

TEST_F(SideTime, NothingHappensWithoutAView) {
  ActiveView.store(nullptr);
  PlayerState.store(kStateWindowView);
  OnSideTime();
  UpdateSideTime();
  EXPECT_TRUE(view.controlTextHistory.empty());
  EXPECT_TRUE(view.clipboard.empty());
}

}  // namespace
}  // namespace vexalo::test
