// vexalo-sync block: a lyrics file turned into the SyncTable block a SyncMP3 save would embed.
#include <array>
#include <string>
#include <vector>

#include "cli/cli_registry.h"
#include "cli/sync_cli.h"
#include "sync/sync_table.h"

namespace {

using namespace vexalo;
using namespace vexalo::cli;

extern const Subcommand kBlock;

int Run(const std::vector<std::string>& args) {
  ParsedArgs a = ParseArgs(args, false, false);
  if (!a.error.empty()) return UsageError(kBlock, a.error);
  if (a.positional.size() != 1) return UsageError(kBlock, "expects one LYRICS.snc");
  if (a.output.empty()) return UsageError(kBlock, "needs -o BLOCK.bin");
  std::string target;
  if (int status = RequireOutput(a.output, "cannot write the block", target); status != kExitOk) return status;
  static std::array<unsigned char, kSyncBlockBytes> block;
  if (int status = BlockFromLyricsFile(a.positional[0], block); status != kExitOk) return status;
  const std::uint32_t total = ReadLe32(block.data() + 6);
  std::string why;
  if (!WriteOutput(target, std::string(reinterpret_cast<const char*>(block.data()), total), why))
    return FailWith("cannot write the block", why);
  return kExitOk;
}

const Subcommand kBlock{
    "block", "build the SyncTable block of a lyrics file",
    "Usage: vexalo-sync block LYRICS.snc -o BLOCK.bin\n"
    "Reads LYRICS as Text Open does (files of 30,720 bytes or more are refused, six-digit tags\n"
    "get hundredths 00), builds the SyncTable block as the SyncMP3 save does, and writes the\n"
    "block's total-size bytes to BLOCK.bin ('-' for standard output). Empty lyrics give an\n"
    "empty file. Exit 0 on success, 1 on an error (e.g. \"Text Data Error 000 !!!\"), 2 on a\n"
    "usage error.\n",
    Run};
const Registrar kRegistrar(kBlock);

}  // namespace
