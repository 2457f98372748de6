// tags/: the ID3 tag of the open song: the seven tag fields read through libid3tag, the genre list,
// the tag editor's logic without its window, the tag writer and the check that a file holds MPEG
// audio. Above common/ only.
//
// The seven tag texts of the open MP3 file (TagFields) and how they are read from the file's
// ID3 tag through libid3tag when the file is opened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vexalo {

// Slot order; the numbers are also the tag writer's item numbers.
enum TagItem : int {
  kTagTrack = 0,
  kTagTitle = 1,
  kTagArtist = 2,
  kTagAlbum = 3,
  kTagYear = 4,
  kTagGenre = 5,
  kTagComment = 6,
};
constexpr int kTagItemCount = 7;
constexpr std::size_t kTagSlotBytes = 512;

// Seven zero-terminated ISO-8859-1 texts of at most 511 bytes, each with a length. The reader
// leaves the lengths at 0; the tag editor's OK sets them to the texts' lengths before writing.
struct TagFields {
  char text[kTagItemCount][kTagSlotBytes] = {};
  std::int32_t length[kTagItemCount] = {};

  void Clear();
  // The slot's text up to its first zero byte.
  std::string_view Text(int item) const;
  // Stores `value` cut at 511 bytes (and at an embedded zero), zero-terminated. The length is
  // left alone.
  void SetText(int item, std::string_view value);
  // Sets every length to its text's length.
  void SetLengthsFromTexts();
};

// Reads the file's tag through libid3tag into `fields` and leaves the SyncMP3 sign (the first
// TXXX frame's description, without its zero) at the start of `blockBuffer`, which is cleared
// first. Returns 1 when libid3tag could open the file, 0 otherwise (also for anything but a
// regular file, such as a folder); on 0 neither `fields` nor `blockBuffer` is touched.
int ReadTagFields(const std::string& path, TagFields& fields, std::span<unsigned char> blockBuffer);

}  // namespace vexalo
