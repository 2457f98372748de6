#include "app/shortcuts_window.h"

#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/textctrl.h>

#include "app/dialogs.h"
#include "common/text_codec.h"
#include "form/command_table.h"

namespace vexalo::app {

namespace {

wxFrame* g_window = nullptr;
wxTextCtrl* g_text = nullptr;

}  // namespace

void ShowShortcutsWindow(wxWindow* parent) {
  if (g_window) {
    g_window->Raise();
    return;
  }
  auto* frame = new wxFrame(parent, wxID_ANY, wxString::FromUTF8("Keyboard shortcuts"), wxDefaultPosition, wxSize(620, 520));
  auto* panel = new wxPanel(frame);
  auto* text = new wxTextCtrl(panel, wxID_ANY, wxString::FromUTF8(Cp949ToUtf8(ShortcutListText()).c_str()), wxDefaultPosition,
                              wxDefaultSize, wxTE_MULTILINE | wxTE_READONLY | wxTE_DONTWRAP);
  text->SetFont(wxFont(wxFontInfo(10).Family(wxFONTFAMILY_TELETYPE)));
  LayOutClosable(frame, panel, text);
  frame->Bind(wxEVT_DESTROY, [frame](wxWindowDestroyEvent& e) {
    if (e.GetEventObject() == frame) {
      g_window = nullptr;
      g_text = nullptr;
    }
    e.Skip();
  });
  g_window = frame;
  g_text = text;
  frame->CentreOnParent();
  frame->Show();
  text->SetFocus();
}

wxTextCtrl* ShortcutsWindowText() { return g_text; }

}  // namespace vexalo::app
