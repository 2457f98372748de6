// The one table of user commands: each command's id, name, menu place and text, status-bar
// prompt, keys, enabling predicate and action. The menus, the accelerators, the editor's and the
// transport's keys, the registry's bindings and the keyboard shortcut list are all made from it;
// the painted buttons reach the same commands by id. UI thread only.
//
// Adding a command takes one row in kCommands (command_table.cpp), placed in the menu order when
// it has a menu item, and, for a new id, an entry in the CommandId enum of command_registry.h.
// A row whose action is null is bound by the window (About, Exit, Settings, help windows).
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "form/command_registry.h"

namespace vexalo {

class ViewPort;
class LyricsHistory;

// What a command works on, handed to its predicate and action. Built afresh for every run.
struct CommandContext {
  ViewPort* view = nullptr;        // the active view; null before set-up and after shutdown
  LyricsHistory* history = nullptr;  // the lyrics' undo history
};
CommandContext CurrentCommandContext();

// Virtual-key codes of the keys the table binds: letters and digits are their upper-case ASCII
// codes; these are the rest.
enum VirtualKey : int {
  kVkBack = 8,
  kVkTab = 9,
  kVkReturn = 13,
  kVkShiftKey = 16,
  kVkControlKey = 17,
  kVkEscape = 27,
  kVkSpace = 32,
  kVkLeft = 37,
  kVkUp = 38,
  kVkRight = 39,
  kVkDown = 40,
  kVkF1 = 112,  // F2 .. F12 follow
  kVkOpenBracket = 0xDB,
  kVkCloseBracket = 0xDD,
};

enum KeyModifier : int { kModNone = 0, kModShift = 1, kModCtrl = 2, kModAlt = 4 };
// A key that acts whatever modifiers are held (the transport keys).
constexpr int kModAny = -1;

// Where a key acts. Window keys are accelerators of the main window, wherever its focus is; editor
// keys act only while the lyrics editor has the focus and are then used up; outside-editor keys
// act only while it has not, and the key then still reaches the control that has the focus.
enum class KeyScope { Window, Editor, OutsideEditor };

struct KeyChord {
  int key = 0;  // 0: no key
  int modifiers = kModNone;
  KeyScope scope = KeyScope::Window;
  constexpr bool Empty() const { return key == 0; }
};

using CommandPredicate = bool (*)(const CommandContext&);
using CommandAction = void (*)(const CommandContext&);

struct CommandSpec {
  int id;                  // CommandId or control id; what buttons and the registry use
  std::string_view name;   // "file/mp3/open": stable, lower case, words joined by '/' and '-'
  std::string_view menu;   // the menu holding the item ("File(&F)"), empty for none
  int menuGroup;           // items of one menu follow table order; a separator between groups
  std::string_view label;  // menu text, or what the shortcut list calls it (CP949)
  std::string_view prompt; // status-bar prompt (CP949); every menu item has one
  std::array<KeyChord, 2> keys;
  CommandPredicate enabled;  // null: always enabled
  CommandAction action;      // null: bound by the window
  CommandPredicate checked = nullptr;  // a check item, ticked while this holds; null: a plain item
  // The submenu of `menu` that holds the item ("Playback speed"); empty: `menu` itself. A
  // submenu stands where its first item's row does and counts in that row's group; inside it, a
  // separator comes between items of different groups.
  std::string_view submenu = {};
};

std::span<const CommandSpec> CommandTable();
const CommandSpec* FindCommand(int id);
const CommandSpec* FindCommand(std::string_view name);
bool CommandEnabled(const CommandSpec& item, const CommandContext& context);
// Whether the command with this id is enabled now (true for ids the table does not know, whose
// handlers decide for themselves).
bool CommandEnabledNow(int id);
// Whether the check item with this id is ticked now (false for plain items and unknown ids).
bool CommandCheckedNow(int id);

// "Ctrl+Shift+Z", "Alt+Up", "F5", "Space".
std::string KeyText(const KeyChord& chord);

// Menu 128 in order, generated from the table: an entry with command 0 is a separator. A label's
// "\t" part is the text of the command's first window key; "(&X)" marks the mnemonic. Entries
// with a submenu go into that submenu of `menu`, which is put where its first entry comes.
struct MenuEntry {
  std::string menu;
  std::string label;
  int command = 0;
  std::string submenu;
  bool checkable = false;
};
const std::vector<MenuEntry>& MenuTable();

// Every window key of the table: the main window's accelerators.
struct Accelerator {
  KeyChord chord;
  int command;
};
const std::vector<Accelerator>& AcceleratorTable();

// The command an editor or outside-editor key runs; null for none. Modifiers must match exactly
// unless the row takes any (kModAny).
const CommandSpec* FindKeyCommand(int key, int modifiers, KeyScope scope);

// The text of Help > Keyboard shortcuts: every key of the table, grouped by where it acts under
// a heading line; one line per key: two blanks, the key text padded to the longest key's, two
// blanks, the command's label without mnemonics (CP949, for a fixed-width font).
std::string ShortcutListText();

}  // namespace vexalo
