// vexalo-sync embed: a SyncMP3 file from an MP3 file and a lyrics file, as the SyncMP3 save makes.
#include <array>
#include <string>
#include <vector>

#include "cli/cli_registry.h"
#include "cli/lyrics_cli.h"
#include "cli/sync_cli.h"
#include "common/safe_file.h"
#include "sync/lrc_file.h"
#include "sync/sync_text.h"
#include "syncmp3/lyrics_frames.h"
#include "syncmp3/syncmp3_file.h"
#include "tags/mpeg_audio_probe.h"

namespace {

using namespace vexalo;
using namespace vexalo::cli;

extern const Subcommand kEmbed;

int Run(const std::vector<std::string>& given) {
  std::vector<std::string> args = given;
  LyricsFramesChoice frames;
  frames.sylt = !TakeFlag(args, "--no-sylt");
  frames.uslt = !TakeFlag(args, "--no-uslt");
  const bool sidecar = TakeFlag(args, "--sidecar");
  ParsedArgs a = ParseArgs(args, true, false);
  if (!a.error.empty()) return UsageError(kEmbed, a.error);
  if (a.positional.size() != 2) return UsageError(kEmbed, "expects SOURCE.mp3 and LYRICS.snc or LYRICS.lrc");
  if (a.output.empty() || a.output == "-") return UsageError(kEmbed, "needs -o OUT.mp3");
  const std::string& source = a.positional[0];
  const std::string& lyrics = a.positional[1];

  if (int status = RequireInput(source, kMp3OpenError); status != kExitOk) return status;
  // Only a file with MPEG audio is taken for an MP3 file, as the tag editor's OK takes it.
  if (!FileHasLayer3Audio(source)) return FailWith(kNotMp3FileError, source + ": no MPEG audio frame found");
  static std::array<unsigned char, kSyncBlockBytes> block;
  std::string editor;
  LrcTags tags;
  if (int status = EditorLyricsFromFile(lyrics, editor, tags); status != kExitOk) return status;
  if (int status = BlockFromEditorLyrics(editor, block); status != kExitOk) return status;
  std::string output;
  if (int status = RequireOutput(a.output, " MP3 File Write Error !!! ", output); status != kExitOk) return status;

  const bool inPlace = source == a.output || SameFile(source, output);
  if (inPlace && !a.force)
    return FailWith(" Same MP3 File Save ? ", a.output + " is the source itself; give --force to save in place");
  if (!inPlace && FileExists(output) && !a.force)
    return FailWith(" MP3 File OverWrite ? ", a.output + " exists; give --force to overwrite it");
  const std::string sidecarPath = SidecarLrcPath(output);
  if (sidecar && FileExists(sidecarPath) && !a.force)
    return FailWith(" LRC File OverWrite ? ", sidecarPath + " exists; give --force to overwrite it");

  std::string why;
  const SyncMp3ExtraFrames extra = LyricsFramesForSave(editor, tags, frames);
  switch (SaveSyncMp3File(source, output, inPlace, block, &why, &extra)) {
    case kSyncMp3Saved:
      if (sidecar && !editor.empty()) {
        const std::string lrc = EditorFormToLrc(editor, tags, LrcStyle::kPlain);
        if (!WriteOutput(sidecarPath, LyricsFileBytesOf(lrc, LyricsEncoding::kUtf8).bytes, why))
          return FailWith(" LRC File Save Error !!! ", why);
      }
      return kExitOk;
    case kSyncMp3ReadOnly:
      return FailWith("MP3 file Read-Only Error !!!", why);
    case kSyncMp3OpenError:
      return FailWith(kMp3OpenError, why);
    case kSyncMp3BlockTooLarge:
      return FailWith(kTextDataError999, why);
    default:
      return FailWith(" MP3 File Write Error !!! ", why);
  }
}

const Subcommand kEmbed{
    "embed", "write a SyncMP3 file: an MP3 file with lyrics in its ID3v2 tag",
    "Usage: vexalo-sync embed SOURCE.mp3 LYRICS.(snc|lrc) -o OUT.mp3 [--force] [--no-sylt] [--no-uslt]\n"
    "       [--sidecar]\n"
    "Builds the SyncTable block of LYRICS (SyncText, or LRC read as Text Open reads it) and writes\n"
    "OUT as SOURCE with the block in a leading TXXX frame, followed by a SYLT frame (the timed\n"
    "lyrics for other players) and a USLT frame (the lyrics as LRC text) unless --no-sylt or\n"
    "--no-uslt; earlier frames of this program are replaced, others' kept. --sidecar also writes\n"
    "OUT's name with .lrc (plain LRC, UTF-8). The audio is copied untouched. SOURCE must hold\n"
    "MPEG audio (\"Not MP3 File !!!\" otherwise). An existing OUT is\n"
    "refused unless --force is given; OUT may be SOURCE itself (saved in place, needs --force).\n"
    "Empty lyrics embed an empty TXXX frame. Exit 0 on success, 1 on an error, 2 on a usage\n"
    "error.\n",
    Run};
const Registrar kRegistrar(kEmbed);

}  // namespace
