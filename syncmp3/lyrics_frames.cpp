#include "syncmp3/lyrics_frames.h"

#include <algorithm>
#include <optional>

#include "common/text_codec.h"
#include "sync/lyrics_file_text.h"
#include "sync/timed_lyrics.h"

namespace vexalo {

namespace {

unsigned char Byte(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }

bool IsBreak(char c) { return c == '\r' || c == '\n'; }

// The frame's strings in one encoding: ISO-8859-1 when every one of them fits, else UTF-16.
struct FrameStrings {
  unsigned char encoding = kId3Latin1;
  std::vector<std::string> encoded;  // each without terminator
};

FrameStrings EncodeStrings(const std::vector<std::string>& utf8) {
  FrameStrings result;
  for (const std::string& s : utf8) {
    std::optional<std::string> latin1 = Utf8ToLatin1(s);
    if (!latin1) {
      result.encoding = kId3Utf16;
      break;
    }
    result.encoded.push_back(std::move(*latin1));
  }
  if (result.encoding == kId3Utf16) {
    result.encoded.clear();
    for (const std::string& s : utf8) result.encoded.push_back("\xFF\xFE" + Utf8ToUtf16(s, false));
  }
  return result;
}

std::string Terminator(unsigned char encoding) {
  return encoding == kId3Utf16 || encoding == kId3Utf16Be ? std::string(2, '\0') : std::string(1, '\0');
}

std::string Cp949ToUtf8Text(std::string_view cp949) { return DecodeCp949(cp949).utf8; }

// One string of the frame's encoding from `pos`: up to its terminator, or to the end when
// `terminated` is false or no terminator comes. Returns UTF-8; pos moves past the terminator.
bool ReadString(std::string_view body, std::size_t& pos, unsigned char encoding, bool terminated,
                std::string& utf8) {
  const bool wide = encoding == kId3Utf16 || encoding == kId3Utf16Be;
  std::size_t end = pos;
  std::size_t next = body.size();
  if (wide) {
    while (end + 1 < body.size() && !(body[end] == '\0' && body[end + 1] == '\0')) end += 2;
    if (end + 1 < body.size()) {
      next = end + 2;
    } else {
      if (terminated) return false;
      end = body.size();
    }
  } else {
    end = body.find('\0', pos);
    if (end == std::string_view::npos) {
      if (terminated) return false;
      end = body.size();
    } else {
      next = end + 1;
    }
  }
  std::string_view raw = body.substr(pos, end - pos);
  pos = next;
  switch (encoding) {
    case kId3Latin1:
      utf8 = Latin1ToUtf8(raw);
      break;
    case kId3Utf16: {
      bool bigEndian = false;
      if (raw.size() >= 2 && Byte(raw, 0) == 0xFE && Byte(raw, 1) == 0xFF) {
        bigEndian = true;
        raw.remove_prefix(2);
      } else if (raw.size() >= 2 && Byte(raw, 0) == 0xFF && Byte(raw, 1) == 0xFE) {
        raw.remove_prefix(2);
      }
      utf8 = Utf16ToUtf8(raw, bigEndian);
      break;
    }
    case kId3Utf16Be:
      if (raw.size() >= 2 && Byte(raw, 0) == 0xFE && Byte(raw, 1) == 0xFF) raw.remove_prefix(2);
      utf8 = Utf16ToUtf8(raw, true);
      break;
    default:
      utf8 = std::string(raw);
      break;
  }
  return true;
}

// Encoding, language and description: the head both frames share (SYLT has two bytes between
// language and description, given as `between`).
bool ReadHead(std::string_view body, std::size_t between, ParsedLyricsFrame& out, std::size_t& pos,
              std::string& why) {
  if (body.size() < 4 + between) {
    why = "the frame is too short";
    return false;
  }
  out.encoding = Byte(body, 0);
  if (out.encoding > kId3Utf8) {
    why = "the frame names an unknown text encoding";
    return false;
  }
  out.key.language = LyricsLanguageOrDefault(body.substr(1, 3));
  pos = 4 + between;
  if (!ReadString(body, pos, out.encoding, true, out.key.description)) {
    why = "the frame's description has no end";
    return false;
  }
  return true;
}

std::string ToCp949(const std::string& utf8, ParsedLyricsFrame& out) {
  Cp949Encoded encoded = EncodeCp949(utf8);
  out.unencodable.insert(out.unencodable.end(), encoded.unencodable.begin(), encoded.unencodable.end());
  return std::move(encoded.bytes);
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

}  // namespace

std::string LyricsLanguageOrDefault(std::string_view language) {
  if (language.size() != 3) return kDefaultLyricsLanguage;
  std::string out;
  for (char c : language) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c < 'a' || c > 'z') return kDefaultLyricsLanguage;
    out.push_back(c);
  }
  return out;
}

