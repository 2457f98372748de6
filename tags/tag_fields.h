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

// Seven zero-terminated texts in UTF-8 of at most 511 bytes (the slots' 512 bytes are a byte
// limit, cut only between characters), each with a length in bytes. Whatever the frames'
// encodings, the slots hold UTF-8: the reader converts, the writer chooses each frame's
// encoding. The reader leaves the lengths at 0; the tag editor's OK sets them to the texts'
// lengths before writing.
struct TagFields {
  char text[kTagItemCount][kTagSlotBytes] = {};
  std::int32_t length[kTagItemCount] = {};

  void Clear();
  // The slot's text up to its first zero byte.
  std::string_view Text(int item) const;
  // Stores `value` cut at 511 bytes (back to the start of a UTF-8 character cut in two) and at
  // an embedded zero, zero-terminated. The length is left alone.
  void SetText(int item, std::string_view value);
  // Sets every length to its text's length.
  void SetLengthsFromTexts();
};

// How tag texts in ISO-8859-1 frames are read and how edited texts beyond ISO-8859-1 are
// written. Korean players of old wrote CP949 bytes into frames marked ISO-8859-1.
struct TagTextOptions {
  bool readLatin1AsCp949 = true;   // such bytes holding Hangul are read as CP949
  bool writeKoreanAsCp949 = false;  // write CP949 marked ISO-8859-1, not UTF-16 with a BOM
};
// The options the user set (Settings: "Read ISO-8859-1 tag text as CP949", "Write Korean tag
// text as CP949 for older players").
TagTextOptions TagTextOptionsFromSettings();

// A frame's text as UTF-8, from its characters decoded in the frame's `encoding` (0
// ISO-8859-1, whose characters are its bytes; 1, 2 UTF-16; 3 UTF-8).
std::string TagTextToUtf8(std::u32string_view characters, int encoding, const TagTextOptions& options);

// How an edited text is written into a frame: ISO-8859-1 (encoding 0) when every character is
// one of it and its bytes would not be read as CP949 Hangul; otherwise UTF-16 with a byte-order
// mark (encoding 1, little-endian), or CP949 bytes marked ISO-8859-1 when the options ask for it
// and a reader of CP949 Hangul would read the text back the same (TagTextToUtf8 with the
// default options).
struct TagFrameText {
  int encoding = 0;
  std::string bytes;  // without a terminator
};
TagFrameText EncodeTagText(std::string_view utf8, const TagTextOptions& options);

// Reads the file's tag through libid3tag into `fields` and leaves the SyncMP3 sign (the first
// TXXX frame's description, without its zero) at the start of `blockBuffer`, which is cleared
// first. Returns 1 when libid3tag could open the file, 0 otherwise (also for anything but a
// regular file, such as a folder); on 0 neither `fields` nor `blockBuffer` is touched.
int ReadTagFields(const std::string& path, TagFields& fields, std::span<unsigned char> blockBuffer,
                  const TagTextOptions& options = TagTextOptionsFromSettings());

}  // namespace vexalo
