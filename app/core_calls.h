// The window's notifications as calls of the core's handlers: editor changes and focus, the
// checkbox, radios and adjust fields, and the key and mouse pre-translation.
#pragma once

#include <string>

namespace vexalo::app::core {

void EditorChanged();
void EditorFocusChanged(bool gained);
void AutoAdvanceClicked();
void AdjustPlusClicked();
void AdjustMinusClicked();
void AdjustSecondsChanged();
void AdjustTenthsChanged();
// Virtual-key codes and KeyModifier bits of form/command_table.h. KeyDown is true when the key
// ran an editor command (Ctrl+Q in the editor) and is used up.
bool KeyDown(int virtualKey, int modifiers);
void KeyUp(int virtualKey);
// The mouse wheel turned `steps` notches (up positive) at view point (x, y); true when it zoomed
// the window view's span (Ctrl held over the waveform).
bool WaveformWheel(int x, int y, int steps, bool ctrl);
// A left button press in the frame, before it is processed.
void LeftButtonDown();
// The lyrics save question of the shutdown (" Text File Save ? ").
void PromptSaveOnExit();
// MP3 File Open of a file named on the command line, as after its dialog.
void OpenMp3AtStart(const std::string& path);
// The view's timer: the lyric panel's table follows typing that has paused, and a replay that
// waited for a playback to end starts.
void TimingTick();
// A double click in the lyrics editor, once the editor has placed the caret: on a tag line it
// replays that group.
void EditorDoubleClicked();
// Tells the user once, in the status bar, that no audio device could be opened.
void ShowAudioNotice();
// Binds every menu, accelerator and button command to its handler.
void BindCommands();

}  // namespace vexalo::app::core
