#include "tags/tag_fields.h"

#include <id3tag.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "common/settings.h"
#include "common/text_codec.h"
#include "common/text_encoding.h"
#include "tags/genre_names.h"

namespace vexalo {

void TagFields::Clear() {
  std::memset(text, 0, sizeof text);
  std::memset(length, 0, sizeof length);
}

std::string_view TagFields::Text(int item) const {
  if (item < 0 || item >= kTagItemCount) return {};
  return std::string_view(text[item], ::strnlen(text[item], kTagSlotBytes));
}

void TagFields::SetText(int item, std::string_view value) {
  if (item < 0 || item >= kTagItemCount) return;
  std::size_t n = std::min(value.size(), kTagSlotBytes - 1);
  n = ::strnlen(value.data(), n);
  if (n < value.size())
    while (n > 0 && (static_cast<unsigned char>(value[n]) & 0xC0) == 0x80) --n;
  std::memcpy(text[item], value.data(), n);
  std::memset(text[item] + n, 0, kTagSlotBytes - n);
}

void TagFields::SetLengthsFromTexts() {
  for (int i = 0; i < kTagItemCount; ++i) length[i] = static_cast<std::int32_t>(Text(i).size());
}

TagTextOptions TagTextOptionsFromSettings() {
  TagTextOptions options;
  options.readLatin1AsCp949 = UserSettings().Bool(kSettingReadLatin1TagsAsCp949);
  options.writeKoreanAsCp949 = UserSettings().Bool(kSettingWriteKoreanTagsAsCp949);
  return options;
}

std::string TagTextToUtf8(std::u32string_view characters, int encoding, const TagTextOptions& options) {
  std::string out;
  const bool bytes = encoding == 0 && std::all_of(characters.begin(), characters.end(), [](char32_t c) { return c <= 0xFF; });
  if (bytes && options.readLatin1AsCp949) {
    std::string raw(characters.begin(), characters.end());
    if (std::optional<std::string> korean = Cp949HangulReading(raw)) return std::move(*korean);
  }
  out.reserve(characters.size());
  // A surrogate or a code point past U+10FFFF (the library decodes both from bad UTF-8 or UTF-16)
  // has no UTF-8 form: the slot would no longer be UTF-8, and the window would show it empty.
  for (char32_t c : characters) AppendUtf8(out, (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF ? 0xFFFD : c);
  return out;
}

TagFrameText EncodeTagText(std::string_view utf8, const TagTextOptions& options) {
  TagFrameText frame;
  const DecodedText decoded = DecodeText(utf8, EncodingChoice::Utf8);
  std::u32string characters;
  for (std::size_t i = 0; i < decoded.utf8.size();) {
    const unsigned char lead = static_cast<unsigned char>(decoded.utf8[i]);
    const std::size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t c = n == 1 ? lead : lead & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) c = (c << 6) | (static_cast<unsigned char>(decoded.utf8[i + k]) & 0x3F);
    characters.push_back(c);
    i += n;
  }
  if (std::all_of(characters.begin(), characters.end(), [](char32_t c) { return c <= 0xFF; })) {
    frame.bytes.assign(characters.begin(), characters.end());
    // ISO-8859-1 that reads as CP949 Hangul ("\u00C3\u00A2" is 창) would not read back as typed.
    if (!options.readLatin1AsCp949 || !Cp949HangulReading(frame.bytes)) return frame;
    frame.bytes.clear();
  }
  if (options.writeKoreanAsCp949) {
    Cp949Encoded cp949 = EncodeCp949(utf8);
    if (cp949.Ok()) {
      const std::u32string asBytes(cp949.bytes.begin(), cp949.bytes.end());
      std::u32string latin1;
      for (char32_t c : asBytes) latin1.push_back(c & 0xFF);
      if (TagTextToUtf8(latin1, 0, TagTextOptions{}) == utf8) {
        frame.bytes = std::move(cp949.bytes);
        return frame;
      }
    }
  }
  frame.encoding = 1;
  frame.bytes = "\xFF\xFE";
  auto unit = [&frame](char32_t u) {
    frame.bytes.push_back(static_cast<char>(u & 0xFF));
    frame.bytes.push_back(static_cast<char>(u >> 8));
  };
  for (char32_t c : characters) {
    if (c >= 0x10000) {
      unit(0xD800 + ((c - 0x10000) >> 10));
      unit(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      unit(c);
    }
  }
  return frame;
}

namespace {

// libid3tag's own frame names: a v2.3 TYER frame is presented as TDRC.
constexpr const char* kSlotFrames[] = {"TRCK", "TIT2", "TPE1", "TALB", "TDRC", "TCON"};

struct Latin1Text {
  id3_latin1_t* bytes = nullptr;
  explicit Latin1Text(id3_ucs4_t const* ucs4) : bytes(id3_ucs4_latin1duplicate(ucs4)) {}
  ~Latin1Text() { std::free(bytes); }
  Latin1Text(const Latin1Text&) = delete;
  Latin1Text& operator=(const Latin1Text&) = delete;
  std::string_view View() const {
    return bytes ? std::string_view(reinterpret_cast<const char*>(bytes)) : std::string_view();
  }
};

int FrameTextEncoding(id3_frame* frame) {
  union id3_field* field = id3_frame_field(frame, 0);
  if (!field || id3_field_type(field) != ID3_FIELD_TYPE_TEXTENCODING) return 0;
  return static_cast<int>(id3_field_gettextencoding(field));
}

std::u32string Characters(id3_ucs4_t const* ucs4) {
  std::u32string out;
  for (; *ucs4 != 0; ++ucs4) out.push_back(static_cast<char32_t>(*ucs4));
  return out;
}

// The number a genre text made of decimal digits only stands for (as the library presents an
// ID3v2.3 "(17)" or "(17)Rock"), or -1.
int GenreNumberOf(id3_ucs4_t const* text) {
  int number = 0;
  int digits = 0;
  for (; *text != 0; ++text, ++digits) {
    if (*text < '0' || *text > '9' || digits >= 4) return -1;
    number = number * 10 + static_cast<int>(*text - '0');
  }
  return digits > 0 ? number : -1;
}

// Fills the slots; false when a text conversion ran out of memory, which ends the reading.
bool ReadSlots(const id3_tag* tag, TagFields& fields, std::span<unsigned char> block, const TagTextOptions& options) {
  for (int slot = 0; slot < 6; ++slot) {
    id3_frame* frame = id3_tag_findframe(tag, kSlotFrames[slot], 0);
    if (!frame) continue;
    union id3_field* list = id3_frame_field(frame, 1);
    if (!list || id3_field_getnstrings(list) == 0) continue;
    id3_ucs4_t const* text = id3_field_getstrings(list, 0);
    if (!text) continue;
    if (slot == kTagGenre) {
      // A genre number of the editor's list gives the list's own name: the library spells some
      // of them otherwise (67 "Psychedelic", 81, 84), and the list would then select another
      // genre or none.
      if (const int number = GenreNumberOf(text); number >= 0 && number < kGenreCount) {
        fields.SetText(slot, GenreNames[number]);
        continue;
      }
      text = id3_genre_name(text);
    }
    // A text longer than the slot is cut at 511 bytes.
    fields.SetText(slot, TagTextToUtf8(Characters(text), FrameTextEncoding(frame), options));
  }

  // The first COMM frame with an empty short description gives the comment, if any.
  for (unsigned index = 0;; ++index) {
    id3_frame* frame = id3_tag_findframe(tag, "COMM", index);
    if (!frame) break;
    union id3_field* descriptionField = id3_frame_field(frame, 2);
    union id3_field* textField = id3_frame_field(frame, 3);
    if (!descriptionField || !textField) continue;  // a frame the library could not parse
    id3_ucs4_t const* description = id3_field_getstring(descriptionField);
    if (description && description[0] != 0) continue;
    id3_ucs4_t const* full = id3_field_getfullstring(textField);
    if (full && full[0] != 0) fields.SetText(kTagComment, TagTextToUtf8(Characters(full), FrameTextEncoding(frame), options));
    break;
  }

  // The SyncMP3 sign: the first TXXX frame's description. One longer than the block buffer is
  // cut at the buffer's size.
  if (id3_frame* frame = id3_tag_findframe(tag, "TXXX", 0)) {
    union id3_field* descriptionField = id3_frame_field(frame, 1);
    id3_ucs4_t const* description = descriptionField ? id3_field_getstring(descriptionField) : nullptr;
    if (description) {
      Latin1Text latin1(description);
      if (!latin1.bytes) return false;
      std::string_view sign = latin1.View();
      std::size_t n = std::min(sign.size(), block.size());
      std::memcpy(block.data(), sign.data(), n);
    }
  }
  return true;
}

}  // namespace

int ReadTagFields(const std::string& path, TagFields& fields, std::span<unsigned char> blockBuffer,
                  const TagTextOptions& options) {
  // libid3tag also "opens" a folder, and would wait on a pipe or read a device without end:
  // only a regular file counts as openable.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
  id3_file* file = id3_file_open(path.c_str(), ID3_FILE_MODE_READONLY);
  if (!file) return 0;
  fields.Clear();
  // Cleared before the slots are read, so a reading stopped early never leaves the previous
  // file's sign behind.
  std::fill(blockBuffer.begin(), blockBuffer.end(), 0);
  if (const id3_tag* tag = id3_file_tag(file)) ReadSlots(tag, fields, blockBuffer, options);
  id3_file_close(file);
  return 1;
}

}  // namespace vexalo
