#include "form/command_registry.h"

#include <gtest/gtest.h>

#include <vector>

namespace vexalo {
namespace {

TEST(CommandRegistry, RunsTheBoundHandlerAndReportsUnboundCommands) {
  CommandRegistry registry;
  std::vector<int> ran;
  registry.Bind(kIdTextOpen, [&] { ran.push_back(kIdTextOpen); });
  registry.Bind(1010, [&] { ran.push_back(1010); });
  EXPECT_TRUE(registry.Run(1010));
  EXPECT_TRUE(registry.Run(kIdTextOpen));
  EXPECT_FALSE(registry.Run(kIdTextSave));
  EXPECT_EQ(ran, (std::vector<int>{1010, kIdTextOpen}));
}

TEST(CommandRegistry, RebindingReplacesAndAnEmptyHandlerUnbinds) {
  CommandRegistry registry;
  int which = 0;
  registry.Bind(kIdAppExit, [&] { which = 1; });
  registry.Bind(kIdAppExit, [&] { which = 2; });
  registry.Run(kIdAppExit);
  EXPECT_EQ(which, 2);
  registry.Bind(kIdAppExit, {});
  EXPECT_FALSE(registry.IsBound(kIdAppExit));
  EXPECT_FALSE(registry.Run(kIdAppExit));
}

TEST(CommandRegistry, HandlerMayUnbindItselfWhileRunning) {
  CommandRegistry registry;
  int runs = 0;
  registry.Bind(kIdHelpFinder, [&] {
    ++runs;
    registry.Unbind(kIdHelpFinder);
    registry.Bind(kIdAppAbout, [&] { runs += 10; });
  });
  EXPECT_TRUE(registry.Run(kIdHelpFinder));
  EXPECT_FALSE(registry.Run(kIdHelpFinder));
  EXPECT_TRUE(registry.Run(kIdAppAbout));
  EXPECT_EQ(runs, 11);
}

TEST(CommandRegistry, ProgramRegistryIsOneInstance) {
  EXPECT_EQ(&Commands(), &Commands());
}

}  // namespace
}  // namespace vexalo
