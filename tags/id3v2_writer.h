// The tag editor's own ID3v2 writer: replaces or adds the frames TRCK, TIT2, TPE1, TALB, TYER,
// COMM and TCON of an MP3 file's tag, carries every other frame over, and rewrites the file
// safely (temporary file and rename). The comment's frame is the first COMM with an empty short
// description, the one the reader shows; COMM frames with a description are carried over. A
// frame whose slot still holds what the reader showed of it is kept byte for byte; an edited
// text is written in ISO-8859-1 when it can be, else in UTF-16 with a byte-order mark (or CP949
// marked ISO-8859-1, when the options ask for it: see EncodeTagText). Before the
// new file replaces the old one it is read back with the tag reader; a tag that would not read
// as written is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tags/tag_fields.h"

namespace vexalo {

// Message texts for the writer's failures, spelt as the product shows them.
inline constexpr char kReadOnlyErrorText[] = "MP3 file Read-Only Error !!!";
inline constexpr char kTagWriteErrorText[] = " ID3 Tag Write Error !!! ";

enum class TagWriteResult {
  kWritten,         // the file now holds the new tag
  kCannotOpen,      // missing, not a regular file, or not openable for reading and writing
  kReadOnly,        // the file is marked read-only (no owner write bit)
  kCannotCreate,    // the temporary file beside it cannot be created
  kBadTag,          // the old tag cannot be walked (frame size 0, past the tag, truncated tag)
  kUnsupportedTag,  // a tag this writer cannot rewrite correctly (extended header,
                    // unsynchronisation, version other than 2.3 or 2.4, tag too big)
  kWriteFailed,     // writing the new file failed (disk full, ...); the file is untouched
  kReadBackFailed,  // the new tag would not read back as written (a carried frame the reader
                    // trips over once its flags are cleared, ...); the file is untouched
};

// The message text for a failure (kReadOnlyErrorText or kTagWriteErrorText); nullptr for
// kWritten.
const char* TagWriteMessage(TagWriteResult result);

enum class TagFrameMode { kReplace, kAdd };

// Frame identifiers by item number (TagItem order), as written into a v2.3 tag.
extern const char kTagFrameIds[kTagItemCount][5];
// The identifier written for `item` into a tag of `majorVersion`: the year is TDRC in v2.4,
// which has no TYER frame, and TYER otherwise. A tag's first TYER or TDRC is the year's frame.
const char* TagFrameId(int item, int majorVersion);

// Appends the frame of `item` (its text is fields.length[item] bytes of its slot) to `out`, the
// new frame area, whose end is the write position. In replace mode the old frame begins at
// `readPos` in `oldFrames`; `readPos` moves past it, and a replaced COMM keeps the old frame's
// language code. `majorVersion` (3 or 4) decides how frame sizes are written and read.
void PutTagFrame(TagFrameMode mode, int item, const TagFields& fields, int majorVersion,
                 std::string_view oldFrames, std::size_t& readPos, std::string& out,
                 const TagTextOptions& options = TagTextOptionsFromSettings());

// The new start of a file: `tag` replaces the file's first `keepFrom` bytes, the rest follows
// unchanged.
struct TagRewrite {
  std::string tag;
  std::uint64_t keepFrom = 0;
};

// Builds the new tag from the file's first bytes `head` (at least the whole old tag, or the
// whole file when it is shorter) and the file's size. Pure: touches no file. `why`, when given,
// receives the reason of a refusal.
TagWriteResult BuildId3v2Tag(std::string_view head, std::uint64_t fileSize,
                             const TagFields& fields, TagRewrite& rewrite, std::string* why = nullptr,
                             const TagTextOptions& options = TagTextOptionsFromSettings());

// What the reader showed of a tag: the seven fields and the SyncMP3 sign (the first TXXX
// frame's description).
struct TagReading {
  TagFields fields;
  std::string sign;
};
// Empty when the new file reads back as written: each field as the editor set it (`expected`; a
// year may read with the date and time of carried frames after it, a genre by any text the list
// selects the same genre for), and the sign as it read before. Otherwise what differs, e.g.
// "Title reads '' instead of 'Song'", line breaks and control characters spelt out.
std::string ReadBackMismatch(const TagReading& expected, const std::string& signBefore,
                             const TagReading& got);

// Rewrites the file at `path` with the new tag. On any failure the file is untouched and `why`,
// when given, receives what failed and why.
TagWriteResult WriteId3v2Tag(const std::string& path, const TagFields& fields, std::string* why = nullptr,
                             const TagTextOptions& options = TagTextOptionsFromSettings());

}  // namespace vexalo
