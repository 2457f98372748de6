// vexalo-sync set-tags: what the tag editor does when it opens on a file and OK is pressed.
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_registry.h"
#include "cli/sync_cli.h"
#include "common/shared_state.h"
#include "common/text_encoding.h"
#include "tags/genre_names.h"
#include "tags/id3v2_writer.h"
#include "tags/mpeg_audio_probe.h"
#include "tags/tag_editor_logic.h"
#include "tags/tag_fields.h"

namespace {

extern const vexalo::cli::Subcommand kSetTags;

bool IsUtf8(const std::string& text) { return vexalo::DecodeText(text, vexalo::EncodingChoice::Utf8).invalid == 0; }

int Run(const std::vector<std::string>& args) {
  static const char* const kOptions[] = {"--track", "--title", "--artist", "--album", "--year",
                                         "--genre", "--comment"};
  std::optional<std::string> given[vexalo::kTagItemCount];
  std::string path;
  vexalo::TagTextOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--cp949-tags") {
      options.writeKoreanAsCp949 = true;
      continue;
    }
    int item = -1;
    for (int k = 0; k < vexalo::kTagItemCount; ++k)
      if (a == kOptions[k]) item = k;
    if (item >= 0) {
      if (i + 1 >= args.size()) return vexalo::cli::UsageError(kSetTags, a + " needs a value");
      given[item] = args[++i];
      continue;
    }
    if (a.size() > 1 && a[0] == '-') return vexalo::cli::UsageError(kSetTags, "unknown option " + a);
    if (!path.empty()) return vexalo::cli::UsageError(kSetTags, "expects one FILE.mp3");
    path = a;
  }
  if (path.empty()) return vexalo::cli::UsageError(kSetTags, "expects FILE.mp3");

  std::optional<int> genre;
  if (given[vexalo::kTagGenre]) {
    const std::string& g = *given[vexalo::kTagGenre];
    char* end = nullptr;
    long n = g.empty() ? -1 : std::strtol(g.c_str(), &end, 10);
    if (g.empty() || *end != '\0' || n < 0 || n >= vexalo::kGenreCount)
      return vexalo::cli::UsageError(kSetTags, "--genre takes a number from 0 to 125");
    genre = static_cast<int>(n);
  }
  for (int item = 0; item < vexalo::kTagItemCount; ++item) {
    if (item == vexalo::kTagGenre || !given[item]) continue;
    if (!IsUtf8(*given[item]))
      return vexalo::cli::UsageError(kSetTags, std::string(kOptions[item]) + " is not UTF-8 text");
    // The editor's slot holds 511 bytes; a longer text would be cut, not written as given.
    if (given[item]->size() >= vexalo::kTagSlotBytes)
      return vexalo::cli::UsageError(kSetTags, std::string(kOptions[item]) + " has " + std::to_string(given[item]->size()) +
                                                   " bytes; a tag text holds at most 511");
  }

  if (int status = vexalo::cli::RequireInput(path, vexalo::cli::kMp3OpenError); status != vexalo::cli::kExitOk)
    return status;
  vexalo::TagFields fields;
  std::vector<unsigned char> block(vexalo::kLyricsCapacity);
  if (!vexalo::ReadTagFields(path, fields, block, options))
    return vexalo::cli::FailWith(" Not MP3 File ", path + ": the tag library cannot read it");
  if (!vexalo::LooksLikeMp3File(path))
    return vexalo::cli::FailWith(" Not MP3 File ", path + ": neither an ID3v2 tag nor MPEG audio found");

  vexalo::TagEditorTexts texts = vexalo::TagEditorTextsFromSlots(fields);
  std::string* slots[vexalo::kTagItemCount] = {&texts.track, &texts.title, &texts.artist,
                                               &texts.album, &texts.year,  nullptr,
                                               &texts.comment};
  for (int item = 0; item < vexalo::kTagItemCount; ++item)
    if (slots[item] && given[item]) *slots[item] = *given[item];
  // Without --genre, the genre the dialog would select; when it selects nothing, the genre the
  // editor starts with.
  int chosen = genre ? *genre : vexalo::GenreAfterShowing(fields, 0);

  vexalo::FillTagSlots(texts, chosen, fields);
  std::string why;
  vexalo::TagWriteResult result = vexalo::WriteId3v2Tag(path, fields, &why, options);
  if (const char* message = vexalo::TagWriteMessage(result)) return vexalo::cli::FailWith(message, why);
  return vexalo::cli::kExitOk;
}

const vexalo::cli::Subcommand kSetTags{
    "set-tags", "write tag fields into an MP3 file's ID3v2 tag",
    "Usage: vexalo-sync set-tags FILE.mp3 [--track T] [--title T] [--artist A] [--album A]\n"
    "                            [--year Y] [--genre N] [--comment C] [--cp949-tags]\n"
    "Does what the tag editor does when it opens on FILE and OK is pressed: the fields start\n"
    "from the file's tag, the options given replace theirs, and the genre is N (0-125) or the\n"
    "one the editor's list selects from the file's genre (0, Blues, when it selects none).\n"
    "Texts are UTF-8 on the command line, at most 511 bytes each (longer ones are refused). A\n"
    "text ISO-8859-1 can hold is stored so; any other (Hangul) as UTF-16, or with --cp949-tags\n"
    "as CP949 bytes marked ISO-8859-1, the form older Korean players read. Fields not given keep\n"
    "their frames.\n",
    Run};
const vexalo::cli::Registrar kRegistrar(kSetTags);

}  // namespace
