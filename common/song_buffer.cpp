#include "common/song_buffer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

namespace vexalo {

namespace {

constexpr std::uint64_t kLeastReserve = std::uint64_t{1} << 20;
// Growth step: few system calls per song, little memory promised ahead of the samples.
constexpr std::uint64_t kGrowStep = std::uint64_t{8} << 20;

std::uint64_t PageSize() {
  const long page = ::sysconf(_SC_PAGESIZE);
  return page > 0 ? static_cast<std::uint64_t>(page) : 4096;
}

std::uint64_t RoundUp(std::uint64_t n, std::uint64_t unit) { return (n + unit - 1) / unit * unit; }

struct Area {
  unsigned char* base = nullptr;
  std::uint64_t reserved = 0;
  std::atomic<std::uint64_t> usable{0};
  std::atomic<std::uint64_t> ceiling{0};
  std::mutex growLock;
};

Area& TheArea() {
  static Area area;
  return area;
}

// Stands in when no address range at all could be reserved: the song then holds nothing.
alignas(64) unsigned char g_noSong[64];

unsigned char* Reserve() {
  Area& area = TheArea();
  for (std::uint64_t size = kSongReserveBytes; size >= kLeastReserve; size /= 2) {
    void* p = ::mmap(nullptr, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED) continue;
    area.base = static_cast<unsigned char*>(p);
    area.reserved = size;
    const std::uint64_t base = std::min(RoundUp(kSongBaseBytes, PageSize()), size);
    if (::mprotect(p, base, PROT_READ | PROT_WRITE) == 0) area.usable.store(base);
    return area.base;
  }
  return g_noSong;
}

}  // namespace

unsigned char* const SongBuffer = Reserve();

std::uint64_t SongReservedBytes() { return TheArea().reserved; }

std::uint64_t SongUsableBytes() { return TheArea().usable.load(std::memory_order_acquire); }

bool EnsureSongBytes(std::uint64_t bytes) {
  Area& area = TheArea();
  if (bytes <= area.usable.load(std::memory_order_acquire)) return true;
  std::lock_guard<std::mutex> hold(area.growLock);
  const std::uint64_t usable = area.usable.load(std::memory_order_relaxed);
  if (bytes <= usable) return true;
  const std::uint64_t page = PageSize();
  std::uint64_t limit = area.reserved;
  if (const std::uint64_t ceiling = area.ceiling.load(); ceiling != 0)
    limit = std::min(limit, std::max(ceiling / page * page, usable));
  if (bytes > limit) return false;
  // A full step when the system grants it, else just what was asked for.
  for (std::uint64_t target : {std::min(RoundUp(std::max(bytes, usable + kGrowStep), page), limit),
                               std::min(RoundUp(bytes, page), limit)}) {
    if (target < bytes) continue;
    if (::mprotect(area.base + usable, target - usable, PROT_READ | PROT_WRITE) == 0) {
      area.usable.store(target, std::memory_order_release);
      return true;
    }
  }
  return false;
}

void ZeroSongBytes(std::uint64_t bytes) {
  Area& area = TheArea();
  bytes = std::min(bytes, area.usable.load(std::memory_order_acquire));
  if (bytes == 0) return;
  // Dropped pages read back as zeros and cost no memory until written again.
  if (::madvise(area.base, RoundUp(bytes, PageSize()), MADV_DONTNEED) != 0) std::memset(area.base, 0, bytes);
}

void SetSongByteCeiling(std::uint64_t bytes) { TheArea().ceiling.store(bytes); }

}  // namespace vexalo
