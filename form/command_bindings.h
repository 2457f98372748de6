// Binds the core's command handlers to their menu, accelerator and button ids in a registry, and
// the clicks of checkbox 1014 and radios 1041 / 1042. The window binds its own (About 57664,
// Exit 57665, Help 57667) beside these.
#pragma once

#include <span>

#include "form/command_registry.h"

namespace vexalo {

void BindCoreCommands(CommandRegistry& registry = Commands());

// The ids BindCoreCommands binds.
std::span<const int> CoreCommandIds();

}  // namespace vexalo
