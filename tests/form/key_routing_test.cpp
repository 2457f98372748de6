#include "form/key_routing.h"

#include "commands/editor_commands.h"
#include "common/control_ids.h"
#include "form/command_table.h"
#include "playback/playback_speed.h"
#include "lyrics/lyrics_fixture.h"

namespace vexalo::test {
namespace {

using KeyRouting = LyricsTest;

TEST_F(KeyRouting, CtrlQInTheEditorStampsInBothSongViews) {
  for (int state : {kStateWholeView, kStateWindowView}) {
    PlayerState.store(state);
    PlayTime.Store({0, 1, 0});
    WindowStart.Store({0, 1, 0});
    Editor("words");
    EXPECT_FALSE(RouteKeyDown(kVkControlKey, kModNone, true));
    EXPECT_EQ(CtrlKeyDown, 1);
    EXPECT_TRUE(RouteKeyDown('Q', kModNone, true));
    EXPECT_EQ(view.editorText, LongTag("00000100") + "words") << state;
    RouteKeyUp(kVkControlKey, true);
    EXPECT_EQ(CtrlKeyDown, 0);
  }
}

TEST_F(KeyRouting, CtrlQWithoutASongDoesNothing) {
  for (int state : {kStateNoSong, kStateOpening}) {
    PlayerState.store(state);
    Editor("words");
    RouteKeyDown(kVkControlKey, kModNone, true);
    EXPECT_FALSE(RouteKeyDown('Q', kModNone, true));
    EXPECT_EQ(CtrlKeyDown, 0);
    EXPECT_EQ(view.editorText, "words");
    EXPECT_EQ(TransportCommand.load(), kCmdNone);
  }
}

TEST_F(KeyRouting, QWithoutCtrlIsTypedNotStamped) {
  PlayerState.store(kStateWholeView);
  Editor("words");
  EXPECT_FALSE(RouteKeyDown('Q', kModNone, true));
  RouteKeyDown(kVkControlKey, kModNone, true);
  RouteKeyUp(kVkControlKey, true);
  EXPECT_FALSE(RouteKeyDown('Q', kModNone, true));
  EXPECT_EQ(view.editorText, "words");
  EXPECT_EQ(TransportCommand.load(), kCmdNone);
}

TEST_F(KeyRouting, KeysOutsideTheEditorGoToTheTransport) {
  PlayerState.store(kStateWholeView);
  Editor("words");
  EXPECT_FALSE(RouteKeyDown('Q', kModNone, false));
  EXPECT_EQ(TransportCommand.load(), kCmdStop);
  EXPECT_EQ(EditorHasFocus, 0);

  // Space acts as Play: with a worker running it asks that worker to stop playing.
  WorkerBusy.store(1);
  RouteKeyDown(kVkSpace, kModNone, false);
  EXPECT_EQ(TransportCommand.load(), kCmdPlay);
  WorkerBusy.store(0);
  EXPECT_EQ(view.editorText, "words");
}

TEST_F(KeyRouting, ACtrlReleasedOutsideTheEditorDoesNotArmAStamp) {
  PlayerState.store(kStateWholeView);
  Editor("words");
  RouteKeyDown(kVkControlKey, kModNone, true);
  OnEditorFocus(false);
  RouteKeyUp(kVkControlKey, false);
  OnEditorFocus(true);
  EXPECT_FALSE(RouteKeyDown('Q', kModNone, true));
  EXPECT_EQ(view.editorText, "words");
}

TEST_F(KeyRouting, CtrlHeldByTheEventStampsAndIsUsedUp) {
  PlayerState.store(kStateWholeView);
  PlayTime.Store({0, 2, 0});
  Editor("words");
  EXPECT_TRUE(RouteKeyDown('Q', kModCtrl, true));
  EXPECT_EQ(view.editorText, LongTag("00000200") + "words");
  // Other modifiers make another chord.
  Editor("words");
  EXPECT_FALSE(RouteKeyDown('Q', kModCtrl | kModShift, true));
  EXPECT_EQ(view.editorText, "words");
}

TEST_F(KeyRouting, TransportKeysOutsideTheEditorActWhateverModifiersAreHeld) {
  PlayerState.store(kStateWholeView);
  Editor("words");
  EXPECT_FALSE(RouteKeyDown('Q', kModCtrl, false));
  EXPECT_EQ(TransportCommand.load(), kCmdStop);
  TransportCommand.store(kCmdNone);
  // A window key is the accelerator's, not the router's.
  EXPECT_FALSE(RouteKeyDown('O', kModCtrl, false));
  EXPECT_FALSE(RouteKeyDown('O', kModCtrl, true));
  EXPECT_EQ(TransportCommand.load(), kCmdNone);
  EXPECT_TRUE(view.dialogs.empty());
}

TEST_F(KeyRouting, TransportKeysInsideTheEditorAreTyped) {
  PlayerState.store(kStateWholeView);
  Editor("words");
  for (int key : {int(kVkSpace), int(kVkLeft), int(kVkRight), int('Q'), int(kVkEscape)}) {
    EXPECT_FALSE(RouteKeyDown(key, kModNone, true)) << key;
  }
  EXPECT_EQ(TransportCommand.load(), kCmdNone);
  EXPECT_EQ(PlayerState.load(), kStateWholeView);
}

TEST_F(KeyRouting, BracketsOutsideTheEditorStepTheSpeedAndAreTypedInIt) {
  PlaybackSpeedPercent.store(100);
  const struct {
    int key;
    bool inEditor;
    int speedAfter;
  } steps[] = {
      {kVkOpenBracket, false, 75}, {kVkOpenBracket, false, 50}, {kVkOpenBracket, false, 50},
      {kVkCloseBracket, true, 50}, {kVkCloseBracket, false, 75}, {kVkOpenBracket, true, 75},
      {kVkCloseBracket, false, 100}, {kVkCloseBracket, false, 100},
  };
  for (const auto& s : steps) {
    EXPECT_FALSE(RouteKeyDown(s.key, kModNone, s.inEditor)) << "the key still reaches the focused control";
    EXPECT_EQ(PlaybackSpeedPercent.load(), s.speedAfter) << KeyText(KeyChord{s.key}) << " in editor " << s.inEditor;
  }
  EXPECT_EQ(view.statusTexts[kPaneSpeed], "Speed 1x");
  EXPECT_EQ(TransportCommand.load(), kCmdNone);
  PlaybackSpeedPercent.store(100);
}

}  // namespace
}  // namespace vexalo::test
