#include "form/string_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "form/command_registry.h"
#include "form/command_table.h"
#include "form/skin_layout.h"

namespace vexalo {
namespace {

TEST(StringTable, CommandPromptsAreTheTableTexts) {
  const std::pair<int, const char*> prompts[] = {
      {32771, "Song Text File Open"},  {32772, "Song Text File Save"},
      {32774, "All WaveForm View"},    {32776, "Partial WaveForm View"},
      {32777, "MP3 File + Text File"}, {32779, "Text Editor Window Clear"},
      {32781, "ID3 Tag Editor"},       {57601, "MP3 File Open"},
      {57603, "SyncMP3 File Save"},    {57664, "Vexalo Caption Editor About"},
      {57665, "Vexalo Caption Editor Exit !!!"}, {57667, "Vexalo Caption Editor Help"},
  };
  for (auto [id, text] : prompts) EXPECT_EQ(CommandPrompt(id), text) << id;
  EXPECT_EQ(LoadString(57344), "VexaloCaption");
  EXPECT_EQ(LoadString(57345), "\xC1\xD8\xBA\xF1");
  EXPECT_EQ(LoadString(59142), std::string(26, ' '));
  EXPECT_EQ(LoadString(59143), std::string(39, ' '));
  EXPECT_TRUE(LoadString(1).empty());
}

TEST(StringTable, DocumentStringHasItsSevenFields) {
  const std::string doc(LoadString(kIdsDocument));
  EXPECT_EQ(std::count(doc.begin(), doc.end(), '\n'), 6);
  EXPECT_EQ(doc, "VexaloCaption\n\nVexalo\n\n\nVexaloCaption.Document\nVexalo Document");
}

TEST(StringTable, TheWholeViewTipDiffersFromItsPromptOnlyInTheSmallF) {
  EXPECT_STREQ(skin::ButtonAt(skin::kTop5).tip, " All Waveform View");
  EXPECT_EQ(CommandPrompt(kIdWholeView), "All WaveForm View");
}

TEST(MenuTable, ItemsInOrderWithTheirIdsAndEveryItemHasAPrompt) {
  constexpr const char* kSpeed = "Playback Speed";
  constexpr const char* kSpan = "User View Span";
  const struct {
    const char* label;  // null: a separator
    int command;
    const char* submenu;
    bool checkable;
  } expected[] = {
      {"MP3 Open(&O)...\tCtrl+O", 57601, "", false}, {"SyncMP3 Save(&S)\tCtrl+S", 57603, "", false},
      {nullptr, 0, "", false},
      {"Text Open", 32771, "", false}, {"Text Save", 32772, "", false}, {nullptr, 0, "", false},
      {"Exit(&X)", 57665, "", false},
      {"Undo(&U)\tCtrl+Z", kIdEditUndo, "", false}, {"Redo(&R)\tCtrl+Y", kIdEditRedo, "", false},
      {"Caret's group 10 ms earlier\tAlt+Up", kIdNudgeEarlier, "", false},
      {"Caret's group 10 ms later\tAlt+Down", kIdNudgeLater, "", false},
      {"Caret's group 100 ms earlier\tAlt+Shift+Up", kIdNudgeEarlierMore, "", false},
      {"Caret's group 100 ms later\tAlt+Shift+Down", kIdNudgeLaterMore, "", false}, {nullptr, 0, "", false},
      {"Replay the caret's group\tF5", kIdReplayGroup, "", false},
      {"Replay the group before\tF6", kIdReplayPreviousGroup, "", false}, {nullptr, 0, "", false},
      {"Adjust from caret", kIdAdjustFromCaret, "", false},
      {"User View", 32776, "", false}, {"1:1 View", 32774, "", false}, {nullptr, 0, "", false},
      {"MP3+Txt", 32777, "", false}, {nullptr, 0, "", false},
      {"ID3 Tag Editor", 32781, "", false}, {nullptr, 0, "", false},
      {"Editor Clear", 32779, "", false}, {nullptr, 0, "", false},
      {"Settings\xA1\xA6", 32800, "", false}, {nullptr, 0, "", false},
      {"0.5x", kIdSpeedHalf, kSpeed, true}, {"0.75x", kIdSpeedThreeQuarters, kSpeed, true},
      {"1x", kIdSpeedNormal, kSpeed, true}, {nullptr, 0, kSpeed, false},
      {"Slower", kIdSpeedSlower, kSpeed, false}, {"Faster", kIdSpeedFaster, kSpeed, false},
      {"50 frames", kIdSpan50, kSpan, true}, {"100 frames", kIdSpan100, kSpan, true},
      {"200 frames", kIdSpan200, kSpan, true}, {"400 frames", kIdSpan400, kSpan, true},
      {"800 frames", kIdSpan800, kSpan, true}, {nullptr, 0, kSpan, false},
      {"Zoom In", kIdZoomIn, kSpan, false}, {"Zoom Out", kIdZoomOut, kSpan, false},
      {nullptr, 0, "", false}, {"Calibrate stamping\xA1\xA6", kIdCalibrateStamping, "", false},
      {"Help", 57667, "", false}, {"Keyboard shortcuts", kIdKeyboardShortcuts, "", false}, {nullptr, 0, "", false},
      {"Vexalo Caption Editor Information(&A)...", 57664, "", false},
  };
  const auto& menu = MenuTable();
  ASSERT_EQ(menu.size(), std::size(expected));
  for (std::size_t i = 0; i < menu.size(); ++i) {
    EXPECT_EQ(menu[i].submenu, expected[i].submenu) << i;
    EXPECT_EQ(menu[i].checkable, expected[i].checkable) << i;
    if (expected[i].label == nullptr) {
      EXPECT_EQ(menu[i].command, 0) << i;
      EXPECT_EQ(menu[i].label, "") << i;
      continue;
    }
    EXPECT_EQ(menu[i].label, expected[i].label);
    EXPECT_EQ(menu[i].command, expected[i].command);
    EXPECT_FALSE(CommandPrompt(menu[i].command).empty()) << menu[i].label;
  }
  EXPECT_EQ(menu[0].menu, "File(&F)");
  EXPECT_EQ(menu[7].menu, "Edit(&E)");
  EXPECT_EQ(menu[8].menu, "Edit(&E)");
  EXPECT_EQ(menu[9].menu, "Timing(&I)");
  EXPECT_EQ(menu[17].menu, "Timing(&I)");
  EXPECT_EQ(menu[18].menu, "Tools(&T)");
  EXPECT_EQ(menu[44].menu, "Tools(&T)");
  EXPECT_EQ(menu[45].menu, "Help(&H)");
}

TEST(MenuTable, AcceleratorsAreTheWindowKeysOfTheTableInOrder) {
  const struct {
    int key;
    int modifiers;
    int command;
  } expected[] = {
      {'O', kModCtrl, kIdMp3FileOpen}, {'S', kModCtrl, kIdSyncMp3FileSave}, {'Z', kModCtrl, kIdEditUndo},
      {'Y', kModCtrl, kIdEditRedo},    {'Z', kModCtrl | kModShift, kIdEditRedo},
      {kVkUp, kModAlt, kIdNudgeEarlier}, {kVkDown, kModAlt, kIdNudgeLater},
      {kVkUp, kModAlt | kModShift, kIdNudgeEarlierMore}, {kVkDown, kModAlt | kModShift, kIdNudgeLaterMore},
      {kVkF1 + 4, kModNone, kIdReplayGroup}, {kVkF1 + 5, kModNone, kIdReplayPreviousGroup},
  };
  const auto& acc = AcceleratorTable();
  ASSERT_EQ(acc.size(), std::size(expected));
  for (std::size_t i = 0; i < acc.size(); ++i) {
    EXPECT_EQ(acc[i].chord.key, expected[i].key) << i;
    EXPECT_EQ(acc[i].chord.modifiers, expected[i].modifiers) << i;
    EXPECT_EQ(acc[i].command, expected[i].command) << i;
  }
}

}  // namespace
}  // namespace vexalo
