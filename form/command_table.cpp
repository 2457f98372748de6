#include "form/command_table.h"

#include <algorithm>
#include <cstdio>

#include "commands/editor_commands.h"
#include "commands/listening_commands.h"
#include "commands/lyrics_undo.h"
#include "commands/mp3_open_command.h"
#include "commands/save_commands.h"
#include "commands/tag_editor_dialog.h"
#include "commands/text_commands.h"
#include "commands/time_adjust.h"
#include "commands/timing_commands.h"
#include "commands/transport_commands.h"
#include "common/control_ids.h"
#include "common/shared_state.h"
#include "playback/playback_speed.h"
#include "playback/transport.h"

namespace vexalo {

namespace {

// The seed's commands work on the program's shared state and take no arguments.
template <void (*Handler)()>
void Run(const CommandContext&) {
  Handler();
}

// A seed command that changes the lyrics: its whole change is one undoable step.
template <void (*Handler)()>
void InLyricsStep(const CommandContext& c) {
  if (c.view == nullptr || c.history == nullptr) {
    Handler();
    return;
  }
  LyricsStep step(*c.view, *c.history);
  Handler();
}

template <int Code>
void TransportKey(const CommandContext&) {
  OnTransportKey(Code);
}

bool WhileSongShown(const CommandContext&) { return SongShown(); }
bool WithView(const CommandContext& c) { return c.view && c.history; }

template <int Millis>
void Nudge(const CommandContext& c) {
  if (c.view && c.history) NudgeCaretGroup(*c.view, *c.history, Millis);
}

template <int Back>
void ReplayBack(const CommandContext& c) {
  if (c.view) ReplayGroup(*c.view, Back);
}

template <int Percent>
void SetSpeed(const CommandContext&) {
  OnSpeed(Percent);
}
template <int Percent>
bool SpeedIs(const CommandContext&) {
  return PlaybackSpeedPercent.load() == Percent;
}
template <int Frames>
void SetSpan(const CommandContext&) {
  OnWindowSpan(Frames);
}
template <int Frames>
bool SpanIs(const CommandContext&) {
  return WindowFrames.load() == Frames;
}

bool CanUndo(const CommandContext& c) { return c.view && c.history && c.history->CanUndo(); }
bool CanRedo(const CommandContext& c) { return c.view && c.history && c.history->CanRedo(); }
void Undo(const CommandContext& c) { UndoLyrics(*c.view, *c.history); }
void Redo(const CommandContext& c) { RedoLyrics(*c.view, *c.history); }

constexpr KeyChord Window(int key, int modifiers = kModNone) { return KeyChord{key, modifiers, KeyScope::Window}; }
constexpr KeyChord InEditor(int key, int modifiers) { return KeyChord{key, modifiers, KeyScope::Editor}; }
constexpr KeyChord Outside(int key) { return KeyChord{key, kModAny, KeyScope::OutsideEditor}; }
constexpr std::array<KeyChord, 2> Keys(KeyChord a = {}, KeyChord b = {}) { return {a, b}; }

constexpr const char kFile[] = "File(&F)";
constexpr const char kEdit[] = "Edit(&E)";
constexpr const char kTiming[] = "Timing(&I)";
constexpr const char kTools[] = "Tools(&T)";
constexpr const char kHelp[] = "Help(&H)";
constexpr const char kSpeedMenu[] = "Playback Speed";
constexpr const char kSpanMenu[] = "User View Span";

// Menu items first, in menu order; then buttons, control notifications and keys of their own.
const CommandSpec kCommands[] = {
    {kIdMp3FileOpen, "file/mp3/open", kFile, 0, "MP3 Open(&O)...", "MP3 File Open", Keys(Window('O', kModCtrl)),
     nullptr, &InLyricsStep<&OnMp3FileOpen>},
    {kIdSyncMp3FileSave, "file/syncmp3/save", kFile, 0, "SyncMP3 Save(&S)", "SyncMP3 File Save",
     Keys(Window('S', kModCtrl)), nullptr, &Run<&OnSyncMp3FileSave>},
    {kIdTextOpen, "file/text/open", kFile, 1, "Text Open", "Song Text File Open", Keys(), nullptr, &InLyricsStep<&OnTextOpen>},
    {kIdTextSave, "file/text/save", kFile, 1, "Text Save", "Song Text File Save", Keys(), nullptr, &Run<&OnTextSave>},
    {kIdAppExit, "app/exit", kFile, 2, "Exit(&X)", "Vexalo Caption Editor Exit !!!", Keys(), nullptr, nullptr},

    {kIdEditUndo, "edit/undo", kEdit, 0, "Undo(&U)", "Undo the last change to the lyrics", Keys(Window('Z', kModCtrl)),
     &CanUndo, &Undo},
    {kIdEditRedo, "edit/redo", kEdit, 0, "Redo(&R)", "Redo the change to the lyrics undone last",
     Keys(Window('Y', kModCtrl), Window('Z', kModCtrl | kModShift)), &CanRedo, &Redo},

    {kIdNudgeEarlier, "timing/nudge/earlier", kTiming, 0, "Caret's group 10 ms earlier",
     "Move the time tag of the caret's group 10 ms earlier", Keys(Window(kVkUp, kModAlt)), &WithView, &Nudge<-10>},
    {kIdNudgeLater, "timing/nudge/later", kTiming, 0, "Caret's group 10 ms later",
     "Move the time tag of the caret's group 10 ms later", Keys(Window(kVkDown, kModAlt)), &WithView, &Nudge<10>},
    {kIdNudgeEarlierMore, "timing/nudge/earlier-more", kTiming, 0, "Caret's group 100 ms earlier",
     "Move the time tag of the caret's group 100 ms earlier", Keys(Window(kVkUp, kModAlt | kModShift)), &WithView,
     &Nudge<-100>},
    {kIdNudgeLaterMore, "timing/nudge/later-more", kTiming, 0, "Caret's group 100 ms later",
     "Move the time tag of the caret's group 100 ms later", Keys(Window(kVkDown, kModAlt | kModShift)), &WithView,
     &Nudge<100>},
    {kIdReplayGroup, "timing/replay", kTiming, 1, "Replay the caret's group",
     "Play from just before the time of the caret's group", Keys(Window(kVkF1 + 4)), &WhileSongShown,
     &ReplayBack<0>},
    {kIdReplayPreviousGroup, "timing/replay/previous", kTiming, 1, "Replay the group before",
     "Play from just before the time of the group before the caret's", Keys(Window(kVkF1 + 5)), &WhileSongShown,
     &ReplayBack<1>},
    {kIdAdjustFromCaret, "timing/adjust-from-caret", kTiming, 2, "Adjust from caret",
     "Adjust the caret's group and every later one", Keys(), nullptr, &InLyricsStep<&OnAdjustFromCaret>},

    {kIdWindowView, "view/window", kTools, 0, "User View", "Partial WaveForm View", Keys(), nullptr, &Run<&OnWindowView>},
    {kIdWholeView, "view/whole", kTools, 0, "1:1 View", "All WaveForm View", Keys(), nullptr, &Run<&OnWholeView>},
    {kIdMp3PlusTextFile, "file/syncmp3/save-with-text", kTools, 1, "MP3+Txt", "MP3 File + Text File", Keys(), nullptr,
     &Run<&OnMp3PlusTextFile>},
    {kIdId3TagEditor, "tags/editor", kTools, 2, "ID3 Tag Editor", "ID3 Tag Editor", Keys(), nullptr,
     &Run<&OnId3TagEditor>},
    {kIdEditorClear, "lyrics/clear", kTools, 3, "Editor Clear", "Text Editor Window Clear", Keys(), nullptr,
     &InLyricsStep<&OnEditorClear>},
    {kIdSettings, "app/settings", kTools, 4, "Settings\xA1\xA6", "Editor Settings", Keys(), nullptr, nullptr},
    {kIdSpeedHalf, "playback/speed/half", kTools, 5, "0.5x", "Play at half speed, pitch kept", Keys(), nullptr,
     &SetSpeed<50>, &SpeedIs<50>, kSpeedMenu},
    {kIdSpeedThreeQuarters, "playback/speed/three-quarters", kTools, 5, "0.75x", "Play at three-quarter speed, pitch kept",
     Keys(), nullptr, &SetSpeed<75>, &SpeedIs<75>, kSpeedMenu},
    {kIdSpeedNormal, "playback/speed/normal", kTools, 5, "1x", "Play at the song's own speed", Keys(), nullptr,
     &SetSpeed<100>, &SpeedIs<100>, kSpeedMenu},
    {kIdSpeedSlower, "playback/speed/slower", kTools, 6, "Slower", "Play slower (key [ outside the editor)",
     Keys(KeyChord{kVkOpenBracket, kModNone, KeyScope::OutsideEditor}), nullptr, &Run<&OnSpeedSlower>, nullptr,
     kSpeedMenu},
    {kIdSpeedFaster, "playback/speed/faster", kTools, 6, "Faster", "Play faster (key ] outside the editor)",
     Keys(KeyChord{kVkCloseBracket, kModNone, KeyScope::OutsideEditor}), nullptr, &Run<&OnSpeedFaster>, nullptr,
     kSpeedMenu},
    {kIdSpan50, "view/window/span-50", kTools, 5, "50 frames", "User View spans 50 frames", Keys(), nullptr, &SetSpan<50>,
     &SpanIs<50>, kSpanMenu},
    {kIdSpan100, "view/window/span-100", kTools, 5, "100 frames", "User View spans 100 frames", Keys(), nullptr,
     &SetSpan<100>, &SpanIs<100>, kSpanMenu},
    {kIdSpan200, "view/window/span-200", kTools, 5, "200 frames", "User View spans 200 frames (as at first)", Keys(),
     nullptr, &SetSpan<200>, &SpanIs<200>, kSpanMenu},
    {kIdSpan400, "view/window/span-400", kTools, 5, "400 frames", "User View spans 400 frames", Keys(), nullptr,
     &SetSpan<400>, &SpanIs<400>, kSpanMenu},
    {kIdSpan800, "view/window/span-800", kTools, 5, "800 frames", "User View spans 800 frames", Keys(), nullptr,
     &SetSpan<800>, &SpanIs<800>, kSpanMenu},
    {kIdZoomIn, "view/window/zoom-in", kTools, 6, "Zoom In", "Half the span (Ctrl + mouse wheel up over the waveform)",
     Keys(), nullptr, &Run<&OnZoomIn>, nullptr, kSpanMenu},
    {kIdZoomOut, "view/window/zoom-out", kTools, 6, "Zoom Out",
     "Twice the span (Ctrl + mouse wheel down over the waveform)", Keys(), nullptr, &Run<&OnZoomOut>, nullptr, kSpanMenu},
    {kIdCalibrateStamping, "stamp/calibrate", kTools, 7, "Calibrate stamping\xA1\xA6",
     "Measure how late you press the stamp key on what you hear", Keys(), nullptr, nullptr},

    {kIdHelpFinder, "help/contents", kHelp, 0, "Help", "Vexalo Caption Editor Help", Keys(), nullptr, nullptr},
    {kIdKeyboardShortcuts, "help/keyboard-shortcuts", kHelp, 0, "Keyboard shortcuts", "Keyboard Shortcut List", Keys(),
     nullptr, nullptr},
    {kIdAppAbout, "app/about", kHelp, 1, "Vexalo Caption Editor Information(&A)...", "Vexalo Caption Editor About",
     Keys(), nullptr, nullptr},

    {kIdcInsertTimeInfo, "lyrics/stamp", "", 0, "Insert TimeInfo: stamp the caret's line with the play time", "",
     Keys(InEditor('Q', kModCtrl)), &WhileSongShown, &InLyricsStep<&OnInsertTimeInfo>},
    {kIdcSideTimeButton, "lyrics/side-time", "", 0, "Side Time", "", Keys(), nullptr, &InLyricsStep<&OnSideTime>},
    {kIdcAdjust, "lyrics/adjust", "", 0, "Adjust", "", Keys(), nullptr, &InLyricsStep<&OnAdjust>},
    {kIdcAutoAdvance, "lyrics/auto-advance", "", 0, "Auto Advance", "", Keys(), nullptr, &Run<&OnAutoAdvanceClicked>},
    {kIdcAdjustPlus, "lyrics/adjust/later", "", 0, "Adjust +", "", Keys(), nullptr, &Run<&OnAdjustPlus>},
    {kIdcAdjustMinus, "lyrics/adjust/earlier", "", 0, "Adjust -", "", Keys(), nullptr, &Run<&OnAdjustMinus>},
    {kIdcPlay, "transport/play", "", 0, "Play", "", Keys(), nullptr, &Run<&OnPlay>},
    {kIdcRewind, "transport/rewind", "", 0, "<<", "", Keys(), nullptr, &Run<&OnRewind>},
    {kIdcForward, "transport/forward", "", 0, ">>", "", Keys(), nullptr, &Run<&OnForward>},
    {kIdcStop, "transport/stop", "", 0, "Stop", "", Keys(), nullptr, &Run<&OnStop>},
    {kIdcPause, "transport/pause", "", 0, "Pause", "", Keys(), nullptr, &Run<&OnPause>},

    {kIdKeyPlay, "transport/key/play", "", 0, "Play; during a playback, stop it", "", Keys(Outside(kVkSpace)), nullptr,
     &TransportKey<kCmdPlay>},
    {kIdKeyRewind, "transport/key/rewind", "", 0, "<< (window view: the previous window)", "", Keys(Outside(kVkLeft)),
     nullptr, &TransportKey<kCmdRewind>},
    {kIdKeyForward, "transport/key/forward", "", 0, ">> (window view: the next window)", "", Keys(Outside(kVkRight)),
     nullptr, &TransportKey<kCmdForward>},
    {kIdKeyStop, "transport/key/stop", "", 0, "Stop", "", Keys(Outside('Q')), nullptr, &TransportKey<kCmdStop>},
    {kIdKeyEscape, "transport/key/start", "", 0, "Back to the whole view, from the song's start", "",
     Keys(Outside(kVkEscape)), nullptr, &TransportKey<kCmdEscape>},
};

// "MP3 Open(&O)..." -> "MP3 Open...": the shortcut list shows no mnemonics.
std::string WithoutMnemonic(std::string_view label) {
  std::string out;
  for (std::size_t i = 0; i < label.size(); ++i) {
    if (label.compare(i, 2, "(&") == 0 && i + 3 < label.size() && label[i + 3] == ')') {
      i += 3;
      continue;
    }
    if (label[i] == '&') continue;
    out.push_back(label[i]);
  }
  return out;
}

bool ModifiersMatch(int wanted, int held) { return wanted == kModAny || wanted == held; }

}  // namespace

CommandContext CurrentCommandContext() {
  CommandContext context;
  context.view = ActiveView.load();
  context.history = &TheLyricsHistory();
  return context;
}

std::span<const CommandSpec> CommandTable() { return kCommands; }

const CommandSpec* FindCommand(int id) {
  for (const CommandSpec& item : kCommands) {
    if (item.id == id) return &item;
  }
  return nullptr;
}

const CommandSpec* FindCommand(std::string_view name) {
  for (const CommandSpec& item : kCommands) {
    if (item.name == name) return &item;
  }
  return nullptr;
}

bool CommandEnabled(const CommandSpec& item, const CommandContext& context) {
  return item.enabled == nullptr || item.enabled(context);
}

bool CommandCheckedNow(int id) {
  const CommandSpec* item = FindCommand(id);
  return item != nullptr && item->checked != nullptr && item->checked(CurrentCommandContext());
}

bool CommandEnabledNow(int id) {
  const CommandSpec* item = FindCommand(id);
  return item == nullptr || CommandEnabled(*item, CurrentCommandContext());
}

std::string KeyText(const KeyChord& chord) {
  std::string text;
  if (chord.modifiers != kModAny) {
    if (chord.modifiers & kModCtrl) text += "Ctrl+";
    if (chord.modifiers & kModAlt) text += "Alt+";
    if (chord.modifiers & kModShift) text += "Shift+";
  }
  const int k = chord.key;
  switch (k) {
    case kVkBack: return text + "Backspace";
    case kVkTab: return text + "Tab";
    case kVkReturn: return text + "Enter";
    case kVkEscape: return text + "Esc";
    case kVkSpace: return text + "Space";
    case kVkLeft: return text + "Left";
    case kVkUp: return text + "Up";
    case kVkRight: return text + "Right";
    case kVkDown: return text + "Down";
    case kVkOpenBracket: return text + "[";
    case kVkCloseBracket: return text + "]";
    default: break;
  }
  if (k >= kVkF1 && k < kVkF1 + 12) return text + "F" + std::to_string(k - kVkF1 + 1);
  if ((k >= 'A' && k <= 'Z') || (k >= '0' && k <= '9')) return text + static_cast<char>(k);
  char code[16];
  std::snprintf(code, sizeof code, "Key %d", k);
  return text + code;
}

const std::vector<MenuEntry>& MenuTable() {
  static const std::vector<MenuEntry> menu = [] {
    std::vector<MenuEntry> entries;
    std::vector<std::string_view> menus;
    for (const CommandSpec& item : kCommands) {
      if (!item.menu.empty() && std::find(menus.begin(), menus.end(), item.menu) == menus.end()) menus.push_back(item.menu);
    }
    for (std::string_view name : menus) {
      int group = -1;
      std::vector<std::pair<std::string_view, int>> submenuGroups;  // each submenu's last group
      for (const CommandSpec& item : kCommands) {
        if (item.menu != name) continue;
        auto known = std::find_if(submenuGroups.begin(), submenuGroups.end(),
                                  [&](const auto& s) { return s.first == item.submenu; });
        if (item.submenu.empty() || known == submenuGroups.end()) {
          if (group != -1 && item.menuGroup != group) entries.push_back(MenuEntry{std::string(name), std::string(), 0, {}, false});
          group = item.menuGroup;
          if (!item.submenu.empty()) known = submenuGroups.insert(submenuGroups.end(), {item.submenu, item.menuGroup});
        } else if (known->second != item.menuGroup) {
          entries.push_back(MenuEntry{std::string(name), std::string(), 0, std::string(item.submenu), false});
        }
        if (known != submenuGroups.end()) known->second = item.menuGroup;
        std::string label(item.label);
        for (const KeyChord& k : item.keys) {
          if (!k.Empty() && k.scope == KeyScope::Window) {
            label += "\t" + KeyText(k);
            break;
          }
        }
        entries.push_back(
            MenuEntry{std::string(name), std::move(label), item.id, std::string(item.submenu), item.checked != nullptr});
      }
    }
    return entries;
  }();
  return menu;
}

const std::vector<Accelerator>& AcceleratorTable() {
  static const std::vector<Accelerator> keys = [] {
    std::vector<Accelerator> out;
    for (const CommandSpec& item : kCommands) {
      for (const KeyChord& k : item.keys) {
        if (!k.Empty() && k.scope == KeyScope::Window) out.push_back(Accelerator{k, item.id});
      }
    }
    return out;
  }();
  return keys;
}

const CommandSpec* FindKeyCommand(int key, int modifiers, KeyScope scope) {
  for (const CommandSpec& item : kCommands) {
    for (const KeyChord& k : item.keys) {
      if (!k.Empty() && k.scope == scope && k.key == key && ModifiersMatch(k.modifiers, modifiers)) return &item;
    }
  }
  return nullptr;
}

std::string ShortcutListText() {
  const struct {
    KeyScope scope;
    const char* heading;
  } sections[] = {
      {KeyScope::Window, "Anywhere in the window"},
      {KeyScope::Editor, "In the lyrics editor, with a song open"},
      {KeyScope::OutsideEditor, "Outside the lyrics editor (the key also reaches the control it is typed into)"},
  };
  std::size_t width = 0;
  for (const CommandSpec& item : kCommands) {
    for (const KeyChord& k : item.keys) {
      if (!k.Empty()) width = std::max(width, KeyText(k).size());
    }
  }
  std::string text;
  for (const auto& section : sections) {
    std::string lines;
    for (const CommandSpec& item : kCommands) {
      for (const KeyChord& k : item.keys) {
        if (k.Empty() || k.scope != section.scope) continue;
        std::string key = KeyText(k);
        key.resize(width, ' ');
        lines += "  " + key + "  " + WithoutMnemonic(item.label) + "\n";
      }
    }
    if (lines.empty()) continue;
    if (!text.empty()) text += "\n";
    text += std::string(section.heading) + "\n" + lines;
  }
  return text;
}

}  // namespace vexalo
