#include "form/command_table.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/control_ids.h"
#include "form/command_bindings.h"
#include "form/skin_layout.h"
#include "playback/playback_speed.h"
#include "playback/transport.h"
#include "form/string_table.h"

namespace vexalo {
namespace {

// Two chords can both be reached by one key press when their scopes meet (a window key acts in
// and outside the editor) and their modifiers meet (a row that takes any modifiers meets all).
bool Overlap(const KeyChord& a, const KeyChord& b) {
  if (a.key != b.key) return false;
  const bool scopesMeet = a.scope == b.scope || a.scope == KeyScope::Window || b.scope == KeyScope::Window;
  const bool modifiersMeet = a.modifiers == b.modifiers || a.modifiers == kModAny || b.modifiers == kModAny;
  return scopesMeet && modifiersMeet;
}

std::vector<std::pair<const CommandSpec*, KeyChord>> AllKeys() {
  std::vector<std::pair<const CommandSpec*, KeyChord>> keys;
  for (const CommandSpec& item : CommandTable())
    for (const KeyChord& k : item.keys)
      if (!k.Empty()) keys.emplace_back(&item, k);
  return keys;
}

TEST(CommandTable, IdsAndNamesAreUniqueAndNamesWellFormed) {
  std::set<int> ids;
  std::set<std::string_view> names;
  const std::regex name("[a-z0-9]+(-[a-z0-9]+)*(/[a-z0-9]+(-[a-z0-9]+)*)+");
  for (const CommandSpec& item : CommandTable()) {
    EXPECT_TRUE(ids.insert(item.id).second) << item.id;
    EXPECT_TRUE(names.insert(item.name).second) << item.name;
    EXPECT_TRUE(std::regex_match(std::string(item.name), name)) << item.name;
    EXPECT_EQ(FindCommand(item.id), &item);
    EXPECT_EQ(FindCommand(item.name), &item);
    EXPECT_FALSE(item.label.empty()) << item.name;
  }
  EXPECT_EQ(FindCommand(1), nullptr);
  EXPECT_EQ(FindCommand("no/such"), nullptr);
}

TEST(CommandTable, NoKeyPressReachesTwoCommands) {
  const auto keys = AllKeys();
  ASSERT_FALSE(keys.empty());
  for (std::size_t i = 0; i < keys.size(); ++i)
    for (std::size_t j = i + 1; j < keys.size(); ++j)
      EXPECT_FALSE(Overlap(keys[i].second, keys[j].second))
          << keys[i].first->name << " and " << keys[j].first->name << " share " << KeyText(keys[i].second);
}

TEST(CommandTable, EveryMenuItemHasAPromptAndEveryCommandAHandler) {
  CommandRegistry registry;
  BindCoreCommands(registry);
  std::set<int> windowOwn;
  for (const CommandSpec& item : CommandTable()) {
    if (!item.menu.empty()) {
      EXPECT_FALSE(item.prompt.empty()) << item.name;
      EXPECT_EQ(CommandPrompt(item.id), item.prompt);
    }
    if (item.action) {
      EXPECT_TRUE(registry.IsBound(item.id)) << item.name;
    } else {
      windowOwn.insert(item.id);
    }
  }
  EXPECT_EQ(windowOwn, (std::set<int>{kIdAppExit, kIdSettings, kIdHelpFinder, kIdKeyboardShortcuts, kIdAppAbout,
                                      kIdCalibrateStamping}));
  for (const skin::Button& b : skin::Buttons()) EXPECT_NE(FindCommand(b.command), nullptr) << b.command;
}

TEST(CommandTable, SpeedAndSpanChoicesAreTickedWhileTheyHold) {
  const struct {
    int speed;
    int span;
  } states[] = {{50, 800}, {75, 50}, {100, 200}};
  const int speedIds[] = {kIdSpeedHalf, kIdSpeedThreeQuarters, kIdSpeedNormal};
  const int speeds[] = {50, 75, 100};
  const int spanIds[] = {kIdSpan50, kIdSpan100, kIdSpan200, kIdSpan400, kIdSpan800};
  for (const auto& s : states) {
    PlaybackSpeedPercent.store(s.speed);
    WindowFrames.store(s.span);
    for (std::size_t i = 0; i < std::size(speedIds); ++i) EXPECT_EQ(CommandCheckedNow(speedIds[i]), speeds[i] == s.speed);
    for (std::size_t i = 0; i < std::size(spanIds); ++i)
      EXPECT_EQ(CommandCheckedNow(spanIds[i]), kWindowSpans[i] == s.span) << kWindowSpans[i];
  }
  EXPECT_FALSE(CommandCheckedNow(kIdSpeedSlower)) << "a plain item";
  EXPECT_FALSE(CommandCheckedNow(1));
  PlaybackSpeedPercent.store(100);
  WindowFrames.store(kWindowFrames);
}

TEST(CommandTable, KeyTexts) {
  const std::pair<KeyChord, const char*> cases[] = {
      {{'O', kModCtrl}, "Ctrl+O"},
      {{'Z', kModCtrl | kModShift}, "Ctrl+Shift+Z"},
      {{kVkUp, kModAlt}, "Alt+Up"},
      {{kVkDown, kModAlt | kModShift}, "Alt+Shift+Down"},
      {{kVkF1 + 4, kModNone}, "F5"},
      {{kVkF1 + 11, kModNone}, "F12"},
      {{kVkSpace, kModAny}, "Space"},
      {{kVkEscape, kModNone}, "Esc"},
      {{kVkOpenBracket, kModNone}, "["},
      {{kVkCloseBracket, kModShift}, "Shift+]"},
      {{'7', kModNone}, "7"},
  };
  for (const auto& [chord, text] : cases) EXPECT_EQ(KeyText(chord), text);
}

TEST(CommandTable, MenuLabelsShowTheFirstWindowKeyAndAcceleratorsAreEveryWindowKey) {
  for (const MenuEntry& entry : MenuTable()) {
    if (entry.command == 0) continue;
    const CommandSpec* item = FindCommand(entry.command);
    ASSERT_NE(item, nullptr);
    std::string expected(item->label);
    for (const KeyChord& k : item->keys) {
      if (!k.Empty() && k.scope == KeyScope::Window) {
        expected += "\t" + KeyText(k);
        break;
      }
    }
    EXPECT_EQ(entry.label, expected);
  }
  std::size_t windowKeys = 0;
  for (const auto& [item, k] : AllKeys()) {
    if (k.scope != KeyScope::Window) continue;
    ++windowKeys;
    bool found = false;
    for (const Accelerator& a : AcceleratorTable()) found |= a.command == item->id && a.chord.key == k.key && a.chord.modifiers == k.modifiers;
    EXPECT_TRUE(found) << item->name;
  }
  EXPECT_EQ(AcceleratorTable().size(), windowKeys);
}

TEST(CommandTable, KeyLookupFollowsScopeAndModifiers) {
  EXPECT_EQ(FindKeyCommand('Q', kModCtrl, KeyScope::Editor)->id, kIdcInsertTimeInfo);
  EXPECT_EQ(FindKeyCommand('Q', kModNone, KeyScope::Editor), nullptr);
  EXPECT_EQ(FindKeyCommand('Q', kModNone, KeyScope::OutsideEditor)->id, kIdKeyStop);
  EXPECT_EQ(FindKeyCommand('Q', kModCtrl | kModShift, KeyScope::OutsideEditor)->id, kIdKeyStop);
  EXPECT_EQ(FindKeyCommand(kVkSpace, kModNone, KeyScope::OutsideEditor)->id, kIdKeyPlay);
  EXPECT_EQ(FindKeyCommand(kVkSpace, kModNone, KeyScope::Editor), nullptr);
  // Window keys are the accelerators' and are not looked up here.
  EXPECT_EQ(FindKeyCommand('O', kModCtrl, KeyScope::OutsideEditor), nullptr);
}

TEST(ShortcutList, HoldsEveryKeyOfTheTableOnceWithItsLabelUnderItsHeading) {
  const std::string text = ShortcutListText();
  std::istringstream lines(text);
  std::vector<std::string> keyLines;
  std::vector<std::string> headings;
  for (std::string line; std::getline(lines, line);) {
    if (line.empty()) continue;
    (line.rfind("  ", 0) == 0 ? keyLines : headings).push_back(line);
  }
  const auto keys = AllKeys();
  EXPECT_EQ(keyLines.size(), keys.size());
  EXPECT_EQ(headings.size(), 3u);
  std::size_t width = 0;
  for (const auto& [item, k] : keys) width = std::max(width, KeyText(k).size());
  for (const auto& [item, k] : keys) {
    std::string key = KeyText(k);
    key.resize(width, ' ');
    std::string label(item->label);
    if (const auto amp = label.find("(&"); amp != std::string::npos) label.erase(amp, 4);
    const std::string line = "  " + key + "  " + label;
    EXPECT_EQ(std::count(keyLines.begin(), keyLines.end(), line), 1) << line;
  }
  const auto at = [&](const std::string& s) { return text.find(s); };
  EXPECT_LT(at("Anywhere in the window"), at("Ctrl+O"));
  EXPECT_LT(at("In the lyrics editor"), at("Ctrl+Q"));
  EXPECT_LT(at("Ctrl+Q"), at("Outside the lyrics editor"));
  EXPECT_LT(at("Outside the lyrics editor"), at("Space"));
  EXPECT_NE(text.find("MP3 Open..."), std::string::npos);
}

}  // namespace
}  // namespace vexalo
