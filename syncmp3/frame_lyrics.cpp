#include "syncmp3/frame_lyrics.h"

#include <id3tag.h>
#include <unistd.h>

#include "common/input_file.h"
#include "common/text_codec.h"
#include "sync/lyrics_file_text.h"

namespace vexalo {

namespace {

std::string Utf8Of(id3_ucs4_t const* ucs4) {
  std::string out;
  for (; ucs4 && *ucs4; ++ucs4) AppendUtf8(out, static_cast<char32_t>(*ucs4));
  return out;
}

std::string LanguageOf(const id3_frame* frame, unsigned index) {
  const union id3_field* field = id3_frame_field(frame, index);
  return field && field->type == ID3_FIELD_TYPE_LANGUAGE ? std::string(field->immediate.value, 3) : std::string();
}

// A string in the frame's own encoding with its terminator, as the frame held it.
std::string Encoded(const std::string& utf8, unsigned char encoding) {
  switch (encoding) {
    case kId3Latin1:
      return Utf8ToLatin1(utf8).value_or(std::string()) + std::string(1, '\0');
    case kId3Utf16:
      return "\xFF\xFE" + Utf8ToUtf16(utf8, false) + std::string(2, '\0');
    case kId3Utf16Be:
      return Utf8ToUtf16(utf8, true) + std::string(2, '\0');
    default:
      return utf8 + std::string(1, '\0');
  }
}

// libid3tag hands a SYLT frame over as fields with the entries as raw bytes in the frame's
// encoding: the body is put together again for ParseSyltBody.
bool SyltBody(const id3_frame* frame, std::string& body) {
  if (frame->nfields < 6) return false;
  const unsigned char encoding =
      static_cast<unsigned char>(id3_field_gettextencoding(id3_frame_field(frame, 0)));
  id3_length_t length = 0;
  const id3_byte_t* entries = id3_field_getbinarydata(id3_frame_field(frame, 5), &length);
  body.clear();
  body.push_back(static_cast<char>(encoding));
  body += LanguageOf(frame, 1);
  body.push_back(static_cast<char>(id3_field_getint(id3_frame_field(frame, 2))));
  body.push_back(static_cast<char>(id3_field_getint(id3_frame_field(frame, 3))));
  body += Encoded(Utf8Of(id3_field_getstring(id3_frame_field(frame, 4))), encoding);
  if (entries && length) body.append(reinterpret_cast<const char*>(entries), length);
  return true;
}

// A USLT frame's fields as a UTF-8 body.
bool UsltBody(const id3_frame* frame, std::string& body) {
  if (frame->nfields < 4) return false;
  body = std::string(1, static_cast<char>(kId3Utf8)) + LanguageOf(frame, 1);
  body += Utf8Of(id3_field_getstring(id3_frame_field(frame, 2))) + std::string(1, '\0');
  body += Utf8Of(id3_field_getfullstring(id3_frame_field(frame, 3)));
  return true;
}

int Rank(const ParsedLyricsFrame& frame, const LyricsFrameKey& preferred, bool sylt) {
  int rank = 0;
  if (sylt && frame.contentType == kSyltLyricsType) rank += 2;
  if (frame.key == preferred) rank += 1;
  return rank;
}

}  // namespace

FrameLyrics ReadFrameLyrics(const std::string& path, const LyricsFrameKey& preferred, bool plainUslt) {
  FrameLyrics result;
  InputFile in;
  if (!in.Open(path)) return result;
  const int fd = in.Release();
  id3_file* file = id3_file_fdopen(fd, ID3_FILE_MODE_READONLY);
  if (!file) {
    ::close(fd);
    return result;
  }
  const id3_tag* tag = id3_file_tag(file);

  for (const char* id : {"SYLT", "USLT"}) {
    const bool sylt = id[0] == 'S';
    int best = -1;
    for (unsigned index = 0; tag; ++index) {
      const id3_frame* frame = id3_tag_findframe(tag, id, index);
      if (!frame) break;
      std::string body, why;
      ParsedLyricsFrame parsed;
      const bool ok = sylt ? SyltBody(frame, body) && ParseSyltBody(body, parsed, why)
                           : UsltBody(frame, body) && ParseUsltBody(body, parsed, why);
      if (!ok) {
        if (result.why.empty()) result.why = std::string(id) + ": " + (why.empty() ? "unreadable" : why);
        continue;
      }
      if (!sylt && !parsed.lrc && !plainUslt) continue;
      if (parsed.editorText.empty()) continue;
      const int rank = Rank(parsed, preferred, sylt);
      if (rank > best) {
        best = rank;
        result.frame = std::move(parsed);
        result.source = sylt ? FrameLyricsSource::kSylt : FrameLyricsSource::kUslt;
      }
    }
    if (result.source != FrameLyricsSource::kNone) break;
  }
  id3_file_close(file);
  return result;
}

}  // namespace vexalo
