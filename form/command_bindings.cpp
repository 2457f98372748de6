#include "form/command_bindings.h"

#include <array>

#include "commands/editor_commands.h"
#include "commands/mp3_open_command.h"
#include "commands/save_commands.h"
#include "commands/tag_editor_dialog.h"
#include "commands/text_commands.h"
#include "commands/time_adjust.h"
#include "commands/transport_commands.h"
#include "common/control_ids.h"

namespace vexalo {

namespace {

struct Binding {
  int id;
  void (*handler)();
};

constexpr std::array<Binding, 20> kBindings{{
    {kIdMp3FileOpen, &OnMp3FileOpen},
    {kIdSyncMp3FileSave, &OnSyncMp3FileSave},
    {kIdTextOpen, &OnTextOpen},
    {kIdTextSave, &OnTextSave},
    {kIdWholeView, &OnWholeView},
    {kIdWindowView, &OnWindowView},
    {kIdMp3PlusTextFile, &OnMp3PlusTextFile},
    {kIdId3TagEditor, &OnId3TagEditor},
    {kIdEditorClear, &OnEditorClear},
    {kIdcInsertTimeInfo, &OnInsertTimeInfo},
    {kIdcSideTimeButton, &OnSideTime},
    {kIdcAdjust, &OnAdjust},
    {kIdcAutoAdvance, &OnAutoAdvanceClicked},
    {kIdcAdjustPlus, &OnAdjustPlus},
    {kIdcAdjustMinus, &OnAdjustMinus},
    {kIdcPlay, &OnPlay},
    {kIdcRewind, &OnRewind},
    {kIdcForward, &OnForward},
    {kIdcStop, &OnStop},
    {kIdcPause, &OnPause},
}};

constexpr auto kIds = [] {
  std::array<int, kBindings.size()> ids{};
  for (std::size_t i = 0; i < kBindings.size(); ++i) ids[i] = kBindings[i].id;
  return ids;
}();

}  // namespace

void BindCoreCommands(CommandRegistry& registry) {
  for (const Binding& b : kBindings) registry.Bind(b.id, b.handler);
}

std::span<const int> CoreCommandIds() { return kIds; }

}  // namespace vexalo
