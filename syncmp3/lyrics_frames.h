// The ID3v2 lyrics frames that other players read: SYLT (one entry per group, times in
// milliseconds) and USLT (the lyrics as LRC text). Their bodies are built from the editor-form
// lyrics and read back into it. ID3v2.3 has no UTF-8, so texts are ISO-8859-1 where that holds
// them and UTF-16 with a byte-order mark otherwise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sync/lrc_format.h"
#include "syncmp3/syncmp3_file.h"

namespace vexalo {

inline constexpr char kDefaultLyricsLanguage[] = "eng";
constexpr unsigned char kSyltMillisFormat = 2;
constexpr unsigned char kSyltLyricsType = 1;

enum : unsigned char {
  kId3Latin1 = 0,
  kId3Utf16 = 1,    // with a byte-order mark
  kId3Utf16Be = 2,  // v2.4 only
  kId3Utf8 = 3,     // v2.4 only
};

// A lyrics frame's language and description: ID3 keeps one frame per pair, and this program's
// frames are the ones with its language and an empty description.
struct LyricsFrameKey {
  std::string language = kDefaultLyricsLanguage;  // three ASCII letters
  std::string description;                        // UTF-8
  bool operator==(const LyricsFrameKey&) const = default;
};

// Three ASCII letters in lower case, or "eng" for anything else.
std::string LyricsLanguageOrDefault(std::string_view language);

// SYLT body: encoding, language, format 2 (milliseconds), type 1 (lyrics), the description, then
// per group in time order its text without tags (lines joined by LF; each entry after the
// first begins with LF) and its start time.
std::string BuildSyltBody(std::string_view editorText, const LyricsFrameKey& key = {});
// USLT body: encoding, language, description, the lyrics as plain LRC with LF line breaks.
std::string BuildUsltBody(std::string_view editorText, const LrcTags& tags, const LyricsFrameKey& key = {});

// A whole frame: identifier, size (plain 32-bit in v2.3, syncsafe in v2.4), flags 0, body.
std::string BuildId3Frame(std::string_view id, std::string_view body, int majorVersion = 3);

// What SyncMP3 save writes besides the TXXX frame.
struct LyricsFramesChoice {
  bool sylt = true;
  bool uslt = true;
  LyricsFrameKey key;
};
// The SYLT and USLT frames (v2.3) of the editor-form lyrics as chosen, in that order, replacing
// the source's frames of the same kind, language and description: so saving again replaces
// this program's frames, while other languages and descriptions are carried. A SYLT is written
// only for lyrics with a time tag, a USLT only for lyrics at all; the source's frame of the
// chosen key goes in either case, since it would no longer match the lyrics.
SyncMp3ExtraFrames LyricsFramesForSave(std::string_view editorText, const LrcTags& tags,
                                       const LyricsFramesChoice& choice);
// The language and description of a SYLT or USLT frame from the first bytes of its data, or
// nullopt when they do not hold them.
std::optional<LyricsFrameKey> LyricsFrameKeyOf(std::string_view id, std::string_view dataHead);

struct ParsedLyricsFrame {
  LyricsFrameKey key;
  unsigned char encoding = kId3Latin1;
  unsigned char timeFormat = 0;   // SYLT only
  unsigned char contentType = 0;  // SYLT only
  std::size_t entries = 0;        // SYLT only
  bool lrc = false;               // USLT only: the text holds LRC stamps
  std::string editorText;         // the lyrics in editor form (CP949)
  LrcTags tags;                   // USLT holding LRC: its ID tags
  std::vector<char32_t> unencodable;  // characters CP949 cannot hold ('?' in their place)
};

// Reads a SYLT body into timed editor lyrics. An entry that begins a line (the first one, one
// that begins with a line break or follows one that ended with one) opens a group; other
// entries are word times inside the line, written as short tags. Frames without any line break
// take each entry as a line. False, with `why`, for a body that does not hold together or
// whose times are not milliseconds.
bool ParseSyltBody(std::string_view body, ParsedLyricsFrame& out, std::string& why);
// Reads a USLT body. LRC text becomes timed editor lyrics; other text stays as it is, untimed.
bool ParseUsltBody(std::string_view body, ParsedLyricsFrame& out, std::string& why);

}  // namespace vexalo