std::string BuildSyltBody(std::string_view editorText, const LyricsFrameKey& key) {
  const std::vector<PlainTimedText> groups = PlainGroupsInTimeOrder(editorText);
  std::vector<std::string> strings;
  strings.reserve(groups.size() + 1);
  strings.push_back(key.description);
  for (std::size_t k = 0; k < groups.size(); ++k)
    strings.push_back((k == 0 ? "" : "\n") + Cp949ToUtf8Text(groups[k].text));
  const FrameStrings encoded = EncodeStrings(strings);
  const std::string end = Terminator(encoded.encoding);

  std::string body;
  body.push_back(static_cast<char>(encoded.encoding));
  body += LyricsLanguageOrDefault(key.language);
  body.push_back(static_cast<char>(kSyltMillisFormat));
  body.push_back(static_cast<char>(kSyltLyricsType));
  body += encoded.encoded[0] + end;
  for (std::size_t k = 0; k < groups.size(); ++k) {
    body += encoded.encoded[k + 1] + end;
    const std::uint32_t t = groups[k].millis;
    body.push_back(static_cast<char>(t >> 24));
    body.push_back(static_cast<char>(t >> 16 & 0xFF));
    body.push_back(static_cast<char>(t >> 8 & 0xFF));
    body.push_back(static_cast<char>(t & 0xFF));
  }
  return body;
}

std::string BuildUsltBody(std::string_view editorText, const LrcTags& tags, const LyricsFrameKey& key) {
  const std::string lrc = EditorFormToLrc(editorText, tags, LrcStyle::kPlain, "\n");
  const FrameStrings encoded = EncodeStrings({key.description, Cp949ToUtf8Text(lrc)});
  std::string body;
  body.push_back(static_cast<char>(encoded.encoding));
  body += LyricsLanguageOrDefault(key.language);
  body += encoded.encoded[0] + Terminator(encoded.encoding);
  body += encoded.encoded[1];
  return body;
}

std::string BuildId3Frame(std::string_view id, std::string_view body, int majorVersion) {
  std::string frame(id.substr(0, 4));
  frame.resize(4, ' ');
  const std::uint32_t n = static_cast<std::uint32_t>(body.size());
  if (majorVersion == 4) {
    for (int shift : {21, 14, 7, 0}) frame.push_back(static_cast<char>(n >> shift & 0x7F));
  } else {
    for (int shift : {24, 16, 8, 0}) frame.push_back(static_cast<char>(n >> shift & 0xFF));
  }
  frame.append(2, '\0');
  frame.append(body);
  return frame;
}

std::optional<LyricsFrameKey> LyricsFrameKeyOf(std::string_view id, std::string_view dataHead) {
  if (id != "SYLT" && id != "USLT") return std::nullopt;
  ParsedLyricsFrame parsed;
  std::size_t pos = 0;
  std::string why;
  if (!ReadHead(dataHead, id == "SYLT" ? 2 : 0, parsed, pos, why)) return std::nullopt;
  // The language as the frame holds it, so that only a frame of exactly this key is replaced.
  parsed.key.language = std::string(dataHead.substr(1, 3));
  for (char& c : parsed.key.language)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return parsed.key;
}

