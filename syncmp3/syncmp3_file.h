// syncmp3/: lyrics inside MP3 files: the SyncMP3 writer and reader (the SyncTable block in the
// tag's leading TXXX frame), the ID3v2.4 frames carried over as 2.3, and the SYLT and USLT lyrics
// frames other players read. Above common/ and sync/.
//
// SyncMP3 files: a copy of an MP3 file whose ID3v2 tag begins with a TXXX frame that carries the
// SyncTable block. The writer never touches the audio; the reader takes the block back out.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "sync/sync_table.h"

namespace vexalo {

constexpr std::size_t kSyncMp3FrameBytes = 30'720;                    // the TXXX frame buffer
constexpr std::size_t kMaxSyncMp3BlockBytes = kSyncMp3FrameBytes - 11;  // 30,709
constexpr std::size_t kSyncMp3CopyBytes = 30'720;                     // the copy buffer

// Results of SaveSyncMp3File.
enum : int {
  kSyncMp3Saved = 1,
  kSyncMp3ReadOnly = 0,       // in place, and the source cannot be written: "MP3 file Read-Only Error !!!"
  kSyncMp3OpenError = -1,     // the source cannot be read (or its tag cannot be extended): "MP3 file open Error !!!"
  kSyncMp3WriteError = -2,    // the destination cannot be created or written; nothing is left behind
  kSyncMp3BlockTooLarge = -3, // the block's total size passes kMaxSyncMp3BlockBytes; nothing written
};

// Frames the writer puts right after the leading TXXX frame (whole ID3v2.3 frames), and the
// frames of the source's tag they take the place of: `replaces` is asked about every frame of
// the source with its identifier and the first bytes of its data (at most kFrameProbeBytes; a
// compressed or encrypted frame is never asked about), and a frame it answers true for is left
// out. Every other frame is carried over.
struct SyncMp3ExtraFrames {
  std::string frames;
  std::function<bool(std::string_view id, std::string_view dataHead)> replaces;
};
constexpr std::size_t kFrameProbeBytes = 512;

// Writes `destination` as `source` with the block in a leading TXXX frame. The destination is
// always written to a temporary file beside it and renamed into place, so a failure leaves no
// partial file and an existing file (the source itself in place) untouched. A destination that
// is the source under any spelling counts as in place. `why`, when given, receives a short reason
// on failure.
int SaveSyncMp3File(const std::string& source, const std::string& destination, bool inPlace,
                    std::span<const unsigned char, kSyncBlockBytes> block, std::string* why = nullptr,
                    const SyncMp3ExtraFrames* extra = nullptr);
// The same with the block in SyncBlockBuffer.
int SaveSyncMp3File(const std::string& source, const std::string& destination, bool inPlace,
                    std::string* why = nullptr, const SyncMp3ExtraFrames* extra = nullptr);

// Writes the destination from an open source stream and a built TXXX frame; the caller closes
// the source. kSyncMp3Saved, or kSyncMp3OpenError (the source cannot be read, or its ID3v2 tag
// cannot take a leading frame: its first frame reaches past the tag, it is version 2, it uses
// unsynchronisation or an extended header, or the tag reader would not see the frame in the new
// tag) or kSyncMp3WriteError; on failure the destination is untouched and nothing is left behind.
// Frames of the source's tag that the tag reader would trip over are left out (id3v24_frames.h).
int WriteSyncMp3Tag(std::FILE* source, const std::string& destination,
                    std::span<const unsigned char> frame, bool inPlace, std::string* why = nullptr,
                    const std::string& sourceName = "the source", const SyncMp3ExtraFrames* extra = nullptr);

// 1 when the file could be opened, whether or not it held a block; 0 otherwise. When the file's
// first frame is a TXXX frame, its data after the encoding byte (at most kSyncBlockBytes) is left
// in `block`, zero-filled after it, and *foundFrame is set; else `block` is left as it was. -1
// when that TXXX frame runs past the file's end: `block` is cleared and *foundFrame stays false.
int ReadSyncMp3Block(const std::string& path, std::span<unsigned char, kSyncBlockBytes> block,
                     bool* foundFrame = nullptr);
// The same into SyncBlockBuffer.
int ReadSyncMp3Block(const std::string& path, bool* foundFrame = nullptr);

}  // namespace vexalo
