#include "sync/sync_table.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "common/cp949_chars.h"

namespace vexalo {

unsigned char SyncBlockBuffer[kSyncBlockBytes];
SyncTable SharedSyncTable;

std::uint32_t ReadLe32(const unsigned char* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

std::uint16_t ReadLe16(const unsigned char* p) { return std::uint16_t(p[0] | p[1] << 8); }

void WriteLe32(unsigned char* p, std::uint32_t v) {
  p[0] = v & 0xFF;
  p[1] = (v >> 8) & 0xFF;
  p[2] = (v >> 16) & 0xFF;
  p[3] = (v >> 24) & 0xFF;
}

void WriteLe16(unsigned char* p, std::uint16_t v) {
  p[0] = v & 0xFF;
  p[1] = (v >> 8) & 0xFF;
}

int SyncTable::Parse(std::uint32_t expected, std::span<const unsigned char> block) {
  std::lock_guard lock(m_lock);
  m_count = -1;
  m_generation.fetch_add(1);
  const std::size_t have = std::min(block.size(), kSyncBlockBytes);
  m_header.fill(0);
  std::memcpy(m_header.data(), block.data(), std::min(have, kSyncHeaderBytes));
  m_present = true;
  if (have < kSyncHeaderBytes) return 0;

  const unsigned char* b = block.data();
  if (b[0] == 'L' && b[1] == 'A') {
    m_textSlot = SyncSlot::First;
  } else if (b[0] == 'S' && b[1] == 'O') {
    m_textSlot = SyncSlot::Second;
  } else {
    return 0;
  }
  if (ReadLe32(b + 2) != expected) return 0;

  // The block comes from files written by anyone: every table and text must lie inside both the
  // block's own total size and the bytes we were given, or the block is refused whole.
  const std::uint64_t total = ReadLe32(b + 6);
  const std::uint64_t limit = std::min<std::uint64_t>(total, have);
  const std::int32_t n = static_cast<std::int32_t>(ReadLe32(b + 10));
  if (n < 0 || n > kMaxSyncEntries) return 0;
  const std::uint64_t lengthTable = kSyncHeaderBytes + 4ull * n;
  std::uint64_t offset = kSyncHeaderBytes + 8ull * n;
  if (offset > limit) return 0;

  std::array<TextRef, kMaxSyncEntries> first{}, second{};
  for (std::int32_t i = 0; i < n; ++i) {
    const unsigned char* lengths = b + lengthTable + 4ull * i;
    const std::uint32_t l1 = ReadLe16(lengths), l2 = ReadLe16(lengths + 2);
    if (l1 != 0) {
      first[i] = {static_cast<std::uint32_t>(offset), l1};
      offset += l1;
    }
    if (l2 != 0) {
      second[i] = {static_cast<std::uint32_t>(offset), l2};
      offset += l2;
    }
    if (offset > limit) return 0;
  }

  m_block.fill(0);
  std::memcpy(m_block.data(), b, static_cast<std::size_t>(offset));
  m_first = first;
  m_second = second;
  m_count = n;
  return 1;
}

void SyncTable::Reset(int flag) {
  std::lock_guard lock(m_lock);
  if (flag != 0 && m_present) {
    m_present = false;
    m_generation.fetch_add(1);
  }
}

int SyncTable::FindLocked(std::uint32_t seconds, std::span<unsigned char> out) const {
  if (!m_present || m_count < 1) return -1;
  for (int i = 0; i < m_count; ++i) {
    if (ReadLe32(m_block.data() + kSyncHeaderBytes + 4 * i) != seconds) continue;
    const TextRef& ref = m_textSlot == SyncSlot::First ? m_first[i] : m_second[i];
    const std::size_t n = std::min<std::size_t>({ref.length, out.size(), kSyncLookupBytes});
    if (n != 0) std::memcpy(out.data(), m_block.data() + ref.offset, n);
    return static_cast<int>(n);
  }
  return -1;
}

int SyncTable::FindText(std::uint32_t seconds, std::span<unsigned char> out) const {
  std::lock_guard lock(m_lock);
  return FindLocked(seconds, out);
}

namespace {

// (hours * 60 + minutes) * 60 + seconds, in the 32 bits a start time has, without int overflow.
std::uint32_t SecondsOf(int hours, int minutes, int seconds) {
  const std::int64_t total = (std::int64_t{hours} * 60 + minutes) * 60 + seconds;
  return static_cast<std::uint32_t>(total);
}

void PutTwoDigits(unsigned char* p, int v) {
  v = ((v % 100) + 100) % 100;
  p[0] = static_cast<unsigned char>('0' + v / 10);
  p[1] = static_cast<unsigned char>('0' + v % 10);
}

}  // namespace

int SyncTable::FindTextAt(int hours, int minutes, int seconds, std::span<unsigned char> out) const {
  return FindText(SecondsOf(hours, minutes, seconds), out);
}

namespace {

// The time line keeps its 16 bytes whatever the numbers are: each field is its own digits.
void PutTimeLine(int minutes, int seconds, int millis, std::span<unsigned char, kLyricPanelBytes> out) {
  std::memset(out.data(), ' ', 6);
  PutTwoDigits(out.data() + 6, minutes);
  out[8] = ':';
  PutTwoDigits(out.data() + 9, seconds);
  out[11] = ':';
  const int ms = std::clamp(millis, 0, 999);
  out[12] = static_cast<unsigned char>('0' + ms / 100);
  out[13] = static_cast<unsigned char>('0' + (ms % 100) / 10);
  out[14] = '\r';
  out[15] = '\n';
}

// The hundredths an entry's text names in its first two bytes (as a built block has them).
int NamedHundredths(const unsigned char* text, std::size_t length) {
  auto at = [&](std::size_t k) -> int { return k < length ? text[k] : 0; };
  return (at(0) - '0') * 10 + (at(1) - '0');
}

}  // namespace

int SyncTable::FormatPanel(int hours, int minutes, int seconds, int millis,
                           std::span<unsigned char, kLyricPanelBytes> out) const {
  std::lock_guard lock(m_lock);
  if (m_count == -1) return -1;
  PutTimeLine(minutes, seconds, millis, out);

  std::array<unsigned char, kSyncLookupBytes> work{};
  const int found = FindLocked(SecondsOf(hours, minutes, seconds), work);
  if (found == -1) return -1;
  const int ms = std::clamp(millis, 0, 999);
  if (NamedHundredths(work.data(), static_cast<std::size_t>(found)) != (ms / 100) * 10) return found;
  ComposeLocked(work, static_cast<std::size_t>(found), out);
  return found;
}

int SyncTable::FormatPanelBetween(std::int64_t sinceMillis, std::int64_t nowMillis,
                                  std::span<unsigned char, kLyricPanelBytes> out) const {
  std::lock_guard lock(m_lock);
  if (m_count == -1) return -1;
  const std::int64_t now = std::max<std::int64_t>(0, nowMillis);
  PutTimeLine(static_cast<int>(now / 60000), static_cast<int>(now / 1000 % 60), static_cast<int>(now % 1000), out);
  if (!m_present) return -1;

  int best = -1;
  std::int64_t bestStart = 0;
  for (int i = 0; i < m_count; ++i) {
    const TextRef& ref = m_textSlot == SyncSlot::First ? m_first[i] : m_second[i];
    if (ref.length == 0) continue;  // nothing to show
    const int named = NamedHundredths(m_block.data() + ref.offset, ref.length);
    const std::int64_t start = std::int64_t{ReadLe32(m_block.data() + kSyncHeaderBytes + 4 * i)} * 1000 +
                               (named >= 0 && named <= 99 ? named * 10 : 0);
    if (start <= sinceMillis || start > nowMillis) continue;
    if (best == -1 || start > bestStart) {
      best = i;
      bestStart = start;
    }
  }
  if (best == -1) return -1;
  const TextRef& ref = m_textSlot == SyncSlot::First ? m_first[best] : m_second[best];
  std::array<unsigned char, kSyncLookupBytes> work{};
  const std::size_t length = std::min<std::size_t>(ref.length, kSyncLookupBytes);
  if (length != 0) std::memcpy(work.data(), m_block.data() + ref.offset, length);
  ComposeLocked(work, length, out);
  return static_cast<int>(length);
}

void SyncTable::ComposeLocked(const std::array<unsigned char, kSyncLookupBytes>& work, std::size_t length,
                              std::span<unsigned char, kLyricPanelBytes> out) const {
  // Bytes past the text read as zero, as in the zeroed work area.
  auto at = [&](std::size_t k) -> unsigned char { return k < work.size() ? work[k] : 0; };
  std::size_t i = (at(4) == '\r' && at(5) == '\n') ? 6 : 4;
  std::size_t o = 16;
  int column = 0, breaks = 0;
  // At most three lines of 16 columns plus their breaks: far below the 512 bytes, but every
  // write is still checked against the panel's end.
  auto put = [&](unsigned char c) {
    if (o < kLyricPanelBytes) out[o++] = c;
  };
  auto lineBreak = [&]() {
    put('\r');
    put('\n');
    column = 0;
    return ++breaks >= 3;
  };
  // The lyric is walked character by character, so no character is ever split or skipped
  // in half.
  const std::string_view text(reinterpret_cast<const char*>(work.data()), length);
  while (i < length) {
    const unsigned char c = at(i);
    const std::size_t next = NextCharacter(text, i);
    if (c == '\r') {
      put(c);
      i = next;
      if (at(i) == '\n' && i < length) put(at(i++));
      column = 0;
      if (++breaks >= 3) break;
    } else if (c < 0x80) {
      if (column >= 16 && lineBreak()) break;
      put(c);
      ++column;
      i = next;
    } else if (c == kStoredMarkLead && at(i + 1) == kStoredShortOpen) {
      // A short stored tag shows nothing: the mark, three characters and the closing mark, or
      // the mark, six characters (the digits) and the closing mark, or else the mark and three
      // characters.
      auto pastCharacters = [&](std::size_t from, int count) {
        for (int k = 0; k < count; ++k) from = NextCharacter(text, from);
        return from;
      };
      auto closesAt = [&](std::size_t k) { return at(k) == kStoredMarkLead && at(k + 1) == kStoredClose; };
      const std::size_t three = pastCharacters(next, 3);
      const std::size_t six = pastCharacters(three, 3);
      i = closesAt(three) ? three + 2 : closesAt(six) ? six + 2 : three;
    } else {
      if (column + 1 >= 16 && lineBreak()) break;
      for (std::size_t k = i; k < next; ++k) put(at(k));
      column += 2;
      i = next;
    }
  }
  std::fill(out.begin() + static_cast<std::ptrdiff_t>(o), out.end(), 0);
}

int SyncTable::Count() const {
  std::lock_guard lock(m_lock);
  return m_count;
}

bool SyncTable::Present() const {
  std::lock_guard lock(m_lock);
  return m_present;
}

SyncSlot SyncTable::TextSlot() const {
  std::lock_guard lock(m_lock);
  return m_textSlot;
}

std::array<unsigned char, kSyncHeaderBytes> SyncTable::Header() const {
  std::lock_guard lock(m_lock);
  return m_header;
}

bool SyncTable::Entry(int i, SyncEntry& out) const {
  std::lock_guard lock(m_lock);
  if (i < 0 || i >= m_count) return false;
  out.startSeconds = ReadLe32(m_block.data() + kSyncHeaderBytes + 4 * i);
  const TextRef& ref = m_textSlot == SyncSlot::First ? m_first[i] : m_second[i];
  out.length = ref.length;
  out.copied = std::min<std::size_t>(ref.length, out.text.size());
  out.text.fill(0);
  if (out.copied != 0) std::memcpy(out.text.data(), m_block.data() + ref.offset, out.copied);
  return true;
}

int ParseSyncBlock(std::uint32_t expected, std::span<const unsigned char> block) {
  return SharedSyncTable.Parse(expected, block);
}

void ResetSyncTable(int flag) { SharedSyncTable.Reset(flag); }

int FindSyncText(std::uint32_t seconds, std::span<unsigned char> out) {
  return SharedSyncTable.FindText(seconds, out);
}

int FindSyncTextAt(int hours, int minutes, int seconds, std::span<unsigned char> out) {
  return SharedSyncTable.FindTextAt(hours, minutes, seconds, out);
}

int FormatLyricPanel(int hours, int minutes, int seconds, int millis,
                     std::span<unsigned char, kLyricPanelBytes> out) {
  return SharedSyncTable.FormatPanel(hours, minutes, seconds, millis, out);
}

int FormatLyricPanelBetween(std::int64_t sinceMillis, std::int64_t nowMillis,
                            std::span<unsigned char, kLyricPanelBytes> out) {
  return SharedSyncTable.FormatPanelBetween(sinceMillis, nowMillis, out);
}

}  // namespace vexalo
