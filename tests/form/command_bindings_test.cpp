#include "form/command_bindings.h"

#include <gtest/gtest.h>

#include "common/shared_state.h"
#include "form/skin_layout.h"

namespace vexalo {
namespace {

TEST(CommandBindings, CoreCommandsAreBoundAndTheWindowsOwnAreLeftFree) {
  CommandRegistry registry;
  BindCoreCommands(registry);
  for (int id : CoreCommandIds()) EXPECT_TRUE(registry.IsBound(id)) << id;
  for (int id : {kIdAppAbout, kIdAppExit, kIdHelpFinder}) EXPECT_FALSE(registry.IsBound(id)) << id;
  for (int id : {1014, 1041, 1042}) EXPECT_TRUE(registry.IsBound(id)) << id;
}

TEST(CommandBindings, EveryPaintedButtonOfTheCoreIsReached) {
  CommandRegistry registry;
  BindCoreCommands(registry);
  for (const skin::Button& b : skin::Buttons()) {
    if (b.command == kIdHelpFinder) continue;  // the window's own
    EXPECT_TRUE(registry.IsBound(b.command)) << b.command;
  }
}

TEST(CommandBindings, WholeViewCommandRunsThePlaybackHandler) {
  CommandRegistry registry;
  BindCoreCommands(registry);
  PlayerState = kStateWindowView;
  WorkerBusy = 0;
  PlayPosBytes = 4'608;
  EXPECT_TRUE(registry.Run(kIdWholeView));
  EXPECT_EQ(PlayerState.load(), kStateWholeView);
  EXPECT_EQ(PlayPosBytes.load(), 0u);
  PlayerState = kStateNoSong;
  TransportCommand = kCmdNone;
}

}  // namespace
}  // namespace vexalo
