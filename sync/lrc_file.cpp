#include "sync/lrc_file.h"

#include <cstdio>

namespace vexalo {

namespace {

std::string Formatted(const char* format, std::size_t a, std::size_t b = 0) {
  char text[160];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

}  // namespace

std::string SidecarLrcPath(const std::string& songPath) {
  const std::size_t slash = songPath.find_last_of('/');
  const std::size_t dot = songPath.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  return (hasExtension ? songPath.substr(0, dot) : songPath) + ".lrc";
}

LrcFileImport ImportLrcFile(std::string_view fileBytes, std::size_t limit, EncodingChoice choice) {
  LrcFileImport result;
  LyricsFileText file = ReadLyricsFileText(fileBytes, choice);
  result.invalid = file.invalid;
  result.encoding = file.encoding;
  result.unencodable = file.unencodable.size();
  result.lrc = LrcToEditorForm(file.cp949);
  result.fits = result.lrc.editorText.size() <= limit;
  if (!result.fits) result.message = Formatted(kLrcSizeOverFormat, result.lrc.editorText.size(), limit);
  if (!result.lrc.problems.empty()) {
    std::string text = kLrcTimeErrorFormat;
    text.replace(text.find("%s"), 2, LrcProblemSummary(result.lrc.problems));
    if (!result.message.empty()) result.message += " ";
    result.message += text;
  }
  if (result.unencodable != 0) {
    if (!result.message.empty()) result.message += " ";
    result.message += Formatted(kLrcUnencodableFormat, result.unencodable);
  }
  if (result.invalid != 0) {
    if (!result.message.empty()) result.message += " ";
    result.message += Formatted(kLrcCodeErrorFormat, result.invalid);
  }
  return result;
}

}  // namespace vexalo
