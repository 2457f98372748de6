// Every user action as a numbered command: menus, accelerators, keys and painted buttons all run
// commands through one registry, so each action has one entry point. The core's handlers are
// bound from the command table (command_table.h), the window's own by the window; the registry
// itself knows none of them. UI thread only.
#pragma once

#include <functional>
#include <map>

namespace vexalo {

// Menu and accelerator command ids (the painted transport and editing buttons use the control
// ids of common/control_ids.h: 1010 Play, 1011 <<, 1012 >>, 1013 Insert TimeInfo, 1015 Stop,
// 1016 Adjust, 1019 Side Time, 1024 Pause).
enum CommandId : int {
  kIdTextOpen = 32771,
  kIdTextSave = 32772,
  kIdWholeView = 32774,
  kIdWindowView = 32776,
  kIdMp3PlusTextFile = 32777,
  kIdEditorClear = 32779,
  kIdId3TagEditor = 32781,
  kIdSettings = 32800,
  kIdMp3FileOpen = 57601,
  kIdSyncMp3FileSave = 57603,
  kIdAppAbout = 57664,
  kIdAppExit = 57665,
  kIdHelpFinder = 57667,
  kIdContextHelp = 57669,
  kIdHelp = 57670,
  kIdDefaultHelp = 57671,
  kIdEditUndo = 33001,
  kIdEditRedo = 33002,
  kIdKeyboardShortcuts = 33010,
  kIdNudgeEarlier = 33020,
  kIdNudgeLater = 33021,
  kIdNudgeEarlierMore = 33022,
  kIdNudgeLaterMore = 33023,
  kIdReplayGroup = 33024,
  kIdReplayPreviousGroup = 33025,
  kIdAdjustFromCaret = 33026,
  // Keys without a menu item or button: the transport keys outside the editor.
  kIdKeyPlay = 33101,
  kIdKeyRewind = 33102,
  kIdKeyForward = 33103,
  kIdKeyStop = 33104,
  kIdKeyEscape = 33105,
  // Playback speed, the window view's span and stamp calibration (Tools menu).
  kIdSpeedHalf = 33201,
  kIdSpeedThreeQuarters = 33202,
  kIdSpeedNormal = 33203,
  kIdSpeedSlower = 33204,
  kIdSpeedFaster = 33205,
  kIdSpan50 = 33211,
  kIdSpan100 = 33212,
  kIdSpan200 = 33213,
  kIdSpan400 = 33214,
  kIdSpan800 = 33215,
  kIdZoomIn = 33216,
  kIdZoomOut = 33217,
  kIdCalibrateStamping = 33220,
};

class CommandRegistry {
 public:
  using Handler = std::function<void()>;

  // Binds (or rebinds) a command; an empty handler unbinds it.
  void Bind(int id, Handler handler);
  void Unbind(int id);
  bool IsBound(int id) const;
  // Runs the command's handler; false when nothing is bound to it. A handler may rebind or
  // unbind commands, its own included, while it runs.
  bool Run(int id) const;
  void Clear();

 private:
  std::map<int, Handler> m_handlers;
};

// The program's one registry.
CommandRegistry& Commands();

}  // namespace vexalo
