// app/: the wxWidgets program vexalo-caption: the application, main frame, form window and back
// buffer, the dialogs and message boxes, and the --self-test entry. It turns window events into
// calls of form/ and commands/ and implements the ports; no logic that could be tested without a
// window.
//
// CVexaloCaptionApp: settings, the splash, the main frame, the command line (a file to open,
// or a self-test to run) and the key pre-translation for the frame's windows.
#pragma once

#include <string>

#include <wx/app.h>

namespace vexalo::app {

class CMainFrame;

class CVexaloCaptionApp : public wxApp {
 public:
  bool OnInit() override;
  int OnRun() override;
  int OnExit() override;
  int FilterEvent(wxEvent& event) override;
  // Toolkit assertions go to stderr instead of a dialog that would stop the program.
  void OnAssertFailure(const wxChar* file, int line, const wxChar* func, const wxChar* cond, const wxChar* msg) override;

  CMainFrame* Frame() const { return m_frame; }
  // Called when the frame is on screen (after the splash).
  void OnFrameShown();
  // A self-test sets the code OnRun returns.
  void SetExitCode(int code) { m_exitCode = code; }

 private:
  void CreateFrame();

  CMainFrame* m_frame = nullptr;
  std::string m_openAtStart;  // file named on the command line, as given
  std::string m_selfTest;     // name of the self-test to run, empty for none
  std::string m_settingsNotice;  // the first problem met in the settings file
  int m_exitCode = 0;
};

// Arguments as the process got them (bytes, not converted through the locale).
void SetRawArguments(int argc, char** argv);

CVexaloCaptionApp& TheApp();

}  // namespace vexalo::app
