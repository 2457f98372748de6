#include "form/key_routing.h"

#include "common/shared_state.h"
#include "form/command_table.h"
#include "lyrics/lyrics_editor.h"

namespace vexalo {

namespace {

bool RunKey(int key, int modifiers, KeyScope scope) {
  const CommandSpec* item = FindKeyCommand(key, modifiers, scope);
  if (item == nullptr || item->action == nullptr) return false;
  const CommandContext context = CurrentCommandContext();
  if (!CommandEnabled(*item, context)) return false;
  item->action(context);
  return true;
}

}  // namespace

bool RouteKeyDown(int key, int modifiers, bool editorHasFocus) {
  OnEditorFocus(editorHasFocus);
  if (!editorHasFocus) {
    RunKey(key, modifiers, KeyScope::OutsideEditor);
    return false;
  }
  if (key == kVkControlKey) {
    if (SongShown()) CtrlKeyDown = 1;
    return false;
  }
  const int held = CtrlKeyDown == 1 ? (modifiers | kModCtrl) : modifiers;
  return RunKey(key, held, KeyScope::Editor);
}

void RouteKeyUp(int key, bool editorHasFocus) {
  OnEditorFocus(editorHasFocus);
  if (key == kVkControlKey) CtrlKeyDown = 0;
}

}  // namespace vexalo
