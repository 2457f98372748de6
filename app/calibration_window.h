// CCalibrateDlg: Tools > Calibrate stamping. Plays the click track, counts the presses of the
// stamp key (Space or Ctrl+Q) on the clicks, shows the reaction offset and its spread, and
// stores the offset (with whether stamps take the heard position) when the spread allows it.
#pragma once

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/dialog.h>
#include <wx/stattext.h>
#include <wx/timer.h>

#include "commands/stamp_calibration.h"

namespace vexalo::app {

class CCalibrateDlg : public wxDialog {
 public:
  explicit CCalibrateDlg(wxWindow* parent);
  ~CCalibrateDlg() override;

  const StampCalibration& Calibration() const { return m_calibration; }
  wxButton* StartButton() const { return m_start; }
  wxButton* StoreButton() const { return m_store; }
  wxCheckBox* HeardBox() const { return m_heard; }
  wxString ResultText() const { return m_result->GetLabel(); }

 private:
  void OnStart();
  void OnStore();
  void OnKey(wxKeyEvent& event);
  void OnTick(wxTimerEvent& event);
  void ShowResult(const std::string& text);

  StampCalibration m_calibration;
  wxTimer m_timer;
  wxStaticText* m_result = nullptr;
  wxStaticText* m_current = nullptr;
  wxCheckBox* m_heard = nullptr;
  wxButton* m_start = nullptr;
  wxButton* m_store = nullptr;
  wxButton* m_close = nullptr;
  bool m_listening = false;
};

// Shows the dialog, modal.
void ShowCalibrateDialog(wxWindow* parent);
// The dialog while it is shown, else null (for the self-tests).
CCalibrateDlg* ShownCalibrateDialog();

}  // namespace vexalo::app
