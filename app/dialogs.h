// The small windows around the form: the start-up splash picture, the About dialog and the help
// window that shows the HTML user guide.
#pragma once

#include <functional>

#include <wx/frame.h>
#include <wx/timer.h>

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

// Shows the user guide (res/help/index.html) in its own window, raising it if already open.
void ShowHelpWindow(wxWindow* parent);

}  // namespace vexalo::app
