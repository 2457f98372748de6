// vexalo-sync: the command-line side of the editor, for batch work and headless use.
#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/cli_registry.h"

namespace vexalo::cli {

namespace {
std::vector<Subcommand>& Registry() {
  static std::vector<Subcommand> commands;
  return commands;
}

void PrintOverallHelp(std::FILE* out) {
  std::fprintf(out,
               "Usage: vexalo-sync <command> [options]\n"
               "Timed lyrics for MP3 files, without the window.\n\nCommands:\n");
  for (const auto& c : Registry()) std::fprintf(out, "  %-10s %s\n", c.name, c.summary);
  std::fprintf(out, "\nRun 'vexalo-sync <command> --help' for a command's options.\n");
}
}  // namespace

void RegisterSubcommand(const Subcommand& command) { Registry().push_back(command); }

bool WantsHelp(const std::vector<std::string>& args) {
  for (const auto& a : args)
    if (a == "-h" || a == "--help") return true;
  return false;
}

int UsageError(const Subcommand& command, const std::string& message) {
  std::fprintf(stderr, "vexalo-sync %s: %s\n%s", command.name, message.c_str(), command.usage);
  return kExitUsage;
}

int Fail(const std::string& message) {
  std::size_t b = message.find_first_not_of(' ');
  std::size_t e = message.find_last_not_of(' ');
  std::string text = b == std::string::npos ? message : message.substr(b, e - b + 1);
  std::fprintf(stderr, "%s\n", text.c_str());
  return kExitError;
}

}  // namespace vexalo::cli

int main(int argc, char** argv) {
  using namespace vexalo::cli;
  std::setlocale(LC_ALL, "C");
  if (argc < 2) {
    PrintOverallHelp(stderr);
    return kExitUsage;
  }
  std::string name = argv[1];
  if (name == "-h" || name == "--help" || name == "help") {
    PrintOverallHelp(stdout);
    return kExitOk;
  }
  std::vector<std::string> args(argv + 2, argv + argc);
  for (const auto& c : Registry()) {
    if (name == c.name) {
      if (WantsHelp(args)) {
        std::fputs(c.usage, stdout);
        return kExitOk;
      }
      return c.run(args);
    }
  }
  std::fprintf(stderr, "vexalo-sync: unknown command '%s'\n", name.c_str());
  PrintOverallHelp(stderr);
  return kExitUsage;
}
