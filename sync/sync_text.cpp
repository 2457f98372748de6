#include "sync/sync_text.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

namespace vexalo {

namespace {

constexpr unsigned char kMark = 0xA2;
constexpr unsigned char kLongOpen = 0xE2;
constexpr unsigned char kShortOpen = 0xD1;
constexpr unsigned char kClose = 0xD0;
constexpr unsigned char kEditorLong = 0xA7;
constexpr unsigned char kEditorShort = 0xAB;
constexpr unsigned char kEditorClose = 0xBB;

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

// Appends the bytes [from, from + n) that exist; past the end the zeroed area would end the text.
void AppendExisting(std::string& out, std::string_view in, std::size_t from, std::size_t n) {
  if (from >= in.size()) return;
  out.append(in.substr(from, n));
}

int TwoDigitNumber(unsigned char a, unsigned char b) {
  auto digit = [](unsigned char c) { return c >= '0' && c <= '9'; };
  if (!digit(a)) return 0;
  if (!digit(b)) return a - '0';
  return (a - '0') * 10 + (b - '0');
}

}  // namespace

void StoredToEditorForm(std::string& text) {
  const std::string copy(UpToZero(text));
  const Bytes in{copy};
  const std::size_t n = copy.size();
  std::string out;
  out.reserve(n);
  for (std::size_t i = 0; i < n;) {
    if (in[i] == kMark && in[i + 1] == kLongOpen && in[i + 10] == kMark && in[i + 11] == kClose) {
      out.push_back(static_cast<char>(kEditorLong));
      out.append(copy, i + 2, 8);
      out.push_back(static_cast<char>(kEditorClose));
      AppendExisting(out, copy, i + 12, 2);
      i += 14;
    } else if (in[i] == kMark && in[i + 1] == kShortOpen && in[i + 8] == kMark &&
               in[i + 9] == kClose) {
      out.push_back(static_cast<char>(kEditorShort));
      out.append(copy, i + 2, 6);
      out.push_back(static_cast<char>(kEditorClose));
      AppendExisting(out, copy, i + 10, 2);
      i += 12;
    } else {
      out.push_back(copy[i]);
      i += 1;
    }
  }
  text = std::move(out);
}

bool EditorToStoredForm(std::string& text) {
  const std::string_view source = UpToZero(text);
  const Bytes in{source};
  const std::size_t n = source.size();
  std::string out;
  out.reserve(n + n / 5);
  for (std::size_t i = 0; i < n;) {
    if (in[i] == kEditorLong && in[i + 9] == kEditorClose) {
      out.push_back(static_cast<char>(kMark));
      out.push_back(static_cast<char>(kLongOpen));
      out.append(source.substr(i + 1, 8));
      out.push_back(static_cast<char>(kMark));
      out.push_back(static_cast<char>(kClose));
      AppendExisting(out, source, i + 10, 2);
      i += 12;
    } else if (in[i] == kEditorShort && in[i + 7] == kEditorClose) {
      out.push_back(static_cast<char>(kMark));
      out.push_back(static_cast<char>(kShortOpen));
      out.append(source.substr(i + 1, 6));
      out.push_back(static_cast<char>(kMark));
      out.push_back(static_cast<char>(kClose));
      AppendExisting(out, source, i + 8, 2);
      i += 10;
    } else {
      out.push_back(source[i]);
      i += 1;
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
    pos += (in[pos + 8] == '\r' && in[pos + 9] == '\n') ? 10 : 8;
    std::size_t copied = 0;
    if (!(in[pos] == 0 || (in[pos] == kMark && in[pos + 1] == kLongOpen))) {
      while (!(in[pos] == kMark && in[pos + 1] == kLongOpen) && pos < kArea && in[pos] != 0 &&
             copied < kMaxGroupText) {
        texts.push_back(static_cast<char>(in[pos]));
        ++pos;
        ++copied;
      }
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

  std::size_t length = entry.length >= 512 ? 510 : entry.length;
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
  length -= skip;
  // A 511-byte text that needs CR LF appended is cut to 510 so both fit the 512-byte line.
  if (!last && length > kSyncLineTextBytes - 2) length = kSyncLineTextBytes - 2;
  if (length != 0) std::memcpy(textOut.data(), t + skip, length);
  // A lyric left empty by the skip gets no line break: its tag already ends the line.
  if (!last && length != 0) {
    const bool endsCr = length >= 2 && textOut[length - 2] == '\r';
    const bool endsLf = textOut[length - 1] == '\n';
    if (!endsCr && !endsLf) {
      textOut[length] = '\r';
      textOut[length + 1] = '\n';
      length += 2;
    }
  }
  return static_cast<int>(length);
}

std::string RebuildSyncText() {
  std::string out;
  std::array<unsigned char, kSyncTagOutBytes> tag{};
  std::array<unsigned char, kSyncLineTextBytes> line{};
  const int count = SharedSyncTable.Count();
  for (int i = 0; i < count; ++i) {
    int tagLength = 0;
    const int n = FormatSyncLine(i, tag, tagLength, line);
    if (n < 0) break;
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
  const Bytes in{source};
  const std::size_t n = source.size();
  std::string out;
  out.reserve(n + 64);
  for (std::size_t i = 0; i < n;) {
    // Only a tag whose ten bytes are all there is expanded; a cut-off one at the very end is
    // kept as it is rather than padded with zero bytes that would end the text.
    if (in[i] == kMark && in[i + 1] == kLongOpen && i + 10 <= n &&
        !(in[i + 10] == kMark && in[i + 11] == kClose)) {
      out.append(source.substr(i, 8));
      const unsigned char tail[6] = {'0', '0', kMark, kClose, '\r', '\n'};
      out.append(reinterpret_cast<const char*>(tail), 6);
      i += 10;
    } else {
      out.push_back(source[i]);
      i += 1;
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
