// The tag editor's writer over any file: a write is either refused with the file untouched and
// nothing left beside it, or the file then reads back with every field as the editor set it and
// the bytes after its tag as they were.
#include <array>
#include <string>

#include "common/text_codec.h"
#include "fuzz/fuzz_support.h"
#include "sync/sync_table.h"
#include "tags/genre_names.h"
#include "tags/id3v2_writer.h"
#include "tags/tag_editor_logic.h"
#include "tags/tag_fields.h"

using namespace vexalo;
using namespace vexalo::fuzz;

namespace {

// Where the file's ID3v2 tag ends, as the writer measures it (0 without a tag), a v2.4 footer
// included.
std::size_t TagEnd(const std::string& s) {
  if (s.size() < 10 || s.compare(0, 3, "ID3") != 0) return 0;
  auto b = [&](int i) { return static_cast<unsigned char>(s[i]); };
  if ((b(6) | b(7) | b(8) | b(9)) & 0x80) return 0;
  const std::size_t size = std::size_t{b(6)} << 21 | std::size_t{b(7)} << 14 | std::size_t{b(8)} << 7 | b(9);
  const std::size_t footer = b(3) == 4 && (b(5) & 0x10) ? 10 : 0;
  return std::min(s.size(), 10 + size + footer);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  NoSync();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string original(reinterpret_cast<const char*>(data), size);
  const std::string path = ScratchPath("song.mp3");
  WriteFile(path, original);

  // What the editor shows on opening, then the edits: the file's last bytes choose which texts
  // change, to what length, and the genre; the new texts are taken from the file's bytes.
  TagFields fields;
  static std::array<unsigned char, kSyncBlockBytes> sign;
  ReadTagFields(path, fields, sign);
  TagEditorTexts texts = TagEditorTextsFromSlots(fields);
  std::string* edits[] = {&texts.track, &texts.title, &texts.artist, &texts.album, &texts.year, &texts.comment};
  auto control = [&](std::size_t k) -> unsigned { return size > k ? data[size - 1 - k] : 0; };
  const unsigned mask = control(0);
  for (int e = 0; e < 6; ++e) {
    if (!(mask & (1u << e))) continue;
    const std::size_t length = control(1 + e) % 48;
    // Tag texts are UTF-8: a byte of 0xF0 or more stands for a Hangul syllable, any other for
    // the ISO-8859-1 character of its value.
    std::string text;
    for (std::size_t k = 0; k < length && size > 0; ++k) {
      const unsigned char c = data[(k * 13 + static_cast<std::size_t>(e) * 101) % size];
      AppendUtf8(text, c == 0 ? U'x' : c >= 0xF0 ? U'\uAC00' + c * 37 : char32_t{c});
    }
    *edits[e] = text;
  }
  const int genre = static_cast<int>(control(7) % kGenreCount);
  TagFields set;
  FillTagSlots(texts, genre, set);

  std::string why;
  const TagWriteResult result = WriteId3v2Tag(path, set, &why);
  FUZZ_CHECK(OtherEntries({"song.mp3"}).empty(), "left behind: " + OtherEntries({"song.mp3"}));
  const std::string now = ReadFile(path);
  if (result != TagWriteResult::kWritten) {
    FUZZ_CHECK(now == original, "a refused write leaves the file untouched: " + why);
    return 0;
  }

  TagFields got;
  FUZZ_CHECK(ReadTagFields(path, got, sign) == 1);
  for (int item = 0; item < kTagItemCount; ++item) {
    if (item == kTagGenre) continue;
    // The slots as OK filled them: each text cut at 511 bytes.
    const std::string expected(set.Text(item));
    const std::string_view have = got.Text(item);
    bool same = have == expected;
    // The reader joins a year with the date and time frames after it: "1999-05-03T10:20".
    if (item == kTagYear && !same && expected.size() == 4 && have.size() > 4 && have.substr(0, 4) == expected)
      same = have[4] == '-' || have[4] == 'T';
    FUZZ_CHECK(same, "item " + std::to_string(item) + " reads " + Hex(have) + "\ninstead of " + Hex(expected));
  }
  FUZZ_CHECK(GenreForSlot(got.Text(kTagGenre)) == genre,
             "genre " + std::to_string(genre) + " reads as " + std::string(got.Text(kTagGenre)));

  // The bytes after the tag are the ones that followed the old tag.
  const std::size_t before = TagEnd(original), after = TagEnd(now);
  FUZZ_CHECK(now.size() - after == original.size() - before &&
                 now.compare(after, std::string::npos, original, before) == 0,
             "the audio is kept");
  return 0;
}
