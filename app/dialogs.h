// The small windows around the form: the start-up splash picture, the About dialog and the help
// window that shows the HTML user guide; the help windows close with a button, Esc or Ctrl+W.
#pragma once

#include <functional>

#include <wx/frame.h>
#include <wx/timer.h>

class wxPanel;

namespace vexalo::app {

// A borderless picture (skin bitmap 262) in the screen's centre that closes itself after
// `millis` and then calls `done`.
class CSplashDlg : public wxFrame {
 public:
  CSplashDlg(int millis, std::function<void()> done);

 private:
  wxTimer m_timer;
  std::function<void()> m_done;
};

// The About dialog: bitmap 141, the version line and OK.
void ShowAboutDialog(wxWindow* parent);

// Puts `content` (a child of `panel`, the frame's only child) above a Close button; the button,
// Esc and Ctrl+W close the frame, so it closes also where no window manager gives it a title bar.
void LayOutClosable(wxFrame* frame, wxPanel* panel, wxWindow* content);

// Shows the user guide (res/help/index.html) in its own window, raising it if already open.
void ShowHelpWindow(wxWindow* parent);
// The help window while it is open, else null (for the self-tests).
wxFrame* HelpWindow();

}  // namespace vexalo::app
