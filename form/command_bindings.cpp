#include "form/command_bindings.h"

#include "form/command_table.h"

namespace vexalo {

void BindCoreCommands(CommandRegistry& registry) {
  for (const CommandSpec& item : CommandTable()) {
    if (item.action == nullptr) continue;
    const CommandSpec* command = &item;
    registry.Bind(item.id, [command] {
      const CommandContext context = CurrentCommandContext();
      if (CommandEnabled(*command, context)) command->action(context);
    });
  }
}

const std::vector<int>& CoreCommandIds() {
  static const std::vector<int> ids = [] {
    std::vector<int> out;
    for (const CommandSpec& item : CommandTable()) {
      if (item.action != nullptr) out.push_back(item.id);
    }
    return out;
  }();
  return ids;
}

}  // namespace vexalo
