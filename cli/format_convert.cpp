#include "cli/format_convert.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <limits>

#include "cli/cli_registry.h"
#include "cli/sync_cli.h"
#include "common/cp949_chars.h"
#include "common/input_file.h"
#include "common/safe_file.h"
#include "common/text_codec.h"
#include "sync/lrc_file.h"
#include "sync/lrc_format.h"
#include "sync/srt_format.h"
#include "sync/sync_text.h"

namespace vexalo::cli {

namespace {

// LRC files far past the editor's size convert too; past this only their size is told.
constexpr std::size_t kMostConvertBytes = 64u << 20;

inline constexpr char kTextOverwrite[] = " Text File OverWrite ? ";
inline constexpr char kTextSaveError[] = " Text File Save Error !!! ";

bool HasStoredTags(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size(); i = NextCharacter(bytes, i))
    if (StoredLongTagAt(bytes, i) || SixDigitTagAt(bytes, i)) return true;
  return false;
}

const char* NameOf(LyricsEncoding encoding) {
  switch (encoding) {
    case LyricsEncoding::kUtf8:
      return "UTF-8";
    case LyricsEncoding::kUtf16:
      return "UTF-16";
    default:
      return "CP949";
  }
}

struct ReadLyrics {
  std::string editor;  // editor form, CP949
  LrcTags tags;
  std::string readAs;  // the encoding's name
  // Bytes that are not in the encoding read (kept as the codec keeps them), and where the first
  // one stands when the reader tells ("" otherwise).
  std::size_t invalid = 0;
  std::string firstInvalidAt;
};

std::string Place(const TextPosition& at) {
  return "line " + std::to_string(at.line) + ", column " + std::to_string(at.column);
}

int ReadAsLrc(const std::string& path, std::string_view bytes, EncodingChoice from, ReadLyrics& out) {
  LrcFileImport imported = ImportLrcFile(bytes, std::numeric_limits<std::size_t>::max(), from);
  if (!imported.lrc.problems.empty() || imported.unencodable != 0)
    return FailWith(Cp949ToUtf8(imported.message), path + ": nothing was written");
  out.editor = std::move(imported.lrc.editorText);
  out.tags = std::move(imported.lrc.tags);
  out.readAs = NameOf(imported.encoding);
  out.invalid = imported.invalid;
  return kExitOk;
}

int ReadAsSyncText(const std::string& path, std::string_view bytes, EncodingChoice from, ReadLyrics& out) {
  if (bytes.size() >= kSyncTextAreaBytes)
    return FailWith(FileSizeOverText(), path + ": " + std::to_string(bytes.size()) + " bytes");
  const TextFileLyrics content = ReadTextFileLyrics(bytes, from);
  if (content.converted.unencodable != 0)
    return FailWith(" Text Error !!! ", path + ": " + std::to_string(content.converted.unencodable) +
                                            " characters have no CP949 form, the first " +
                                            CodePointName(content.converted.firstUnencodable) + " at " +
                                            Place(content.converted.firstUnencodableAt) + "; nothing was written");
  LoadedSyncText loaded = LoadSyncText(content.cp949);
  if (!loaded.fits) return FailWith(loaded.text, path + ": its six-digit tags expand past the limit");
  out.editor = std::move(loaded.text);
  out.readAs = EncodingName(content.read.encoding);
  out.invalid = content.read.invalid;
  if (out.invalid != 0) out.firstInvalidAt = Place(content.read.firstInvalid);
  return kExitOk;
}

int ReadAsSrt(const std::string& path, std::string_view bytes, EncodingChoice from, ReadLyrics& out) {
  const LyricsFileText file = ReadLyricsFileText(bytes, from);
  if (!file.unencodable.empty())
    return FailWith(" Text Error !!! ", path + ": " + std::to_string(file.unencodable.size()) +
                                            " characters have no CP949 form, the first " +
                                            CodePointName(file.unencodable.front()) + "; nothing was written");
  SrtImport srt = SrtToEditorForm(file.cp949);
  if (!srt.problems.empty())
    return FailWith(" SRT Time Error !!! ", Cp949ToUtf8(LrcProblemSummary(srt.problems)) + "; " + path +
                                                ": nothing was written");
  out.editor = std::move(srt.editorText);
  out.readAs = NameOf(file.encoding);
  out.invalid = file.invalid;
  return kExitOk;
}

}  // namespace

