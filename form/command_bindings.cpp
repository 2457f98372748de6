#include "form/command_bindings.h"

#include "form/command_table.h"

namespace vexalo {

void BindCoreCommands(CommandRegistry& registry) {
  for (const CommandSpec& spec : CommandTable()) {
    if (spec.action == nullptr) continue;
    const CommandSpec* command = &spec;
    registry.Bind(spec.id, [command] {
      const CommandContext context = CurrentCommandContext();
      if (CommandEnabled(*command, context)) command->action(context);
    });
  }
}

const std::vector<int>& CoreCommandIds() {
  static const std::vector<int> ids = [] {
    std::vector<int> out;
    for (const CommandSpec& spec : CommandTable()) {
      if (spec.action != nullptr) out.push_back(spec.id);
    }
    return out;
  }();
  return ids;
}

}  // namespace vexalo
