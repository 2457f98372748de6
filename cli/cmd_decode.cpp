// vexalo-sync decode: the editor's decode without a window, printing the song's facts.
#include <cstdio>
#include <string>

#include "cli/cli_registry.h"
#include "cli/sync_cli.h"
#include "common/safe_file.h"
#include "common/shared_state.h"
#include "decode/decode_job.h"
#include "decode/decode_worker.h"

namespace {

const char kUsage[] =
    "Usage: vexalo-sync decode FILE.mp3 [-o SONG.raw]\n"
    "Decodes the MP3 file as the editor does and prints its facts as key: value lines.\n"
    "  -o SONG.raw  also write the stored song (one channel, signed 16-bit little-endian)\n";

int Run(const std::vector<std::string>& args);

const vexalo::cli::Subcommand kCommand{"decode", "decode an MP3 file and print its facts", kUsage, Run};
const vexalo::cli::Registrar kRegistrar(kCommand);

int Run(const std::vector<std::string>& args) {
  using namespace vexalo;
  std::string input, output;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o") {
      if (i + 1 >= args.size()) return cli::UsageError(kCommand, "-o needs a file name");
      output = args[++i];
    } else if (!args[i].empty() && args[i][0] == '-') {
      return cli::UsageError(kCommand, "unknown option '" + args[i] + "'");
    } else if (input.empty()) {
      input = args[i];
    } else {
      return cli::UsageError(kCommand, "only one input file");
    }
  }
  if (input.empty()) return cli::UsageError(kCommand, "no input file");
  // An output that cannot be written is refused before the decode, not after it.
  std::string target;
  if (!output.empty())
    if (int status = cli::RequireOutput(output, "cannot write the song", target); status != cli::kExitOk) return status;

  TransportCommand.store(kCmdNone);
  PlayPosBytes.store(0);
  std::string why;
  if (StartDecodeJob(input, &why) != 1) return cli::FailWith(cli::kMp3OpenError, input + ": " + why);
  // No window to keep alive here, so the worker procedure runs on this thread.
  WorkerBusy.store(1);
  DecodeWorker();

  if (SongInfo.layer.load() != 3) return cli::FailWith(kNotMp3Message, input + ": no MPEG audio Layer III frame");

  const std::uint64_t bytes = storedBytes.load(std::memory_order_acquire);
  if (!output.empty()) {
    AtomicFileWriter writer;
    if (!writer.Open(target) || !writer.Write(SongBuffer, bytes) || !writer.Commit())
      return cli::FailWith("cannot write the song", writer.Error());
  }
  std::printf("layer: %d\n", SongInfo.layer.load());
  std::printf("mode: %d\n", SongInfo.mode.load());
  std::printf("sampleRate: %d\n", SongInfo.sampleRate.load());
  std::printf("bitRate: %d\n", SongInfo.bitRate.load());
  std::printf("channels: %d\n", SongInfo.channels.load());
  std::printf("frameScale: %d\n", SongInfo.frameScale.load());
  std::printf("frameSeconds: %.9f\n", SongInfo.frameSeconds.load());
  std::printf("storedBytes: %llu\n", static_cast<unsigned long long>(bytes));
  std::printf("total: %s\n", ProgressText.Get().c_str());
  if (const std::string shortfall = DecodeShortfallMessage(); !shortfall.empty()) return cli::Fail(shortfall);
  return cli::kExitOk;
}

}  // namespace
