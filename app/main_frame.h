// CMainFrame: the fixed-size main window with its menus and accelerators (made from the command
// table) and six-pane status bar, holding the one form view. Closing it runs the view's shutdown
// first.
#pragma once

#include <vector>

#include <wx/frame.h>
#include <wx/timer.h>

namespace vexalo::app {

class CVexaloCaptionView;

class CMainFrame : public wxFrame {
 public:
  CMainFrame();

  CVexaloCaptionView* View() const { return m_view; }
  // Status pane 0 back to the idle prompt.
  void ShowIdlePrompt();
  // The menu item id of a command, and back (0 for none).
  int MenuIdOf(int command);
  int CommandOfMenuId(int menuId) const;

 private:
  void CreateMenus();
  void CreateStatusPanes();
  void FitToSkin();
  void OnCommand(wxCommandEvent& event);
  void OnUpdateCommand(wxUpdateUIEvent& event);
  void OnClose(wxCloseEvent& event);
  void OnMove(wxMoveEvent& event);
  void OnKeyStateTimer(wxTimerEvent& event);

  CVexaloCaptionView* m_view = nullptr;
  wxTimer m_keyStates;
  std::vector<int> m_commandOfMenuId;
};

}  // namespace vexalo::app
