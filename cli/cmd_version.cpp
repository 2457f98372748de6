#include <cstdio>

#include "cli/cli_registry.h"

namespace {

int Run(const std::vector<std::string>& args) {
  if (!args.empty()) {
    std::fprintf(stderr, "vexalo-sync version: takes no arguments\n");
    return vexalo::cli::kExitUsage;
  }
  std::printf("Vexalo Caption Editor Version 1.0\n");
  return vexalo::cli::kExitOk;
}

const vexalo::cli::Registrar kRegistrar({"version", "print the program's version",
                                          "Usage: vexalo-sync version\n", Run});

}  // namespace
