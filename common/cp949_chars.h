// Stepping through CP949 text one character at a time, and the time tags as they stand at a
// character. Every scan for tag marks steps with NextCharacter, so that a mark byte inside a
// two-byte character (the trail byte of B0 AB, or the lead byte of BB E7) is never taken for one.
#pragma once

#include <cstddef>
#include <string_view>

namespace vexalo {

// Tag mark bytes. Stored form: 0xA2 0xE2 opens a long tag, 0xA2 0xD1 a short one, 0xA2 0xD0
// closes both. Editor form: 0xA7 and 0xAB open, 0xBB closes.
constexpr unsigned char kStoredMarkLead = 0xA2;
constexpr unsigned char kStoredLongOpen = 0xE2;
constexpr unsigned char kStoredShortOpen = 0xD1;
constexpr unsigned char kStoredClose = 0xD0;
constexpr unsigned char kEditorLongOpen = 0xA7;
constexpr unsigned char kEditorShortOpen = 0xAB;
constexpr unsigned char kEditorClose = 0xBB;

// Where the character that begins at byte i ends: a byte below 0x80 is one character, a byte of
// 0x80 or more begins a two-byte character. A lead byte at the very end stands alone.
constexpr std::size_t NextCharacter(std::string_view text, std::size_t i) {
  if (i >= text.size()) return text.size();
  const bool pair = static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size();
  return i + (pair ? 2 : 1);
}

// The end of the characters that hold the `count` bytes from byte i (a character boundary):
// count bytes on, or one more when the last of them begins a two-byte character.
std::size_t PastBytes(std::string_view text, std::size_t i, std::size_t count);

// The longest prefix of at most `limit` bytes that ends on a character boundary.
std::size_t CharacterPrefix(std::string_view text, std::size_t limit);

// Tags that begin at byte i, a character boundary. Each gives the bytes from the opening mark to
// the closing mark, both included, or 0 when there is no such tag; every digit must be a digit.
std::size_t StoredLongTagAt(std::string_view text, std::size_t i);   // 0xA2 0xE2, 8 digits, 0xA2 0xD0
std::size_t StoredShortTagAt(std::string_view text, std::size_t i);  // 0xA2 0xD1, 6 digits, 0xA2 0xD0
std::size_t EditorLongTagAt(std::string_view text, std::size_t i);   // 0xA7, 8 digits, 0xBB
std::size_t EditorShortTagAt(std::string_view text, std::size_t i);  // 0xAB, 6 digits, 0xBB
// A six-digit long tag: 0xA2 0xE2 and the digits HHMMSS, without the two further bytes and
// closing mark of a long tag. Gives 8 (the mark and the digits), or 0.
std::size_t SixDigitTagAt(std::string_view text, std::size_t i);

// The line break at byte i: 2 for CR LF, 1 for a lone LF or CR, 0 for none.
std::size_t LineBreakAt(std::string_view text, std::size_t i);

}  // namespace vexalo
