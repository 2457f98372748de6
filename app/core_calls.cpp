#include "app/core_calls.h"

#include <wx/app.h>
#include <wx/window.h>

#include "app/calibration_window.h"
#include "app/dialogs.h"
#include "app/main_frame.h"
#include "app/settings_window.h"
#include "app/shortcuts_window.h"
#include "app/vexalo_caption_app.h"
#include "app/vexalo_caption_view.h"
#include "commands/editor_commands.h"
#include "commands/listening_commands.h"
#include "commands/live_lyric_panel.h"
#include "commands/lyrics_undo.h"
#include "commands/mp3_open_command.h"
#include "commands/save_commands.h"
#include "commands/tag_editor_dialog.h"
#include "commands/text_commands.h"
#include "commands/timing_commands.h"
#include "commands/time_adjust.h"
#include "common/control_ids.h"
#include "common/shared_state.h"
#include "form/command_bindings.h"
#include "form/command_registry.h"
#include "form/form_view.h"
#include "form/key_routing.h"
#include "lyrics/lyrics_editor.h"
#include "playback/pointing.h"
#include "playback/sdl_audio_backend.h"
#include "playback/transport.h"
#include "playback/waveform.h"

#include <filesystem>

namespace vexalo::app::core {

namespace {

CVexaloCaptionView* View() {
  CMainFrame* frame = TheApp().Frame();
  return frame ? frame->View() : nullptr;
}

bool EditorFocused() {
  CVexaloCaptionView* view = View();
  return view && wxWindow::FindFocus() == view->Editor();
}

}  // namespace

void EditorChanged() {
  OnEditorChange();
  if (ViewPort* view = ActiveView.load()) OnLyricsTyped(*view, TheLyricsHistory());
}
void EditorFocusChanged(bool gained) { OnEditorFocus(gained); }
void AutoAdvanceClicked() { OnAutoAdvanceClicked(); }
void AdjustPlusClicked() { OnAdjustPlus(); }
void AdjustMinusClicked() { OnAdjustMinus(); }
void AdjustSecondsChanged() { OnChangeAdjustSeconds(); }
void AdjustTenthsChanged() { OnChangeAdjustTenths(); }

bool KeyDown(int virtualKey, int modifiers) { return RouteKeyDown(virtualKey, modifiers, EditorFocused()); }
void KeyUp(int virtualKey) { RouteKeyUp(virtualKey, EditorFocused()); }
bool WaveformWheel(int x, int y, int steps, bool ctrl) { return OnWaveformWheel(x, y, steps, ctrl); }
void LeftButtonDown() { OnPreLeftButtonDown(EditorFocused()); }
void PromptSaveOnExit() { PromptSaveText(); }

void OpenMp3AtStart(const std::string& path) {
  CVexaloCaptionView* view = View();
  if (!view) return;
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  const std::string full = ec ? path : absolute.string();
  view->PresetFileChoice(FileChoice{full, std::filesystem::path(full).filename().string()});
  Commands().Run(kIdMp3FileOpen);
}

void TimingTick() {
  if (ViewPort* view = ActiveView.load()) TheLivePanel().Tick(*view);
  ReplayTick();
}

void EditorDoubleClicked() {
  ViewPort* view = ActiveView.load();
  if (view == nullptr) return;
  const int line = view->EditorLineIndex(view->EditorCaretLine());
  if (line >= 0) ReplayGroupAtLine(*view, static_cast<std::size_t>(line));
}

void ShowAudioNotice() {
  if (!TakeNoAudioDeviceNotice()) return;
  if (ViewPort* view = ActiveView.load()) view->SetStatusText(kPanePrompt, kNoAudioDeviceText);
}

void BindCommands() {
  CommandRegistry& c = Commands();
  BindCoreCommands(c);
  SetOpenWaitPump([] {
    if (wxTheApp) wxTheApp->ProcessPendingEvents();
  });
  c.Bind(kIdAppAbout, [] { ShowAboutDialog(TheApp().Frame()); });
  c.Bind(kIdAppExit, [] {
    if (CMainFrame* frame = TheApp().Frame()) frame->Close();
  });
  c.Bind(kIdSettings, [] { ShowSettingsDialog(TheApp().Frame()); });
  c.Bind(kIdCalibrateStamping, [] { ShowCalibrateDialog(TheApp().Frame()); });
  c.Bind(kIdHelpFinder, [] { ShowHelpWindow(TheApp().Frame()); });
  c.Bind(kIdDefaultHelp, [] { ShowHelpWindow(TheApp().Frame()); });
  c.Bind(kIdKeyboardShortcuts, [] { ShowShortcutsWindow(TheApp().Frame()); });
}

}  // namespace vexalo::app::core
