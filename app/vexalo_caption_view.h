// CVexaloCaptionView: the form window. It shows the back buffer that the skin, the waveform and
// the read-outs are drawn into, holds the native controls in their skin frames, turns window
// events into calls of the core, and implements the ViewPort the core talks to; its canvas is
// the view surface, and calls from workers reach the window through one ordered queue.
#pragma once

#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <wx/bitmap.h>
#include <wx/checkbox.h>
#include <wx/filedlgcustomize.h>
#include <wx/font.h>
#include <wx/radiobut.h>
#include <wx/slider.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/window.h>

#include "app/back_buffer.h"
#include "app/editor_text.h"
#include "app/ui_queue.h"
#include "app/view_surface.h"
#include "common/canvas.h"
#include "common/view_port.h"
#include "form/form_view.h"

class wxDialog;
class wxStaticText;
class wxFrame;

namespace vexalo::app {

class CVexaloCaptionView : public wxWindow, public ViewPort {
 public:
  CVexaloCaptionView(wxFrame* frame, wxSize clientSize);
  ~CVexaloCaptionView() override;

  // Loads the skin, runs the form's set-up, makes this the active view and paints the skin.
  void OnInitialUpdate();
  // Stop request, wait for the worker while dispatching, the lyrics save prompt, then the skin
  // bitmaps go and the active view is cleared. Safe to call twice.
  void Shutdown();
  bool IsShutDown() const { return m_shutDown; }

  // Key routing before the focused control sees the key (called for every key of the frame).
  // True when the key was used up (an editor key of the command table, Ctrl+Q stamping a line).
  bool PreTranslateKey(const wxKeyEvent& event, bool down);
  // A left button press anywhere in the frame, before it is processed.
  void PreTranslateLeftDown();

  // The next file dialog answers with `choice` without being shown (a file named on the command
  // line goes through MP3 File Open this way).
  void PresetFileChoice(const FileChoice& choice) { m_presetChoices.push_back(choice); }

  // The file dialog on screen, if any (the native dialog is not among the toolkit's windows).
  wxDialog* OpenFileDialog() const { return m_fileDialog; }
  // The drop-down list of the open file dialog, when its request has one (self-tests choose in it).
  wxFileDialogChoice* OpenFileDialogChoice() const { return m_fileDialogChoice; }

  wxTextCtrl* Editor() const { return m_editor; }
  wxSlider* Slider() const { return m_slider; }
  // Client rectangle of a control (native or hidden), as ControlRect gives it.
  wxRect ControlWxRect(int id);

  // ViewPort.
  Answer MessageBox(const std::string& text, const std::string& title, MessageStyle style) override;
  std::optional<FileChoice> FileDialog(const FileDialogRequest& request) override;
  std::string GetEditorText() override;
  void SetEditorText(const std::string& cp949) override;
  int EditorCaretLine() override;
  int EditorLineIndex(int line) override;
  void EditorSelect(int from, int to) override;
  void EditorScroll(int lines) override;
  int EditorFirstVisibleLine() override;
  void EditorPaste() override;
  void EditorGetSelection(int& from, int& to) override;
  void EditorSetLimit(int bytes) override;
  void SetControlText(int id, const std::string& cp949) override;
  void SetControlNameText(int id, const std::string& utf8) override;
  std::string GetControlText(int id) override;
  bool IsChecked(int id) override;
  void SetChecked(int id, bool checked) override;
  Rect ControlRect(int id) override;
  void SetFocus(int id) override;
  void SetSliderRange(int min, int max) override;
  void SetSliderPos(int pos) override;
  int GetSliderPos() override;
  void EnableSlider(bool enabled) override;
  void SetStatusText(int pane, const std::string& cp949) override;
  void SetStatusNameText(int pane, const std::string& utf8) override;
  void SetTitle(const std::string& utf8) override;
  void SetClipboardText(const std::string& cp949) override;
  void SetMouseCursor(int cursorId) override;
  Canvas& AcquireCanvas() override;
  void ReleaseCanvas(Canvas& canvas) override;

  // For tests and screenshots: a copy of the back buffer.
  BackBuffer& Buffer() { return m_buffer; }
  // A text as the view draws it (UI thread only).
  Picture RenderText(const std::string& cp949, Colour background);

 private:
  void CreateControls();
  // Widens the Adjust fields to what the theme needs for their digits, once they are shown.
  void FitAdjustFields();
  // Shows what was drawn since the last time: copies it to the screen picture and has exactly
  // that part painted. Coalesced: many drawings of one handler make one present.
  void SchedulePresent();
  void Present();
  wxWindow* ControlWindow(int id);
  std::u32string EditorChars();
  struct EditorSnapshot {
    wxString value;
    EditorOffsets offsets;
    std::string cp949;
  };
  const EditorSnapshot& Snapshot();
  bool EditorTextFits(const std::u32string& text, wxString* why);

  void OnPaint(wxPaintEvent& event);
  void OnEraseBackground(wxEraseEvent&) {}
  void OnMouse(wxMouseEvent& event);
  void OnViewTimer(wxTimerEvent& event);
  void OnEditorText(wxCommandEvent& event);

  wxFrame* m_frame;
  BackBuffer m_buffer;
  UiQueue m_queue;
  ViewSurface m_surface;
  wxBitmap m_screen;
  std::vector<Colour> m_scratch;
  bool m_presentPosted = false;
  wxFont m_textFont;

  std::unique_ptr<FormView> m_form;
  class CTagEditorDlg* m_tagEditor = nullptr;
  wxTimer m_timer;
  bool m_shutDown = false;

  wxTextCtrl* m_editor = nullptr;
  wxSlider* m_slider = nullptr;
  wxCheckBox* m_autoAdvance = nullptr;
  wxTextCtrl* m_adjustSeconds = nullptr;
  wxTextCtrl* m_adjustTenths = nullptr;
  wxRadioButton* m_adjustPlus = nullptr;
  wxRadioButton* m_adjustMinus = nullptr;
  wxStaticText* m_adjustPoint = nullptr;
  int m_adjustLeftEnd = 0;  // right end of the labels beside the Adjust radios
  std::vector<wxStaticText*> m_adjustSideLabels;  // the "+" and "-" labels right of the radios
  std::map<int, std::string> m_hiddenTexts;  // hidden controls' texts, CP949
  std::map<int, std::string> m_hiddenNames;  // hidden controls' file name texts, UTF-8

  std::optional<EditorSnapshot> m_snapshot;
  int m_editorLimit = 0;  // CP949 bytes, 0 for none
  wxString m_acceptedText;
  bool m_settingEditor = false;
  std::string m_clipboardText;  // CP949, what the program last put on the clipboard

  std::deque<FileChoice> m_presetChoices;
  wxDialog* m_fileDialog = nullptr;
  wxFileDialogChoice* m_fileDialogChoice = nullptr;
  std::map<int, wxCursor> m_cursors;
  int m_wantedCursor = 0;
  int m_shownCursor = 0;
  bool m_inMouseMove = false;
};

}  // namespace vexalo::app
