// vexalo-sync convert: a lyrics file in another format or encoding.
#include <string>
#include <vector>

#include "cli/cli_registry.h"
#include "cli/format_convert.h"
#include "cli/lyrics_cli.h"
#include "cli/sync_cli.h"

namespace {

using namespace vexalo;
using namespace vexalo::cli;

extern const Subcommand kConvert;

int Run(const std::vector<std::string>& given) {
  std::vector<std::string> args = given;
  FormatConversion c;
  c.enhanced = TakeFlag(args, "--enhanced");
  std::string from = "auto", to, error;
  if (!TakeOption(args, "--from", from, error) || !TakeOption(args, "--to", to, error))
    return UsageError(kConvert, error);
  if (!ParseEncodingChoice(from, c.from)) return UsageError(kConvert, "--from takes auto, cp949, utf-8 or utf-16, not '" + from + "'");
  if (to == "utf-8" || to == "UTF-8" || to == "utf8") {
    c.to = LyricsEncoding::kUtf8;
  } else if (to == "cp949" || to == "CP949") {
    c.to = LyricsEncoding::kCp949;
  } else if (!to.empty()) {
    return UsageError(kConvert, "--to takes utf-8 or cp949, not '" + to + "'");
  }
  ParsedArgs a = ParseArgs(args, true, false);
  if (!a.error.empty()) return UsageError(kConvert, a.error);
  if (a.positional.size() != 1) return UsageError(kConvert, "expects one lyrics file IN");
  if (a.output.empty() || a.output == "-") return UsageError(kConvert, "needs -o OUT");
  c.input = a.positional[0];
  c.output = a.output;
  c.force = a.force;
  auto extension = [](const std::string& path) {
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of('/');
    return dot == std::string::npos || (slash != std::string::npos && dot < slash) ? std::string("no extension")
                                                                                   : "'" + path.substr(dot) + "'";
  };
  const auto inFormat = LyricsFileFormatOf(c.input);
  if (!inFormat) return UsageError(kConvert, c.input + ": " + extension(c.input) + " is no lyrics format (.snc, .lrc, .srt, .txt)");
  const auto outFormat = LyricsFileFormatOf(c.output);
  if (!outFormat)
    return UsageError(kConvert, c.output + ": " + extension(c.output) + " is no lyrics format (.snc, .lrc, .srt, .txt)");
  if (c.enhanced && *outFormat != LyricsFileFormat::kLrc)
    return UsageError(kConvert, "--enhanced is for an .lrc output: only LRC has word marks");
  return ConvertLyricsFile(c);
}

const Subcommand kConvert{
    "convert", "write a lyrics file in another format or encoding",
    "Usage: vexalo-sync convert IN -o OUT [--enhanced] [--from auto|cp949|utf-8|utf-16]\n"
    "       [--to utf-8|cp949] [--force]\n"
    "Reads IN and writes OUT, each in the format of its extension: .snc SyncText, .lrc LRC,\n"
    ".srt SRT subtitles (read: each cue a group, a pause between cues a group without lyric),\n"
    ".txt SyncText (read as LRC when it holds LRC stamps).\n"
    "LRC is read with its ID tags and [offset:] applied; written LRC has line stamps only, or\n"
    "also its <mm:ss.xx> word marks with --enhanced. --from is IN's encoding (auto: found from\n"
    "the bytes; it is told on standard error), --to OUT's (default CP949 for SyncText, UTF-8 for\n"
    "LRC and SRT). A bad stamp, a character without a CP949 form or SyncText past 30,719 bytes\n"
    "is refused and nothing is written; an existing OUT is replaced only with --force.\n"
    "Exit 0 on success, 1 on an error, 2 on a usage error.\n",
    Run};
const Registrar kRegistrar(kConvert);

}  // namespace
