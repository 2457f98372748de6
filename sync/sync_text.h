// sync/: the lyrics formats: the SyncText stored form and its conversions to and from the editor
// form, the SyncTable block, the timed groups that LRC and SRT are made from, and the LRC and SRT
// files themselves. Above common/ only.
//
// The stored form of timed lyrics (SyncText files, block texts) and its conversions: to and from
// the editor form, into a SyncTable block, back out of one line by line, and the Text Open loader.
// Texts are CP949 bytes; each routine works on the bytes before the text's first zero byte.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "sync/sync_table.h"

namespace vexalo {

// The lyrics text holds at most this many bytes before its terminating zero.
constexpr std::size_t kMaxLyricsTextBytes = 30'719;
constexpr std::size_t kSyncTextAreaBytes = 30'720;  // the file limit and the builder's scan limit
constexpr std::size_t kSyncTagOutBytes = 16;
constexpr std::size_t kSyncLineTextBytes = 512;

inline constexpr char kTextDataError000[] = "Text Data Error 000 !!!";
inline constexpr char kTextDataError999[] = "Text Data Error 999 !!!";

// Stored tags (0xA2 0xE2, 8 digits, 0xA2 0xD0; 0xA2 0xD1, 6 digits, 0xA2 0xD0) become editor tags
// (0xA7, 8 digits, 0xBB; 0xAB, 6 digits, 0xBB), in place. Tags are found only where a character
// begins, and only with all their digits. The editor form is shorter, so this always fits.
void StoredToEditorForm(std::string& text);
// The reverse, in place. The stored form is two bytes longer per tag: when it would pass
// kMaxLyricsTextBytes the text is left unchanged and the result is false (nothing is cut).
bool EditorToStoredForm(std::string& text);

// Builds the SyncTable block from stored-form lyrics into `block`. On failure errorText becomes
// kTextDataError000 (lyrics not starting with a long tag, a group over 512 bytes; the block is
// untouched) or kTextDataError999 (the lyrics reach 30,720 bytes: the block is written all the
// same, unless it would not fit the block buffer, which leaves it untouched). True without error.
bool BuildSyncBlock(std::string_view stored, std::span<unsigned char, kSyncBlockBytes> block,
                    std::string& errorText);
// The same into SyncBlockBuffer.
bool BuildSyncBlock(std::string_view stored, std::string& errorText);

// Entry i of SharedSyncTable as a stored-form long tag (tagLength bytes of tagOut) and its lyric
// (the returned number of bytes of textOut); -1 when i is out of range. An entry without text
// gives tagLength 0 and 0. A text of up to 512 bytes comes back whole; a longer one is cut to
// 510, and a 511- or 512-byte lyric that needs a CR LF appended to 510 (never inside a character).
int FormatSyncLine(int i, std::span<unsigned char, kSyncTagOutBytes> tagOut, int& tagLength,
                   std::span<unsigned char, kSyncLineTextBytes> textOut);
// FormatSyncLine for every entry, appended in order as far as whole entries fit
// kMaxLyricsTextBytes: the stored text that MP3 open rebuilds. `cut`, when given, tells whether
// entries were left out. Empty when no table is parsed.
std::string RebuildSyncText(bool* cut = nullptr);

// The Text Open loader over a file's bytes.
struct LoadedSyncText {
  bool fits = false;  // false: the file (or its expanded text) is too big for the editor
  std::string text;   // editor-form lyrics, or the "File size Over" text when !fits
};
// "File size Over => (%d bytes > File Size)!!!" with the given limit.
std::string FileSizeOverText(std::size_t limit = kSyncTextAreaBytes);
// Six-digit long tags (0xA2 0xE2, HHMMSS and the line break after them: CR LF, LF, CR or none)
// become long tags with hundredths 00 and CR LF. False (text untouched) when the result would pass
// kMaxLyricsTextBytes.
bool ExpandSixDigitTags(std::string& stored);
// A file of kSyncTextAreaBytes bytes or more is refused with FileSizeOverText; so is one whose
// six-digit tags would expand past the text limit. Otherwise the expanded text in editor form.
LoadedSyncText LoadSyncText(std::string_view fileBytes);

}  // namespace vexalo