std::optional<LyricsFileFormat> LyricsFileFormatOf(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return std::nullopt;
  std::string extension(path.substr(dot));
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension == ".snc") return LyricsFileFormat::kSyncText;
  if (extension == ".lrc") return LyricsFileFormat::kLrc;
  if (extension == ".srt") return LyricsFileFormat::kSrt;
  if (extension == ".txt") return LyricsFileFormat::kText;
  return std::nullopt;
}

int ConvertLyricsFile(const FormatConversion& c) {
  const LyricsFileFormat inFormat = *LyricsFileFormatOf(c.input);
  const LyricsFileFormat outFormat = *LyricsFileFormatOf(c.output);
  if (int status = RequireInput(c.input, kTextOpenError); status != kExitOk) return status;
  std::string target;
  if (int status = RequireOutput(c.output, kTextSaveError, target); status != kExitOk) return status;
  if (FileExists(target) && !c.force && !SameFile(c.input, target))
    return FailWith(kTextOverwrite, c.output + " exists; give --force to overwrite it");
  if (SameFile(c.input, target) && !c.force)
    return FailWith(kTextOverwrite, c.output + " is the input itself; give --force to replace it");

  std::string bytes, why;
  std::uint64_t size = 0;
  if (!ReadInputFile(c.input, kMostConvertBytes, bytes, size, why)) return FailWith(kTextOpenError, c.input + ": " + why);
  if (size > bytes.size())
    return FailWith(kTextOpenError, c.input + ": " + std::to_string(size) + " bytes, more than a lyrics file holds");
  const bool lrc = inFormat == LyricsFileFormat::kLrc ||
                   (inFormat == LyricsFileFormat::kText && !HasStoredTags(bytes) &&
                    HasLrcStamps(ReadLyricsFileText(bytes, c.from).cp949));
  ReadLyrics lyrics;
  const int status = inFormat == LyricsFileFormat::kSrt ? ReadAsSrt(c.input, bytes, c.from, lyrics)
                     : lrc                              ? ReadAsLrc(c.input, bytes, c.from, lyrics)
                                                        : ReadAsSyncText(c.input, bytes, c.from, lyrics);
  if (status != kExitOk) return status;

  std::string text;
  LyricsEncoding encoding = LyricsEncoding::kUtf8;
  switch (outFormat) {
    case LyricsFileFormat::kSyncText:
    case LyricsFileFormat::kText:
      text = lyrics.editor;
      if (!EditorToStoredForm(text))
        return FailWith(kTextDataError999, c.input + ": the lyrics pass 30,719 bytes in SyncText form, the most the "
                                                     "editor and the players take; nothing was written");
      encoding = LyricsEncoding::kCp949;
      break;
    case LyricsFileFormat::kLrc:
      text = EditorFormToLrc(lyrics.editor, lyrics.tags, c.enhanced ? LrcStyle::kEnhanced : LrcStyle::kPlain);
      break;
    case LyricsFileFormat::kSrt:
      text = EditorFormToSrt(lyrics.editor);
      break;
  }
  if (c.to) encoding = *c.to;
  const LyricsFileBytes file = LyricsFileBytesOf(text, encoding);
  if (file.invalidBytes != 0 && encoding != LyricsEncoding::kCp949)
    return FailWith(kTextSaveError, c.input + ": " + std::to_string(file.invalidBytes) +
                                        " bytes are no CP949 character and have no " + NameOf(encoding) +
                                        " form; nothing was written");
  std::fprintf(stderr, "Read as %s: %s\n", lyrics.readAs.c_str(), c.input.c_str());
  if (lyrics.invalid != 0)
    std::fprintf(stderr, "%zu bytes are not %s%s; they are kept as they are\n", lyrics.invalid, lyrics.readAs.c_str(),
                 lyrics.firstInvalidAt.empty() ? "" : (", the first at " + lyrics.firstInvalidAt).c_str());
  if (!WriteOutput(target, file.bytes, why)) return FailWith(kTextSaveError, why);
  return kExitOk;
}

}  // namespace vexalo::cli
