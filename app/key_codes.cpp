#include "app/key_codes.h"

#include <wx/accel.h>

#include "form/command_table.h"

namespace vexalo::app {

namespace {

struct KeyPair {
  int wx;
  int vk;
};

constexpr KeyPair kKeys[] = {
    {WXK_ESCAPE, kVkEscape}, {WXK_SPACE, kVkSpace},       {WXK_LEFT, kVkLeft},           {WXK_NUMPAD_LEFT, kVkLeft},
    {WXK_UP, kVkUp},         {WXK_NUMPAD_UP, kVkUp},       {WXK_RIGHT, kVkRight},         {WXK_NUMPAD_RIGHT, kVkRight},
    {WXK_DOWN, kVkDown},     {WXK_NUMPAD_DOWN, kVkDown},   {WXK_CONTROL, kVkControlKey},  {WXK_SHIFT, kVkShiftKey},
    {WXK_RETURN, kVkReturn}, {WXK_NUMPAD_ENTER, kVkReturn}, {WXK_BACK, kVkBack},          {WXK_TAB, kVkTab},
    {'[', kVkOpenBracket},   {']', kVkCloseBracket},
};

}  // namespace

int VirtualKeyOf(int code) {
  for (const KeyPair& k : kKeys) {
    if (k.wx == code) return k.vk;
  }
  if (code >= WXK_F1 && code <= WXK_F12) return kVkF1 + (code - WXK_F1);
  if (code >= 'a' && code <= 'z') return code - 'a' + 'A';
  if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9')) return code;
  return 0;
}

int ModifiersOf(const wxKeyEvent& event) {
  int m = kModNone;
  if (event.ControlDown()) m |= kModCtrl;
  if (event.AltDown()) m |= kModAlt;
  if (event.ShiftDown()) m |= kModShift;
  return m;
}

int WxKeyCodeOf(int vk) {
  for (const KeyPair& k : kKeys) {
    if (k.vk == vk) return k.wx;
  }
  if (vk >= kVkF1 && vk < kVkF1 + 12) return WXK_F1 + (vk - kVkF1);
  return vk;
}

int WxAccelFlagsOf(int modifiers) {
  if (modifiers == kModAny) return wxACCEL_NORMAL;
  int flags = wxACCEL_NORMAL;
  if (modifiers & kModCtrl) flags |= wxACCEL_CTRL;
  if (modifiers & kModAlt) flags |= wxACCEL_ALT;
  if (modifiers & kModShift) flags |= wxACCEL_SHIFT;
  return flags;
}

}  // namespace vexalo::app
