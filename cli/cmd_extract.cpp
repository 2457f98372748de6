// vexalo-sync extract: the timed lyrics embedded in a SyncMP3 file, as MP3 open takes them out.
#include <array>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "cli/cli_registry.h"
#include "cli/lyrics_cli.h"
#include "cli/sync_cli.h"
#include "common/safe_file.h"
#include "sync/lrc_format.h"
#include "sync/lyrics_file_text.h"
#include "sync/srt_format.h"
#include "sync/sync_table.h"
#include "sync/sync_text.h"
#include "syncmp3/frame_lyrics.h"
#include "syncmp3/syncmp3_file.h"

namespace {

using namespace vexalo;
using namespace vexalo::cli;

extern const Subcommand kExtract;

// The lyrics in the chosen format: SyncText keeps the stored form (CP949), LRC and SRT are UTF-8.
std::string Formatted(const std::string& editor, const LrcTags& tags, const std::string& format) {
  if (format == "snc") {
    std::string stored = editor;
    EditorToStoredForm(stored);
    return stored;
  }
  const std::string text = format == "lrc" ? EditorFormToLrc(editor, tags, LrcStyle::kEnhanced) : EditorFormToSrt(editor);
  return LyricsFileBytesOf(text, LyricsEncoding::kUtf8).bytes;
}

int Run(const std::vector<std::string>& given) {
  std::vector<std::string> args = given;
  std::string format = "snc", optionError;
  if (!TakeOption(args, "--format", format, optionError)) return UsageError(kExtract, optionError);
  if (format != "snc" && format != "lrc" && format != "srt")
    return UsageError(kExtract, "--format takes snc, lrc or srt, not '" + format + "'");
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
  ResetSyncTable(1);
  std::string why;
  if (found && ParseSyncBlock(kSyncMagic, block) == 1) {
    const std::string stored = RebuildSyncText();
    std::string editor = stored;
    StoredToEditorForm(editor);
    const std::string bytes = format == "snc" ? stored : Formatted(editor, {}, format);
    if (!WriteOutput(target, bytes, why)) return FailWith("cannot write the lyrics", why);
    return kExitOk;
  }
  // Without the table: the lyrics other programs embed, SYLT before USLT.
  const FrameLyrics frames = ReadFrameLyrics(path, {}, true);
  if (frames.source == FrameLyricsSource::kNone) {
    const std::string what = found ? "its TXXX frame holds no valid SyncTable block"
                                   : "its first ID3v2 frame is not a TXXX frame, and it has no SYLT or USLT lyrics";
    return FailWith("no embedded lyrics", path + ": " + what + (frames.why.empty() ? "" : " (" + frames.why + ")"));
  }
  if (!WriteOutput(target, Formatted(frames.frame.editorText, frames.frame.tags, format), why))
    return FailWith("cannot write the lyrics", why);
  return kExitOk;
}

const Subcommand kExtract{
    "extract", "take the timed lyrics out of a SyncMP3 file",
    "Usage: vexalo-sync extract FILE.mp3 [--format snc|lrc|srt] [-o LYRICS]\n"
    "Reads the SyncTable block from FILE's leading TXXX frame, parses it, and writes the lyrics\n"
    "as MP3 open rebuilds them; a file without the block gives the lyrics of its SYLT frame, else\n"
    "of its USLT frame. --format snc (the default) writes SyncText (stored form, CP949), lrc\n"
    "enhanced LRC and srt SRT subtitles (UTF-8), to LYRICS or to standard output without -o. A\n"
    "file without any of them is an error. Exit 0 on success, 1 on an error, 2 on a usage error.\n",
    Run};
const Registrar kRegistrar(kExtract);

}  // namespace
