// The key routing of the main window, ahead of the focused control: keys of the command table
// that act in the lyrics editor or outside it. Window keys are the window's accelerators
// (AcceleratorTable) and are not routed here. UI thread only.
#pragma once

namespace vexalo {

// A key went down. `key` is a virtual-key code (command_table.h), `modifiers` the KeyModifier
// bits held, `editorHasFocus` whether the lyrics editor has the keyboard focus (EditorHasFocus
// follows it). In the editor, with a song shown, Ctrl arms CtrlKeyDown, which counts as Ctrl
// held until it goes up. True when an editor key ran its command and is used up; outside the
// editor a key runs its transport command and still reaches the focused control (false).
bool RouteKeyDown(int key, int modifiers, bool editorHasFocus);
void RouteKeyUp(int key, bool editorHasFocus);

}  // namespace vexalo
