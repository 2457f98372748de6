#include "app/settings_window.h"

#include <algorithm>
#include <vector>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/message_dialog.h"
#include "common/view_port.h"

namespace vexalo::app {

namespace {

wxString Utf8Text(std::string_view utf8) { return wxString::FromUTF8(utf8.data(), utf8.size()); }

}  // namespace

CSettingsDlg::CSettingsDlg(wxWindow* parent, Settings& settings, std::string path)
    : wxDialog(parent, wxID_ANY, wxString::FromUTF8("Settings"), wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX),
      m_settings(settings),
      m_path(std::move(path)) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  std::vector<std::string_view> groups;
  for (const SettingSpec& s : settings.Table())
    if (std::find(groups.begin(), groups.end(), s.group) == groups.end()) groups.push_back(s.group);
  for (std::string_view group : groups) {
    auto* box = new wxStaticBoxSizer(wxVERTICAL, this, Utf8Text(group));
    wxWindow* parentOfRows = box->GetStaticBox();
    auto* grid = new wxFlexGridSizer(2, 6, 10);
    grid->AddGrowableCol(1, 1);
    for (const SettingSpec& s : settings.Table()) {
      if (s.group != group) continue;
      wxWindow* control = nullptr;
      switch (s.type) {
        case SettingType::Bool: {
          auto* check = new wxCheckBox(parentOfRows, wxID_ANY, Utf8Text(s.label));
          check->SetValue(settings.Bool(s.key));
          grid->Add(check, 0, wxALIGN_CENTER_VERTICAL);
          grid->AddSpacer(0);
          control = check;
          break;
        }
        case SettingType::Int: {
          grid->Add(new wxStaticText(parentOfRows, wxID_ANY, Utf8Text(s.label)), 0, wxALIGN_CENTER_VERTICAL);
          auto* spin = new wxSpinCtrl(parentOfRows, wxID_ANY, wxString(), wxDefaultPosition, wxSize(120, -1), wxSP_ARROW_KEYS,
                                      s.minimum, s.maximum, settings.Int(s.key));
          grid->Add(spin, 0);
          control = spin;
          break;
        }
        case SettingType::String: {
          grid->Add(new wxStaticText(parentOfRows, wxID_ANY, Utf8Text(s.label)), 0, wxALIGN_CENTER_VERTICAL);
          auto* text = new wxTextCtrl(parentOfRows, wxID_ANY, wxString::FromUTF8(settings.String(s.key)),
                                      wxDefaultPosition, wxSize(240, -1));
          grid->Add(text, 1, wxEXPAND);
          control = text;
          break;
        }
      }
      m_controls.emplace(std::string(s.key), control);
    }
    box->Add(grid, 1, wxALL | wxEXPAND, 8);
    top->Add(box, 0, wxLEFT | wxRIGHT | wxTOP | wxEXPAND, 12);
  }
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  auto* ok = new wxButton(this, wxID_OK, wxString::FromUTF8("OK"));
  auto* cancel = new wxButton(this, wxID_CANCEL, wxString::FromUTF8("Cancel"));
  buttons->Add(ok, 0, wxRIGHT, 8);
  buttons->Add(cancel);
  top->Add(buttons, 0, wxALIGN_RIGHT | wxALL, 12);
  SetSizerAndFit(top);
  ok->SetDefault();
  ok->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
    Apply();
    EndModal(wxID_OK);
  });
}

wxWindow* CSettingsDlg::ControlOf(std::string_view key) const {
  auto it = m_controls.find(key);
  return it == m_controls.end() ? nullptr : it->second;
}

bool CSettingsDlg::Apply() {
  for (const SettingSpec& s : m_settings.Table()) {
    wxWindow* control = ControlOf(s.key);
    switch (s.type) {
      case SettingType::Bool:
        m_settings.SetBool(s.key, static_cast<wxCheckBox*>(control)->GetValue());
        break;
      case SettingType::Int:
        m_settings.SetInt(s.key, static_cast<wxSpinCtrl*>(control)->GetValue());
        break;
      case SettingType::String:
        m_settings.SetString(s.key, std::string(static_cast<wxTextCtrl*>(control)->GetValue().utf8_str()));
        break;
    }
  }
  std::string error;
  if (m_settings.Save(m_path, &error)) return true;
  // The values stay in force for this run; only keeping them failed.
  ShowMessage(this, wxString::FromUTF8(" Settings not saved: " + error + " !!! "), wxString::FromUTF8(kProductTitle),
              MessageStyle::Ok);
  return false;
}

void ShowSettingsDialog(wxWindow* parent) {
  CSettingsDlg dialog(parent, UserSettings(), SettingsFilePath());
  dialog.CentreOnParent();
  dialog.ShowModal();
}

}  // namespace vexalo::app
