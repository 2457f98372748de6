// vexalo-sync extract: the timed lyrics embedded in a SyncMP3 file, as MP3 open takes them out.
#include <array>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "cli/cli_registry.h"
#include "cli/sync_cli.h"
#include "common/safe_file.h"
#include "sync/sync_table.h"
#include "sync/sync_text.h"
#include "syncmp3/syncmp3_file.h"

namespace {

using namespace vexalo;
using namespace vexalo::cli;

extern const Subcommand kExtract;

int Run(const std::vector<std::string>& args) {
  ParsedArgs a = ParseArgs(args, false, false);
  if (!a.error.empty()) return UsageError(kExtract, a.error);
  if (a.positional.size() != 1) return UsageError(kExtract, "expects one FILE.mp3");
  const std::string& path = a.positional[0];
  if (int status = RequireInput(path, kMp3OpenError); status != kExitOk) return status;
  std::string target;
  if (int status = RequireOutput(a.output, "cannot write the lyrics", target); status != kExitOk) return status;
  if (const std::string cut = LeadingFrameProblem(path); !cut.empty()) return FailWith("no embedded lyrics", cut);

  static std::array<unsigned char, kSyncBlockBytes> block;
  bool found = false;
  if (ReadSyncMp3Block(path, block, &found) != 1) return FailWith(kMp3OpenError, path + ": " + std::strerror(errno));
  if (!found) return FailWith("no embedded lyrics", path + ": its first ID3v2 frame is not a TXXX frame");
  ResetSyncTable(1);
  if (ParseSyncBlock(kSyncMagic, block) != 1)
    return FailWith("no embedded lyrics", path + ": its TXXX frame holds no valid SyncTable block");

  std::string why;
  if (!WriteOutput(target, RebuildSyncText(), why)) return FailWith("cannot write the lyrics", why);
  return kExitOk;
}

const Subcommand kExtract{
    "extract", "take the timed lyrics out of a SyncMP3 file",
    "Usage: vexalo-sync extract FILE.mp3 [-o LYRICS.snc]\n"
    "Reads the SyncTable block from FILE's leading TXXX frame, parses it, and writes the lyrics\n"
    "in stored form (SyncText, CP949) as MP3 open rebuilds them: to LYRICS, or to standard\n"
    "output without -o. A file without an embedded block is an error. Exit 0 on success, 1 on\n"
    "an error, 2 on a usage error.\n",
    Run};
const Registrar kRegistrar(kExtract);

}  // namespace
