// cli/: the command-line tool vexalo-sync, one cmd_<name>.cpp per subcommand registering itself
// with the dispatcher. It uses the engines and formats directly, never the window.
//
// Subcommands of vexalo-sync register themselves here: one cmd_<name>.cpp per subcommand.
#pragma once

#include <string>
#include <vector>

namespace vexalo::cli {

// Exit codes of every subcommand.
enum : int { kExitOk = 0, kExitError = 1, kExitUsage = 2 };

struct Subcommand {
  const char* name;
  const char* summary;  // one line for the overall help
  const char* usage;    // full help text of the subcommand
  int (*run)(const std::vector<std::string>& args);  // args after the subcommand name
};

// Call from a static object's constructor in the subcommand's file.
void RegisterSubcommand(const Subcommand& command);

struct Registrar {
  explicit Registrar(const Subcommand& command) { RegisterSubcommand(command); }
};

// True when args holds -h or --help.
bool WantsHelp(const std::vector<std::string>& args);
// Prints "vexalo-sync: <message>" and the usage line to stderr; returns kExitUsage.
int UsageError(const Subcommand& command, const std::string& message);
// Prints the product's message (trimmed of its framing blanks) to stderr; returns kExitError.
int Fail(const std::string& message);

}  // namespace vexalo::cli
