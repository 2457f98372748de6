#include "common/cp949_chars.h"

namespace vexalo {

namespace {

unsigned char ByteAt(std::string_view text, std::size_t k) {
  return k < text.size() ? static_cast<unsigned char>(text[k]) : 0;
}

bool DigitsAt(std::string_view text, std::size_t from, std::size_t count) {
  if (from + count > text.size()) return false;
  for (std::size_t k = from; k < from + count; ++k)
    if (text[k] < '0' || text[k] > '9') return false;
  return true;
}

// open0 [open1], `digits` digits, close0 [close1]: the bytes of the whole tag, or 0.
std::size_t TagAt(std::string_view text, std::size_t i, std::string_view open, std::size_t digits,
                  std::string_view close) {
  if (i >= text.size() || text.substr(i, open.size()) != open) return 0;
  if (!DigitsAt(text, i + open.size(), digits)) return 0;
  const std::size_t closeAt = i + open.size() + digits;
  if (text.substr(closeAt, close.size()) != close) return 0;
  return closeAt + close.size() - i;
}

constexpr std::string_view kStoredLong = "\xA2\xE2";
constexpr std::string_view kStoredShort = "\xA2\xD1";
constexpr std::string_view kStoredEnd = "\xA2\xD0";
constexpr std::string_view kEditorLong = "\xA7";
constexpr std::string_view kEditorShort = "\xAB";
constexpr std::string_view kEditorEnd = "\xBB";

}  // namespace

std::size_t PastBytes(std::string_view text, std::size_t i, std::size_t count) {
  const std::size_t target = i + count;
  while (i < target && i < text.size()) i = NextCharacter(text, i);
  return i;
}

std::size_t CharacterPrefix(std::string_view text, std::size_t limit) {
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t next = NextCharacter(text, i);
    if (next > limit) break;
    i = next;
  }
  return i;
}

std::size_t StoredLongTagAt(std::string_view text, std::size_t i) {
  return TagAt(text, i, kStoredLong, 8, kStoredEnd);
}

std::size_t StoredShortTagAt(std::string_view text, std::size_t i) {
  return TagAt(text, i, kStoredShort, 6, kStoredEnd);
}

std::size_t EditorLongTagAt(std::string_view text, std::size_t i) {
  return TagAt(text, i, kEditorLong, 8, kEditorEnd);
}

std::size_t EditorShortTagAt(std::string_view text, std::size_t i) {
  return TagAt(text, i, kEditorShort, 6, kEditorEnd);
}

std::size_t SixDigitTagAt(std::string_view text, std::size_t i) {
  if (i >= text.size() || text.substr(i, 2) != kStoredLong || !DigitsAt(text, i + 2, 6)) return 0;
  // Bytes 10 and 11 closing it make it a long tag, whatever bytes 8 and 9 are.
  if (ByteAt(text, i + 10) == kStoredMarkLead && ByteAt(text, i + 11) == kStoredClose) return 0;
  return 8;
}

std::size_t LineBreakAt(std::string_view text, std::size_t i) {
  if (ByteAt(text, i) == '\r') return ByteAt(text, i + 1) == '\n' ? 2 : 1;
  return ByteAt(text, i) == '\n' ? 1 : 0;
}

}  // namespace vexalo
