// CSettingsDlg: the Tools > Settings dialog, built from the settings table (a check box per
// bool, a number field per int, a text field per string, under their group headings). OK
// keeps the values and saves the settings file.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include <wx/dialog.h>

#include "common/settings.h"

namespace vexalo::app {

class CSettingsDlg : public wxDialog {
 public:
  CSettingsDlg(wxWindow* parent, Settings& settings, std::string path);

  // The control that shows `key` (a wxCheckBox, wxSpinCtrl or wxTextCtrl).
  wxWindow* ControlOf(std::string_view key) const;
  // Copies the controls into the settings and saves the file; on failure says why in a message.
  bool Apply();

 private:
  Settings& m_settings;
  std::string m_path;
  std::map<std::string, wxWindow*, std::less<>> m_controls;
};

// Shows the dialog for the program's settings, modal.
void ShowSettingsDialog(wxWindow* parent);

}  // namespace vexalo::app
