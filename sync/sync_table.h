// The SyncTable block (the binary form of timed lyrics) and the parsed view over it that the
// playback worker reads while the UI thread may rebuild it.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>

namespace vexalo {

constexpr std::size_t kSyncBlockBytes = 30'720;     // the block buffer
constexpr std::size_t kSyncHeaderBytes = 14;        // letters, magic, total size, count
constexpr std::uint32_t kSyncMagic = 1'234'567;     // bytes 0x87 0xD6 0x12 0x00 at offset 2
constexpr int kMaxSyncEntries = 3'840;
constexpr std::size_t kSyncLookupBytes = 512;       // the most a lookup copies out
constexpr std::size_t kLyricPanelBytes = 512;

// The block being built, embedded or read back. UI thread only: the table below keeps its own
// copy of what it parsed, so rewriting this buffer never disturbs a lookup.
extern unsigned char SyncBlockBuffer[kSyncBlockBytes];

// Little-endian numbers of the block, read and written byte by byte.
std::uint32_t ReadLe32(const unsigned char* p);
std::uint16_t ReadLe16(const unsigned char* p);
void WriteLe32(unsigned char* p, std::uint32_t v);
void WriteLe16(unsigned char* p, std::uint16_t v);

enum class SyncSlot { First, Second };  // "LA" blocks keep texts in the first slot, "SO" in the second

// One entry as FormatSyncLine needs it: start time, the text slot's full length, and the first
// (at most kSyncLookupBytes) bytes of that text.
struct SyncEntry {
  std::uint32_t startSeconds = 0;
  std::uint32_t length = 0;
  std::size_t copied = 0;
  std::array<unsigned char, kSyncLookupBytes> text{};
};

// The parsed view. Every member takes one lock, so a lookup sees either the table before a parse
// or the table after it, never a half-built one. The table holds a copy of the parsed block.
class SyncTable {
 public:
  // 1 when the block was accepted, 0 when refused (count then -1). Refused: letters other than
  // "SO"/"LA", another magic, a count above kMaxSyncEntries (or negative), or tables or texts
  // that reach past the block's total size or past the bytes given (at most kSyncBlockBytes).
  int Parse(std::uint32_t expected, std::span<const unsigned char> block);
  // Marks the table absent when flag is not 0; count keeps its value.
  void Reset(int flag);
  // Copies the text of the first entry starting at exactly `seconds` into out (at most
  // min(out.size(), kSyncLookupBytes) bytes, not terminated); returns the bytes copied, or -1.
  int FindText(std::uint32_t seconds, std::span<unsigned char> out) const;
  int FindTextAt(int hours, int minutes, int seconds, std::span<unsigned char> out) const;
  // Composes the 512-byte lyric panel for a play time; -1 when no table was parsed or no entry
  // starts at that second (bytes 16 on then keep what they held), else the entry's text length.
  int FormatPanel(int hours, int minutes, int seconds, int millis,
                  std::span<unsigned char, kLyricPanelBytes> out) const;
  // The panel as playback shows it, chunk after chunk: the time line of nowMillis, and the lyric
  // of the entry whose start (its whole seconds and the hundredths its text names) is the latest
  // in (sinceMillis, nowMillis], so that no entry falls between two chunks however long they
  // are. -1 when no table was parsed or no entry starts there (bytes 16 on then keep what they
  // held), else the bytes of the entry's text that were read.
  int FormatPanelBetween(std::int64_t sinceMillis, std::int64_t nowMillis,
                         std::span<unsigned char, kLyricPanelBytes> out) const;

  int Count() const;
  bool Present() const;
  // Grows with every parse and reset: a reader that saw another number sees another table.
  unsigned Generation() const { return m_generation.load(); }
  SyncSlot TextSlot() const;
  std::array<unsigned char, kSyncHeaderBytes> Header() const;
  // False when i is out of range.
  bool Entry(int i, SyncEntry& out) const;

 private:
  struct TextRef {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
  };
  int FindLocked(std::uint32_t seconds, std::span<unsigned char> out) const;
  // Up to three lines of 16 columns of an entry's lyric into bytes 16 on of the panel.
  void ComposeLocked(const std::array<unsigned char, kSyncLookupBytes>& work, std::size_t length,
                     std::span<unsigned char, kLyricPanelBytes> out) const;

  mutable std::mutex m_lock;
  std::atomic<unsigned> m_generation{0};
  int m_count = -1;
  bool m_present = false;
  SyncSlot m_textSlot = SyncSlot::Second;
  std::array<unsigned char, kSyncHeaderBytes> m_header{};
  std::array<unsigned char, kSyncBlockBytes> m_block{};
  std::array<TextRef, kMaxSyncEntries> m_first{};
  std::array<TextRef, kMaxSyncEntries> m_second{};
};

// The one table the editor uses (the lyric panel, text save, MP3 open, SyncMP3 save).
extern SyncTable SharedSyncTable;

// The system's routines over SharedSyncTable.
int ParseSyncBlock(std::uint32_t expected, std::span<const unsigned char> block);
void ResetSyncTable(int flag);
int FindSyncText(std::uint32_t seconds, std::span<unsigned char> out);
int FindSyncTextAt(int hours, int minutes, int seconds, std::span<unsigned char> out);
int FormatLyricPanel(int hours, int minutes, int seconds, int millis,
                     std::span<unsigned char, kLyricPanelBytes> out);
int FormatLyricPanelBetween(std::int64_t sinceMillis, std::int64_t nowMillis,
                            std::span<unsigned char, kLyricPanelBytes> out);

}  // namespace vexalo
