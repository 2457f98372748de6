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

extern const vexalo::cli::Subcommand kTags;

int Run(const std::vector<std::string>& args) {
  using namespace vexalo::cli;
  vexalo::TagTextOptions options;
  std::vector<std::string> files;
  for (const std::string& a : args) {
    if (a == "--latin1-tags") {
      options.readLatin1AsCp949 = false;
    } else if (a.size() > 1 && a[0] == '-') {
      return UsageError(kTags, "unknown option " + a);
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 1) return UsageError(kTags, "expects one FILE.mp3");
  const std::string& path = files[0];
  if (int status = RequireInput(path, kMp3OpenError); status != kExitOk) return status;
  vexalo::TagFields fields;
  std::vector<unsigned char> block(vexalo::kLyricsCapacity);
  if (!vexalo::ReadTagFields(path, fields, block, options))
    return FailWith(" Not MP3 File ", path + ": the tag library cannot read it");
  if (!vexalo::FileHasLayer3Audio(path)) return FailWith(kNotMp3FileError, path + ": no MPEG audio frame found");
  for (int item = 0; item < vexalo::kTagItemCount; ++item)
    std::printf("%s: %.*s\n", kLabels[item], static_cast<int>(fields.Text(item).size()), fields.Text(item).data());
  return vexalo::cli::kExitOk;
}

const vexalo::cli::Subcommand kTags{
    "tags", "print the tag fields the editor reads from an MP3 file",
    "Usage: vexalo-sync tags FILE.mp3 [--latin1-tags]\n"
    "Prints Track, Title, Artist, Album, Year, Genre and Comment, one a line, in UTF-8, as the\n"
    "editor reads them from the file's ID3 tag: frames in UTF-16 and UTF-8 in full, and frames\n"
    "marked ISO-8859-1 whose bytes are CP949 Hangul (as older Korean players wrote them) as that\n"
    "Hangul, unless --latin1-tags asks for ISO-8859-1 throughout.\n",
    Run};
const vexalo::cli::Registrar kRegistrar(kTags);

}  // namespace
