// Help > Keyboard shortcuts: a window listing every key of the command table.
#pragma once

#include <wx/window.h>

class wxTextCtrl;

namespace vexalo::app {

// Shows the list (ShortcutListText), raising the window if it is already open.
void ShowShortcutsWindow(wxWindow* parent);
// The window's text control while it is open, else null (for the self-tests).
wxTextCtrl* ShortcutsWindowText();

}  // namespace vexalo::app
