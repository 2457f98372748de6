// Runs vexalo-sync (or another program) and captures its exit status and output.
#pragma once

#include <string>
#include <vector>

namespace vexalo::test {

struct ToolResult {
  int status = -1;  // exit status, or -1 when it did not exit normally
  std::string out;
  std::string err;
};

ToolResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& stdinText = "");
ToolResult RunSyncTool(const std::vector<std::string>& args);
// The vexalo-sync program under test.
std::string SyncToolPath();
// True when the program is found on PATH.
bool HaveProgram(const std::string& name);
std::string FixturePath(const std::string& name);

}  // namespace vexalo::test
