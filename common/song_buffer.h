// The decoded song's storage: one address range reserved once for the life of the process and
// made usable as decoding goes, so the samples never move while another thread reads them.
#pragma once

#include <cstdint>

namespace vexalo {

// Address space reserved at start: 4 GiB, over 12 hours of a 48 kHz song. Less is reserved when
// the process cannot have that much (a limit on its address space); halving stops at 1 MiB.
constexpr std::uint64_t kSongReserveBytes = std::uint64_t{4} << 30;
// Usable from the start, as the fixed song area always was.
constexpr std::uint64_t kSongBaseBytes = 62'208'000;

// The first byte of the song: signed 16-bit little-endian samples of one channel. Bytes below
// SongUsableBytes() may be read and written; the pointer never changes.
extern unsigned char* const SongBuffer;

// Bytes reserved, and bytes usable so far (never shrinks).
std::uint64_t SongReservedBytes();
std::uint64_t SongUsableBytes();

// Makes at least `bytes` usable. False, with nothing changed, when the reservation or the
// system's memory cannot give that much (or the ceiling below is reached).
bool EnsureSongBytes(std::uint64_t bytes);

// Gives the first `bytes` back to the system as zero pages (they stay usable). Called only while
// no reader looks past the song's new end.
void ZeroSongBytes(std::uint64_t bytes);

// A ceiling on what EnsureSongBytes grants beyond the base, as if memory ran out there; 0 lifts
// it. For tests and the benchmark of a failed decode.
void SetSongByteCeiling(std::uint64_t bytes);

}  // namespace vexalo
