// Binds every command of the command table that has an action to its id in a registry (menus,
// accelerators, keys and painted buttons all run through it). The window binds the rest (About,
// Exit, Settings, the help windows) beside these.
#pragma once

#include <vector>

#include "form/command_registry.h"

namespace vexalo {

// Each bound handler runs its command's action with the current context, and only while the
// command's enabling predicate holds.
void BindCoreCommands(CommandRegistry& registry = Commands());

// The ids BindCoreCommands binds.
const std::vector<int>& CoreCommandIds();

}  // namespace vexalo
