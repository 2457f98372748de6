#include "cli/lyrics_cli.h"

#include <algorithm>
#include <cctype>

#include "cli/cli_registry.h"
#include "cli/sync_cli.h"
#include "common/cp949_chars.h"
#include "common/input_file.h"
#include "common/safe_file.h"
#include "common/text_codec.h"
#include "sync/lrc_file.h"
#include "sync/sync_text.h"

namespace vexalo::cli {

namespace {

// An LRC file's lyrics may be told about past the editor's size; past this only its size.
constexpr std::size_t kMostLrcFileBytes = 64u << 20;

bool EndsWith(std::string_view s, std::string_view tail) {
  if (s.size() < tail.size()) return false;
  return std::equal(tail.begin(), tail.end(), s.end() - static_cast<std::ptrdiff_t>(tail.size()),
                    [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

bool HasStoredTags(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size(); i = NextCharacter(bytes, i))
    if (StoredLongTagAt(bytes, i) || SixDigitTagAt(bytes, i)) return true;
  return false;
}

}  // namespace

bool TakeFlag(std::vector<std::string>& args, std::string_view flag) {
  const auto at = std::find(args.begin(), args.end(), flag);
  if (at == args.end()) return false;
  args.erase(at);
  return true;
}

bool TakeOption(std::vector<std::string>& args, std::string_view name, std::string& value, std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 && arg[name.size()] == '=') {
      value = arg.substr(name.size() + 1);
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
      return true;
    }
    if (arg == name) {
      if (i + 1 >= args.size()) {
        error = std::string(name) + " needs a value";
        return false;
      }
      value = args[i + 1];
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
      return true;
    }
  }
  return true;
}

int EditorLyricsFromFile(const std::string& path, std::string& editor, LrcTags& tags) {
  std::string bytes, why;
  std::uint64_t size = 0;
  if (!ReadInputFile(path, kMostLrcFileBytes, bytes, size, why)) return FailWith(kTextOpenError, path + ": " + why);
  const bool lrc = EndsWith(path, ".lrc") ||
                   (!HasStoredTags(bytes) && HasLrcStamps(ReadLyricsFileText(bytes).cp949));
  if (!lrc) {
    if (size >= kSyncTextAreaBytes) return FailWith(FileSizeOverText(), path + ": " + std::to_string(size) + " bytes");
    LoadedSyncText loaded = LoadSyncText(bytes);
    if (!loaded.fits) return FailWith(loaded.text, path + ": its six-digit tags expand past the limit");
    editor = std::move(loaded.text);
    tags = LrcTags{};
    return kExitOk;
  }
  if (size > bytes.size())
    return FailWith(" LRC Size Over !!! ", path + ": " + std::to_string(size) + " bytes, the editor holds 30719");
  LrcFileImport imported = ImportLrcFile(bytes, kMaxLyricsTextBytes);
  if (!imported.fits || !imported.lrc.problems.empty() || imported.unencodable != 0)
    return FailWith(Cp949ToUtf8(imported.message), path);
  editor = std::move(imported.lrc.editorText);
  tags = std::move(imported.lrc.tags);
  return kExitOk;
}

int BlockFromEditorLyrics(const std::string& editor, std::span<unsigned char, kSyncBlockBytes> block) {
  std::string stored = editor;
  if (!EditorToStoredForm(stored)) return FailWith(kTextDataError999, "the lyrics pass 30,719 bytes in stored form");
  if (stored.empty()) {
    std::fill(block.begin(), block.end(), 0);
    return kExitOk;
  }
  std::string error;
  if (!BuildSyncBlock(stored, block, error)) return FailWith(error, "");
  return kExitOk;
}

}  // namespace vexalo::cli
