#include "app/editor_text.h"

#include <algorithm>
#include <unordered_map>

#include "common/text_codec.h"

namespace vexalo::app {

namespace {

constexpr char32_t kLongMark = 0xA7;
constexpr char32_t kShortMark = 0xAB;
constexpr char32_t kCloseMark = 0xBB;
constexpr char32_t kEscapeFirst = 0xF780;  // escapes of bytes 0x80..0xFF that are not CP949
constexpr char32_t kEscapeLast = 0xF7FF;

bool IsDigitChar(char32_t c) { return c >= U'0' && c <= U'9'; }

// Length of the editor tag that opens at text[i] (mark, digits, closing mark), or 0.
std::size_t TagLengthAt(const std::u32string& text, std::size_t i) {
  std::size_t digits;
  if (text[i] == kLongMark) {
    digits = 8;
  } else if (text[i] == kShortMark) {
    digits = 6;
  } else {
    return 0;
  }
  if (i + digits + 2 > text.size()) return 0;
  for (std::size_t k = 1; k <= digits; ++k)
    if (!IsDigitChar(text[i + k])) return 0;
  return text[i + digits + 1] == kCloseMark ? digits + 2 : 0;
}

int EncodedLength(char32_t c) {
  static thread_local std::unordered_map<char32_t, int> cache;
  auto it = cache.find(c);
  if (it != cache.end()) return it->second;
  std::string utf8;
  AppendUtf8(utf8, c);
  const int n = static_cast<int>(EncodeCp949(utf8).bytes.size());
  cache.emplace(c, n);
  return n;
}

}  // namespace

std::string EditorTextFromCp949(const std::string& cp949) {
  // CR and LF are ASCII and never CP949 trail bytes, so line ends can be rewritten first.
  std::string lf;
  lf.reserve(cp949.size());
  for (std::size_t i = 0; i < cp949.size(); ++i) {
    if (cp949[i] == '\r') {
      lf.push_back('\n');
      if (i + 1 < cp949.size() && cp949[i + 1] == '\n') ++i;
    } else {
      lf.push_back(cp949[i]);
    }
  }
  return DecodeCp949(lf).utf8;
}

EditorBytes EditorTextToCp949(const std::u32string& text) {
  std::string utf8;
  utf8.reserve(text.size() + text.size() / 2);
  for (char32_t c : text) {
    if (c == U'\n') {
      utf8 += "\r\n";
    } else {
      AppendUtf8(utf8, c);
    }
  }
  Cp949Encoded encoded = EncodeCp949(utf8);
  return EditorBytes{std::move(encoded.bytes), std::move(encoded.unencodable)};
}

int CharByteLength(const std::u32string& text, std::size_t index) {
  const char32_t c = text[index];
  if (c == U'\n') return 2;
  if (c < 0x80) return 1;
  if (c >= kEscapeFirst && c <= kEscapeLast) return 1;
  if (c == kLongMark || c == kShortMark) {
    if (TagLengthAt(text, index) != 0) return 1;
  } else if (c == kCloseMark) {
    // A closing mark is one byte when it ends a tag that opens 7 or 9 characters earlier.
    if (index >= 7 && text[index - 7] == kShortMark && TagLengthAt(text, index - 7) == 8) return 1;
    if (index >= 9 && text[index - 9] == kLongMark && TagLengthAt(text, index - 9) == 10) return 1;
  }
  return EncodedLength(c);
}

EditorOffsets::EditorOffsets(const std::u32string& text) {
  m_offsets.resize(text.size() + 1);
  m_lineStarts.push_back(0);
  int offset = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    m_offsets[i] = offset;
    offset += CharByteLength(text, i);
    if (text[i] == U'\n') m_lineStarts.push_back(static_cast<long>(i + 1));
  }
  m_offsets[text.size()] = offset;
}

int EditorOffsets::ByteOfChar(long index) const {
  if (index < 0) return 0;
  const auto i = std::min(static_cast<std::size_t>(index), CharCount());
  return m_offsets[i];
}

long EditorOffsets::CharOfByte(int offset) const {
  if (offset <= 0) return 0;
  if (offset >= static_cast<int>(ByteCount())) return static_cast<long>(CharCount());
  // The last character whose first byte is at or before the offset.
  auto it = std::upper_bound(m_offsets.begin(), m_offsets.end(), offset);
  return static_cast<long>(it - m_offsets.begin()) - 1;
}

int EditorOffsets::LineOfChar(long index) const {
  auto it = std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), index);
  return static_cast<int>(it - m_lineStarts.begin()) - 1;
}

int EditorOffsets::LineIndex(int line) const {
  if (line < 0 || line >= static_cast<int>(m_lineStarts.size())) return -1;
  return ByteOfChar(m_lineStarts[static_cast<std::size_t>(line)]);
}

}  // namespace vexalo::app