SyncMp3ExtraFrames LyricsFramesForSave(std::string_view editorText, const LrcTags& tags,
                                       const LyricsFramesChoice& choice) {
  SyncMp3ExtraFrames extra;
  LyricsFrameKey key = choice.key;
  key.language = LyricsLanguageOrDefault(key.language);
  if (choice.sylt && !ReadTimedLyrics(editorText).groups.empty())
    extra.frames += BuildId3Frame("SYLT", BuildSyltBody(editorText, key));
  if (choice.uslt && !editorText.empty()) extra.frames += BuildId3Frame("USLT", BuildUsltBody(editorText, tags, key));
  const bool sylt = choice.sylt, uslt = choice.uslt;
  extra.replaces = [key, sylt, uslt](std::string_view id, std::string_view head) {
    if (!((id == "SYLT" && sylt) || (id == "USLT" && uslt))) return false;
    const std::optional<LyricsFrameKey> found = LyricsFrameKeyOf(id, head);
    return found && *found == key;
  };
  return extra;
}

bool ParseSyltBody(std::string_view body, ParsedLyricsFrame& out, std::string& why) {
  out = ParsedLyricsFrame{};
  std::size_t pos = 0;
  if (!ReadHead(body, 2, out, pos, why)) return false;
  out.timeFormat = Byte(body, 4);
  out.contentType = Byte(body, 5);
  if (out.timeFormat != kSyltMillisFormat) {
    why = "its times are MPEG frames, not milliseconds";
    return false;
  }
  struct Entry {
    std::uint32_t millis;
    std::string text;
  };
  std::vector<Entry> entries;
  while (pos < body.size()) {
    Entry entry;
    if (!ReadString(body, pos, out.encoding, true, entry.text) || pos + 4 > body.size()) {
      why = "entry " + std::to_string(entries.size() + 1) + " is cut off";
      return false;
    }
    entry.millis = static_cast<std::uint32_t>(Byte(body, pos)) << 24 | Byte(body, pos + 1) << 16 |
                   Byte(body, pos + 2) << 8 | Byte(body, pos + 3);
    pos += 4;
    entries.push_back(std::move(entry));
  }
  out.entries = entries.size();
  const bool anyBreak = std::any_of(entries.begin(), entries.end(), [](const Entry& e) {
    return e.text.find_first_of("\r\n") != std::string::npos;
  });

  struct Group {
    std::uint32_t millis;
    std::vector<std::string> lines;
  };
  std::vector<Group> groups;
  bool lineEnded = true;
  for (Entry& entry : entries) {
    std::string_view text = entry.text;
    const bool startsLine = !anyBreak || groups.empty() || lineEnded || (!text.empty() && IsBreak(text[0]));
    if (!text.empty() && IsBreak(text[0]))
      text.remove_prefix(text.size() > 1 && text[0] == '\r' && text[1] == '\n' ? 2 : 1);
    lineEnded = !text.empty() && IsBreak(text.back());
    while (!text.empty() && IsBreak(text.back())) text.remove_suffix(1);
    const std::uint32_t millis = std::min(entry.millis, kMaxLongTagMillis);
    std::vector<std::string> lines;
    for (std::string_view line : SplitLines(text).lines) lines.push_back(ToCp949(std::string(line), out));
    if (startsLine) {
      groups.push_back(Group{millis, std::move(lines)});
      continue;
    }
    Group& group = groups.back();
    if (group.lines.empty()) group.lines.emplace_back();
    group.lines.back() += EditorShortTag(millis);
    if (!lines.empty()) {
      group.lines.back() += lines.front();
      group.lines.insert(group.lines.end(), std::make_move_iterator(lines.begin() + 1),
                         std::make_move_iterator(lines.end()));
    }
  }
  for (const Group& group : groups) {
    out.editorText += EditorLongTag(group.millis) + "\r\n";
    out.editorText += JoinLines(group.lines);
  }
  return true;
}

bool ParseUsltBody(std::string_view body, ParsedLyricsFrame& out, std::string& why) {
  out = ParsedLyricsFrame{};
  std::size_t pos = 0;
  if (!ReadHead(body, 0, out, pos, why)) return false;
  std::string utf8;
  ReadString(body, pos, out.encoding, false, utf8);
  const std::string text = ToCp949(utf8, out);
  if (HasLrcStamps(text)) {
    LrcImport imported = LrcToEditorForm(text);
    out.lrc = true;
    out.editorText = std::move(imported.editorText);
    out.tags = std::move(imported.tags);
    return true;
  }
  std::vector<std::string> lines;
  for (std::string_view line : SplitLines(text).lines) lines.emplace_back(line);
  out.editorText = JoinLines(lines);
  return true;
}

}  // namespace vexalo
