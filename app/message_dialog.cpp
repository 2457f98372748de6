#include "app/message_dialog.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

namespace vexalo::app {

namespace {
const wxString kOkText = wxString::FromUTF8("\xED\x99\x95\xEC\x9D\xB8");          // 확인
const wxString kYesText = wxString::FromUTF8("\xEC\x98\x88");                      // 예
const wxString kNoText = wxString::FromUTF8("\xEC\x95\x84\xEB\x8B\x88\xEC\x9A\x94");  // 아니요
}  // namespace

MessageDialog::MessageDialog(wxWindow* parent, const wxString& text, const wxString& title, MessageStyle style)
    : wxDialog(parent, wxID_ANY, title), m_message(text), m_style(style) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* label = new wxStaticText(this, wxID_ANY, text, wxDefaultPosition, wxDefaultSize, wxST_NO_AUTORESIZE);
  label->SetMinSize(wxSize(std::max(label->GetBestSize().x, 220), -1));
  top->Add(label, 0, wxALL | wxEXPAND, 16);
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  if (style == MessageStyle::YesNo) {
    auto* yes = new wxButton(this, wxID_YES, kYesText);
    auto* no = new wxButton(this, wxID_NO, kNoText);
    buttons->Add(yes, 0, wxRIGHT, 8);
    buttons->Add(no);
    yes->SetDefault();
    yes->SetFocus();
    yes->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Answer(vexalo::Answer::Yes); });
    no->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Answer(vexalo::Answer::No); });
    SetEscapeId(wxID_NO);
  } else {
    auto* ok = new wxButton(this, wxID_OK, kOkText);
    buttons->Add(ok);
    ok->SetDefault();
    ok->SetFocus();
    ok->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Answer(vexalo::Answer::Ok); });
    SetEscapeId(wxID_OK);
  }
  top->Add(buttons, 0, wxALIGN_CENTER | wxLEFT | wxRIGHT | wxBOTTOM, 12);
  SetSizerAndFit(top);
  CentreOnParent();
}

void MessageDialog::Answer(vexalo::Answer answer) {
  EndModal(answer == vexalo::Answer::Yes ? wxID_YES : answer == vexalo::Answer::No ? wxID_NO : wxID_OK);
}

vexalo::Answer MessageDialog::Result() const {
  const int code = GetReturnCode();
  if (m_style == MessageStyle::YesNo) return code == wxID_YES ? vexalo::Answer::Yes : vexalo::Answer::No;
  return vexalo::Answer::Ok;
}

vexalo::Answer ShowMessage(wxWindow* parent, const wxString& text, const wxString& title, MessageStyle style) {
  MessageDialog dialog(parent, text, title, style);
  dialog.ShowModal();
  return dialog.Result();
}

}  // namespace vexalo::app
