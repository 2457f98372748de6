// vexalo-sync tags: the seven tag fields as the editor reads them when a file is opened.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_registry.h"
#include "cli/sync_cli.h"
#include "common/shared_state.h"
#include "tags/mpeg_audio_probe.h"
#include "tags/tag_fields.h"

namespace {

const char* const kLabels[vexalo::kTagItemCount] = {"Track", "Title", "Artist", "Album",
                                                     "Year",  "Genre", "Comment"};

std::string Latin1ToUtf8(std::string_view text) {
  std::string out;
  for (unsigned char c : text) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

extern const vexalo::cli::Subcommand kTags;

int Run(const std::vector<std::string>& args) {
  using namespace vexalo::cli;
  if (args.size() != 1) return UsageError(kTags, "expects one FILE.mp3");
  const std::string& path = args[0];
  if (int status = RequireInput(path, kMp3OpenError); status != kExitOk) return status;
  vexalo::TagFields fields;
  std::vector<unsigned char> block(vexalo::kLyricsCapacity);
  if (!vexalo::ReadTagFields(path, fields, block))
    return FailWith(" Not MP3 File ", path + ": the tag library cannot read it");
  if (!vexalo::FileHasLayer3Audio(path)) return FailWith(kNotMp3FileError, path + ": no MPEG audio frame found");
  for (int item = 0; item < vexalo::kTagItemCount; ++item)
    std::printf("%s: %s\n", kLabels[item], Latin1ToUtf8(fields.Text(item)).c_str());
  return vexalo::cli::kExitOk;
}

const vexalo::cli::Subcommand kTags{
    "tags", "print the tag fields the editor reads from an MP3 file",
    "Usage: vexalo-sync tags FILE.mp3\n"
    "Prints Track, Title, Artist, Album, Year, Genre and Comment, one a line, as the editor\n"
    "reads them from the file's ID3 tag (ISO-8859-1 texts shown as UTF-8).\n",
    Run};
const vexalo::cli::Registrar kRegistrar(kTags);

}  // namespace
