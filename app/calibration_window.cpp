#include "app/calibration_window.h"

#include <string>

#include <wx/sizer.h>

#include "app/message_dialog.h"
#include "common/settings.h"
#include "common/view_port.h"
#include "common/worker.h"

namespace vexalo::app {

namespace {

constexpr int kTickMillis = 50;

CCalibrateDlg* g_shown = nullptr;

wxString Utf8(const std::string& s) { return wxString::FromUTF8(s.c_str()); }

std::string CurrentOffsetText() {
  return "Reaction offset now: " + std::to_string(UserSettings().Int(kSettingStampReactionMs)) + " ms.";
}

}  // namespace

CCalibrateDlg::CCalibrateDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, wxString::FromUTF8("Calibrate stamping"), wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX),
      m_timer(this) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* instructions = new wxStaticText(this, wxID_ANY, Utf8(CalibrationInstructions(m_calibration.Plan())));
  instructions->Wrap(420);
  top->Add(instructions, 0, wxALL, 12);
  m_current = new wxStaticText(this, wxID_ANY, Utf8(CurrentOffsetText()));
  top->Add(m_current, 0, wxLEFT | wxRIGHT, 12);
  m_result = new wxStaticText(this, wxID_ANY, wxString(), wxDefaultPosition, wxSize(420, -1));
  top->Add(m_result, 0, wxALL | wxEXPAND, 12);
  m_heard = new wxCheckBox(this, wxID_ANY, wxString::FromUTF8("Stamp at the heard position"));
  m_heard->SetValue(UserSettings().Bool(kSettingStampHeardPosition));
  top->Add(m_heard, 0, wxLEFT | wxRIGHT, 12);

  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  m_start = new wxButton(this, wxID_ANY, wxString::FromUTF8("Start"));
  m_store = new wxButton(this, wxID_OK, wxString::FromUTF8("Store"));
  m_close = new wxButton(this, wxID_CANCEL, wxString::FromUTF8("Close"));
  m_store->Disable();
  buttons->Add(m_start, 0, wxRIGHT, 8);
  buttons->Add(m_store, 0, wxRIGHT, 8);
  buttons->Add(m_close);
  top->Add(buttons, 0, wxALIGN_RIGHT | wxALL, 12);
  SetSizerAndFit(top);
  SetEscapeId(wxID_CANCEL);

  m_start->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnStart(); });
  m_store->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnStore(); });
  // Presses are taken ahead of the focused button, so Space never pushes one while listening.
  Bind(wxEVT_CHAR_HOOK, &CCalibrateDlg::OnKey, this);
  Bind(wxEVT_TIMER, &CCalibrateDlg::OnTick, this, m_timer.GetId());
  g_shown = this;
}

CCalibrateDlg::~CCalibrateDlg() {
  m_timer.Stop();
  if (g_shown == this) g_shown = nullptr;
  if (m_calibration.Playing()) {
    m_calibration.Stop();
    WaitForWorker([] {});
  }
}

void CCalibrateDlg::OnStart() {
  if (!m_calibration.Start()) {
    ShowResult(kCalibrationBusyText);
    return;
  }
  m_listening = true;
  // The presses go to the dialog: the focus must not vanish with the Start button.
  m_close->SetFocus();
  m_start->Disable();
  m_store->Disable();
  ShowResult(CalibrationProgress(0, m_calibration.Plan().clicks));
  m_timer.Start(kTickMillis);
}

void CCalibrateDlg::OnStore() {
  Settings& settings = UserSettings();
  if (!m_calibration.Store(settings)) return;
  settings.SetBool(kSettingStampHeardPosition, m_heard->GetValue());
  std::string error;
  if (!settings.Save(SettingsFilePath(), &error)) {
    ShowMessage(this, wxString::FromUTF8((" Settings not saved: " + error + " !!! ").c_str()), wxString::FromUTF8(kProductTitle),
                MessageStyle::Ok);
  }
  EndModal(wxID_OK);
}

void CCalibrateDlg::OnKey(wxKeyEvent& event) {
  const int key = event.GetKeyCode();
  const bool stampKey = (key == WXK_SPACE && !event.HasAnyModifiers()) ||
                        ((key == 'Q' || key == 'q') && event.GetModifiers() == wxMOD_CONTROL);
  if (!stampKey) {
    event.Skip();
    return;
  }
  if (m_listening) m_calibration.Tap();
}

void CCalibrateDlg::OnTick(wxTimerEvent&) {
  const CalibrationSummary s = m_calibration.Summary();
  if (m_calibration.Playing()) {
    const std::string progress = CalibrationProgress(s.taps, m_calibration.Plan().clicks);
    if (m_result->GetLabel() != Utf8(progress)) ShowResult(progress);
    return;
  }
  m_timer.Stop();
  m_listening = false;
  ShowResult(s.text);
  m_store->Enable(s.storable);
  m_start->SetLabel(wxString::FromUTF8("Start again"));
  m_start->Enable();
  (s.storable ? m_store : m_start)->SetFocus();
}

void CCalibrateDlg::ShowResult(const std::string& text) {
  m_result->SetLabel(Utf8(text));
  m_result->Wrap(420);
  Layout();
  Fit();
}

void ShowCalibrateDialog(wxWindow* parent) {
  CCalibrateDlg dialog(parent);
  dialog.CentreOnParent();
  dialog.ShowModal();
}

CCalibrateDlg* ShownCalibrateDialog() { return g_shown; }

}  // namespace vexalo::app
