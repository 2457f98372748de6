#include <gtest/gtest.h>

#include <sstream>

#include "support/run_tool.h"

using vexalo::test::RunSyncTool;

TEST(CliDispatch, ExitCodesForHelpUnknownAndMissingCommand) {
  auto help = RunSyncTool({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Commands:"), std::string::npos);
  EXPECT_EQ(RunSyncTool({}).status, 2);
  auto unknown = RunSyncTool({"frobnicate"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("unknown command 'frobnicate'"), std::string::npos);
}

TEST(CliDispatch, EverySubcommandAnswersHelp) {
  auto help = RunSyncTool({"--help"});
  ASSERT_EQ(help.status, 0);
  std::size_t at = help.out.find("Commands:\n");
  ASSERT_NE(at, std::string::npos);
  std::istringstream lines(help.out.substr(at + 10));
  std::string line;
  int seen = 0;
  while (std::getline(lines, line) && line.rfind("  ", 0) == 0) {
    std::string name = line.substr(2, line.find(' ', 2) - 2);
    auto sub = RunSyncTool({name, "--help"});
    EXPECT_EQ(sub.status, 0) << name;
    EXPECT_NE(sub.out.find("Usage: vexalo-sync " + name), std::string::npos) << name;
    ++seen;
  }
  EXPECT_GT(seen, 0);
}
