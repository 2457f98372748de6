// The program's message box: the core's text with its blanks kept, OK ("확인") or Yes / No
// ("예" / "아니요"), Enter for the default and Esc for No or OK.
#pragma once

#include <wx/dialog.h>

#include "common/view_port.h"

namespace vexalo::app {

class MessageDialog : public wxDialog {
 public:
  MessageDialog(wxWindow* parent, const wxString& text, const wxString& title, MessageStyle style);
  const wxString& Message() const { return m_message; }
  // Ends the dialog with `answer` (the self-tests answer it this way or by clicking).
  void Answer(vexalo::Answer answer);
  vexalo::Answer Result() const;

 private:
  wxString m_message;
  MessageStyle m_style;
};

vexalo::Answer ShowMessage(wxWindow* parent, const wxString& text, const wxString& title, MessageStyle style);

}  // namespace vexalo::app
