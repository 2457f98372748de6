#include "sync/sync_text.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "common/cp949_chars.h"

namespace vexalo {

namespace {

constexpr unsigned char kMark = kStoredMarkLead;
constexpr unsigned char kLongOpen = kStoredLongOpen;
constexpr unsigned char kClose = kStoredClose;

// The text up to its first zero byte, as a zero-terminated buffer would hold it.
std::string_view UpToZero(std::string_view text) {
  const auto zero = text.find('\0');
  return zero == std::string_view::npos ? text : text.substr(0, zero);
}

// Reads byte k, or 0 past the end: the conversions work in zeroed areas.
struct Bytes {
  std::string_view s;
  unsigned char operator[](std::size_t k) const {
    return k < s.size() ? static_cast<unsigned char>(s[k]) : 0;
  }
};

int TwoDigitNumber(unsigned char a, unsigned char b) {
  auto digit = [](unsigned char c) { return c >= '0' && c <= '9'; };
  if (!digit(a)) return 0;
  if (!digit(b)) return a - '0';
  return (a - '0') * 10 + (b - '0');
}

}  // namespace

// Both conversions walk the text character by character: a tag is looked for only where a
// character begins. The bytes after a tag's closing mark (normally CR LF) are copied unexamined,
// two of them, or three when the second begins a two-byte character.
void StoredToEditorForm(std::string& text) {
  const std::string copy(UpToZero(text));
  const std::size_t n = copy.size();
  std::string out;
  out.reserve(n);
  for (std::size_t i = 0; i < n;) {
    const std::size_t longTag = StoredLongTagAt(copy, i);
    const std::size_t tag = longTag != 0 ? longTag : StoredShortTagAt(copy, i);
    if (tag != 0) {
      out.push_back(static_cast<char>(longTag != 0 ? kEditorLongOpen : kEditorShortOpen));
      out.append(copy, i + 2, tag - 4);
      out.push_back(static_cast<char>(kEditorClose));
      const std::size_t end = PastBytes(copy, i + tag, 2);
      out.append(copy, i + tag, end - (i + tag));
      i = end;
    } else {
      const std::size_t next = NextCharacter(copy, i);
      out.append(copy, i, next - i);
      i = next;
    }
  }
  text = std::move(out);
}

bool EditorToStoredForm(std::string& text) {
  const std::string_view source = UpToZero(text);
  const std::size_t n = source.size();
  std::string out;
  out.reserve(n + n / 5);
  for (std::size_t i = 0; i < n;) {
    const std::size_t longTag = EditorLongTagAt(source, i);
    const std::size_t tag = longTag != 0 ? longTag : EditorShortTagAt(source, i);
    if (tag != 0) {
      out.push_back(static_cast<char>(kStoredMarkLead));
      out.push_back(static_cast<char>(longTag != 0 ? kStoredLongOpen : kStoredShortOpen));
      out.append(source.substr(i + 1, tag - 2));
      out.push_back(static_cast<char>(kStoredMarkLead));
      out.push_back(static_cast<char>(kStoredClose));
      const std::size_t end = PastBytes(source, i + tag, 2);
      out.append(source.substr(i + tag, end - (i + tag)));
      i = end;
    } else {
      const std::size_t next = NextCharacter(source, i);
      out.append(source.substr(i, next - i));
      i = next;
    }
    // Refused rather than cut: a cut would silently lose the end of the user's lyrics.
    if (out.size() > kMaxLyricsTextBytes) return false;
  }
  text = std::move(out);
  return true;
}

bool BuildSyncBlock(std::string_view stored, std::span<unsigned char, kSyncBlockBytes> block,
                    std::string& errorText) {
  // The lyrics buffer is a 30,720-byte area: the scan never looks past it.
  const std::string_view text = UpToZero(stored).substr(0, kSyncTextAreaBytes);
  const Bytes in{text};
  constexpr std::size_t kArea = kSyncTextAreaBytes;
  constexpr std::size_t kMaxGroupText = 512;

  if (in[0] == 0) {
    errorText = kTextDataError000;
    return false;
  }

  // Every entry consumes at least 8 bytes of the 30,720-byte area, so it holds at most 3,840.
  std::array<std::uint32_t, kMaxSyncEntries> times{};
  std::array<std::uint16_t, kMaxSyncEntries> lengths{};
  std::string texts;
  int count = 0;
  std::size_t pos = 0;
  do {
    if (pos >= kArea) break;
    if (!(in[pos] == kMark && in[pos + 1] == kLongOpen)) {
      errorText = kTextDataError000;
      return false;
    }
    const int hh = TwoDigitNumber(in[pos + 2], in[pos + 3]);
    const int mm = TwoDigitNumber(in[pos + 4], in[pos + 5]);
    const int ss = TwoDigitNumber(in[pos + 6], in[pos + 7]);
    times[count] = static_cast<std::uint32_t>(hh * 3600 + mm * 60 + ss);
    // Stepping by characters keeps the group's text on character boundaries even when the
    // tag's digits are not digits.
    pos = PastBytes(text, pos, (in[pos + 8] == '\r' && in[pos + 9] == '\n') ? 10 : 8);
    std::size_t copied = 0;
    // A group ends where a character 0xA2 0xE2 begins, never at a trail byte 0xA2. A character
    // that would pass 512 bytes is left for the next pass, which then meets no tag (error 000).
    while (pos < text.size() && !(in[pos] == kMark && in[pos + 1] == kLongOpen)) {
      const std::size_t next = NextCharacter(text, pos);
      if (copied + (next - pos) > kMaxGroupText) break;
      texts.append(text.substr(pos, next - pos));
      copied += next - pos;
      pos = next;
    }
    lengths[count] = static_cast<std::uint16_t>(copied);
    ++count;
  } while (in[pos] != 0);

  const std::size_t total = kSyncHeaderBytes + 8u * count + texts.size();
  // A block that cannot fit the block buffer is not written at all (never cut): the lyrics
  // reached the area's end, so this is reported as the 999 error.
  if (total > kSyncBlockBytes) {
    errorText = kTextDataError999;
    return false;
  }

  std::fill(block.begin(), block.end(), 0);
  unsigned char* b = block.data();
  b[0] = 'S';
  b[1] = 'O';
  WriteLe32(b + 2, kSyncMagic);
  WriteLe32(b + 6, static_cast<std::uint32_t>(total));
  WriteLe32(b + 10, static_cast<std::uint32_t>(count));
  for (int i = 0; i < count; ++i) {
    WriteLe32(b + kSyncHeaderBytes + 4 * i, times[i]);
    WriteLe16(b + kSyncHeaderBytes + 4 * count + 4 * i, 0);
    WriteLe16(b + kSyncHeaderBytes + 4 * count + 4 * i + 2, lengths[i]);
  }
  if (!texts.empty()) std::memcpy(b + kSyncHeaderBytes + 8 * count, texts.data(), texts.size());

  if (pos >= kArea) {
    errorText = kTextDataError999;
    return false;
  }
  return true;
}

bool BuildSyncBlock(std::string_view stored, std::string& errorText) {
  return BuildSyncBlock(stored, SyncBlockBuffer, errorText);
}

int FormatSyncLine(int i, std::span<unsigned char, kSyncTagOutBytes> tagOut, int& tagLength,
                   std::span<unsigned char, kSyncLineTextBytes> textOut) {
  SyncEntry entry;
  if (!SharedSyncTable.Entry(i, entry)) return -1;
  const bool last = i == SharedSyncTable.Count() - 1;

  const std::uint32_t s = entry.startSeconds;
  tagOut[0] = kMark;
  tagOut[1] = kLongOpen;
  auto two = [&](std::size_t at, std::uint32_t v) {
    v %= 100;
    tagOut[at] = static_cast<unsigned char>('0' + v / 10);
    tagOut[at + 1] = static_cast<unsigned char>('0' + v % 10);
  };
  two(2, s / 3600);
  two(4, (s % 3600) / 60);
  two(6, s % 60);

  // Texts of up to 512 bytes (every group the builder makes) come back whole. A longer one,
  // from a block made elsewhere, is cut to 510, which leaves room for a CR LF.
  const bool tooLong = entry.length > kSyncLineTextBytes;
  static_assert(kSyncLookupBytes == kSyncLineTextBytes);
  const std::size_t length = entry.copied;  // all of the text, or its first 512 bytes
  tagLength = 0;
  if (length == 0) return 0;

  const unsigned char* t = entry.text.data();
  std::size_t skip = 0;
  // The marks are looked for only inside the entry's own text, never in the bytes after it.
  if (length >= 6 && t[2] == kMark && t[3] == kClose && t[4] == '\r' && t[5] == '\n') {
    std::memcpy(tagOut.data() + 8, t, 6);
    tagLength = 14;
    skip = 6;
  } else if (length >= 4 && t[2] == kMark && t[3] == kClose) {
    std::memcpy(tagOut.data() + 8, t, 4);
    tagLength = 12;
    skip = 4;
  } else {
    const unsigned char tail[6] = {'0', '0', kMark, kClose, '\r', '\n'};
    std::memcpy(tagOut.data() + 8, tail, 6);
    tagLength = 14;
  }
  std::string_view lyric(reinterpret_cast<const char*>(t) + skip, length - skip);
  // A cut never splits a character, nor leaves a CR without its LF.
  auto cutTo = [&](std::size_t most) {
    lyric = lyric.substr(0, CharacterPrefix(lyric, most));
    if (!lyric.empty() && lyric.back() == '\r') lyric.remove_suffix(1);
  };
  if (tooLong) cutTo(kSyncLineTextBytes - 2 - skip);
  // A lyric left empty by the skip gets no line break: its tag already ends the line.
  auto endsLine = [&]() {
    const std::size_t n = lyric.size();
    return (n >= 2 && lyric[n - 2] == '\r') || lyric[n - 1] == '\n';
  };
  const bool addBreak = !last && !lyric.empty() && !endsLine();
  if (addBreak && lyric.size() > kSyncLineTextBytes - 2) cutTo(kSyncLineTextBytes - 2);
  std::memcpy(textOut.data(), lyric.data(), lyric.size());
  std::size_t n = lyric.size();
  if (addBreak) {
    textOut[n++] = '\r';
    textOut[n++] = '\n';
  }
  return static_cast<int>(n);
}

std::string RebuildSyncText(bool* cut) {
  std::string out;
  if (cut != nullptr) *cut = false;
  std::array<unsigned char, kSyncTagOutBytes> tag{};
  std::array<unsigned char, kSyncLineTextBytes> line{};
  const int count = SharedSyncTable.Count();
  for (int i = 0; i < count; ++i) {
    int tagLength = 0;
    const int n = FormatSyncLine(i, tag, tagLength, line);
    if (n < 0) break;
    if (out.size() + static_cast<std::size_t>(tagLength) + static_cast<std::size_t>(n) > kMaxLyricsTextBytes) {
      if (cut != nullptr) *cut = true;
      break;
    }
    out.append(reinterpret_cast<const char*>(tag.data()), static_cast<std::size_t>(tagLength));
    out.append(reinterpret_cast<const char*>(line.data()), static_cast<std::size_t>(n));
  }
  return out;
}

std::string FileSizeOverText(std::size_t limit) {
  char text[96];
  std::snprintf(text, sizeof text, "File size Over => (%zu bytes > File Size)!!!", limit);
  return text;
}

bool ExpandSixDigitTags(std::string& stored) {
  const std::string_view source = UpToZero(stored);
  const std::size_t n = source.size();
  std::string out;
  out.reserve(n + 64);
  for (std::size_t i = 0; i < n;) {
    if (const std::size_t tag = SixDigitTagAt(source, i); tag != 0) {
      out.append(source.substr(i, tag));
      const unsigned char tail[6] = {'0', '0', kMark, kClose, '\r', '\n'};
      out.append(reinterpret_cast<const char*>(tail), 6);
      // The tag's own line break (CR LF, LF or CR) gives way to the CR LF written; whatever else
      // follows is lyric and is kept.
      i += tag + LineBreakAt(source, i + tag);
    } else {
      const std::size_t next = NextCharacter(source, i);
      out.append(source.substr(i, next - i));
      i = next;
    }
    // Refused rather than cut, like the editor-to-stored conversion.
    if (out.size() > kMaxLyricsTextBytes) return false;
  }
  stored = std::move(out);
  return true;
}

LoadedSyncText LoadSyncText(std::string_view fileBytes) {
  LoadedSyncText result;
  result.text = FileSizeOverText(kSyncTextAreaBytes);
  if (fileBytes.size() >= kSyncTextAreaBytes) return result;
  std::string text(UpToZero(fileBytes));
  if (!ExpandSixDigitTags(text)) return result;
  StoredToEditorForm(text);
  result.fits = true;
  result.text = std::move(text);
  return result;
}

}  // namespace vexalo
