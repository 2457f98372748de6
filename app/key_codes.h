// Between the toolkit's key codes and the virtual-key codes of the command table.
#pragma once

#include <wx/event.h>

namespace vexalo::app {

// The virtual-key code of a key event's key, 0 for keys the table cannot bind.
int VirtualKeyOf(int wxKeyCode);
// The KeyModifier bits a key event holds.
int ModifiersOf(const wxKeyEvent& event);
// The toolkit's key code and accelerator flags of a virtual key and KeyModifier bits.
int WxKeyCodeOf(int virtualKey);
int WxAccelFlagsOf(int modifiers);

}  // namespace vexalo::app
