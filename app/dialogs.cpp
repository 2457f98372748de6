#include "app/dialogs.h"

#include <filesystem>

#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/dialog.h>
#include <wx/html/htmlwin.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "app/resources.h"
#include "common/text_codec.h"
#include "common/view_port.h"
#include "form/skin_layout.h"
#include "form/string_table.h"

namespace vexalo::app {

namespace {

wxString Text(std::string_view cp949) { return wxString::FromUTF8(Cp949ToUtf8(cp949).c_str()); }

wxFrame* g_helpWindow = nullptr;

}  // namespace

CSplashDlg::CSplashDlg(int millis, std::function<void()> done)
    : wxFrame(nullptr, wxID_ANY, wxString(), wxDefaultPosition, wxSize(skin::kSplashWidth, skin::kSplashHeight),
              wxBORDER_NONE | wxFRAME_NO_TASKBAR | wxSTAY_ON_TOP),
      m_timer(this),
      m_done(std::move(done)) {
  const wxBitmap picture = LoadSkinBitmap(skin::kSplashBitmap);
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  Bind(wxEVT_PAINT, [this, picture](wxPaintEvent&) {
    wxPaintDC dc(this);
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    if (picture.IsOk()) dc.DrawBitmap(picture, 0, 0);
  });
  Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
    m_timer.Stop();
    auto done = std::move(m_done);
    Destroy();
    if (done) done();
  });
  CentreOnScreen();
  m_timer.StartOnce(millis);
}

void ShowAboutDialog(wxWindow* parent) {
  wxDialog dialog(parent, wxID_ANY, Text(kAboutTitle));
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  const wxBitmap picture = LoadSkinBitmap(skin::kAboutBitmap);
  if (picture.IsOk()) row->Add(new wxStaticBitmap(&dialog, wxID_ANY, picture), 0, wxALL, 12);
  auto* texts = new wxBoxSizer(wxVERTICAL);
  texts->Add(new wxStaticText(&dialog, wxID_ANY, Text(kAboutVersion)), 0, wxBOTTOM, 8);
  texts->Add(new wxStaticText(&dialog, wxID_ANY, Text(kAboutSecondLine)), 0, wxBOTTOM, 16);
  auto* ok = new wxButton(&dialog, wxID_OK, Text(kOkButtonText));
  ok->SetDefault();
  texts->Add(ok, 0, wxALIGN_RIGHT);
  row->Add(texts, 1, wxALL | wxALIGN_CENTER_VERTICAL, 12);
  dialog.SetSizerAndFit(row);
  dialog.CentreOnParent();
  dialog.ShowModal();
}

void LayOutClosable(wxFrame* frame, wxPanel* panel, wxWindow* content) {
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(content, 1, wxEXPAND);
  auto* close = new wxButton(panel, wxID_CLOSE, wxString::FromUTF8("Close"));
  sizer->Add(close, 0, wxALIGN_RIGHT | wxALL, 8);
  panel->SetSizer(sizer);
  close->Bind(wxEVT_BUTTON, [frame](wxCommandEvent&) { frame->Close(); });
  // Before the content sees the key: the HTML page and the text list would take Esc themselves.
  frame->Bind(wxEVT_CHAR_HOOK, [frame](wxKeyEvent& e) {
    const int modifiers = e.GetModifiers();
    const bool escape = e.GetKeyCode() == WXK_ESCAPE && modifiers == wxMOD_NONE;
    const bool ctrlW = e.GetKeyCode() == 'W' && modifiers == wxMOD_CONTROL;
    if (escape || ctrlW) {
      frame->Close();
      return;
    }
    e.Skip();
  });
}

void ShowHelpWindow(wxWindow* parent) {
  if (g_helpWindow) {
    g_helpWindow->Raise();
    return;
  }
  const std::string page = ResourcePath("help/index.html");
  auto* frame = new wxFrame(parent, wxID_ANY, Text("Vexalo Caption Editor Help"), wxDefaultPosition, wxSize(640, 560));
  auto* panel = new wxPanel(frame);
  auto* html = new wxHtmlWindow(panel, wxID_ANY);
  std::error_code ec;
  if (std::filesystem::exists(page, ec)) {
    html->LoadFile(wxFileName(wxString::FromUTF8(page.c_str())));
  } else {
    html->SetPage("<html><body><p>The user guide (help/index.html) was not found.</p></body></html>");
  }
  LayOutClosable(frame, panel, html);
  frame->Bind(wxEVT_DESTROY, [frame](wxWindowDestroyEvent& e) {
    if (e.GetEventObject() == frame) g_helpWindow = nullptr;
    e.Skip();
  });
  g_helpWindow = frame;
  frame->CentreOnParent();
  frame->Show();
  html->SetFocus();
}

wxFrame* HelpWindow() { return g_helpWindow; }

}  // namespace vexalo::app
