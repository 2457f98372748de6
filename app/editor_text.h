// The lyrics editor's text in two forms: the control's Unicode characters with "\n" line ends,
// and the core's CP949 bytes with CR LF line ends. Maps character positions to byte offsets and
// back, so caret, line and selection indices mean the same on both sides.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vexalo::app {

// CP949 bytes (CR LF or bare line ends) to the control's UTF-8 text with "\n" line ends.
std::string EditorTextFromCp949(const std::string& cp949);

struct EditorBytes {
  std::string cp949;                 // CR LF line ends
  std::vector<char32_t> unencodable;  // characters CP949 cannot hold, in order
};
// The control's characters to CP949 bytes.
EditorBytes EditorTextToCp949(const std::u32string& text);

// Byte offsets of every character of an editor text as the core counts them.
class EditorOffsets {
 public:
  explicit EditorOffsets(const std::u32string& text);

  std::size_t CharCount() const { return m_offsets.size() - 1; }
  std::size_t ByteCount() const { return m_offsets.back(); }
  // Byte offset of character `index` (clamped to the end).
  int ByteOfChar(long index) const;
  // The character that holds byte `offset` (clamped; an offset inside a two-byte character maps
  // to that character).
  long CharOfByte(int offset) const;
  // Zero-based line of character `index`.
  int LineOfChar(long index) const;
  // Byte offset of the first character of `line`, -1 when there is no such line.
  int LineIndex(int line) const;

 private:
  std::vector<int> m_offsets;     // m_offsets[i] = byte offset of character i; last = total
  std::vector<long> m_lineStarts;  // character index of each line's first character
};

// Bytes character `index` takes in the core's text (a "\n" counts as CR LF). The
// text around it matters for the editor tag marks, which are single bytes only inside a tag.
int CharByteLength(const std::u32string& text, std::size_t index);

}  // namespace vexalo::app
