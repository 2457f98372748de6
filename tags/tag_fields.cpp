#include "tags/tag_fields.h"

#include <id3tag.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

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
  std::memcpy(text[item], value.data(), n);
  std::memset(text[item] + n, 0, kTagSlotBytes - n);
}

void TagFields::SetLengthsFromTexts() {
  for (int i = 0; i < kTagItemCount; ++i) length[i] = static_cast<std::int32_t>(Text(i).size());
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

// Fills the slots; false when a text conversion ran out of memory, which ends the reading.
bool ReadSlots(const id3_tag* tag, TagFields& fields, std::span<unsigned char> block) {
  for (int slot = 0; slot < 6; ++slot) {
    id3_frame* frame = id3_tag_findframe(tag, kSlotFrames[slot], 0);
    if (!frame) continue;
    union id3_field* list = id3_frame_field(frame, 1);
    if (!list || id3_field_getnstrings(list) == 0) continue;
    id3_ucs4_t const* text = id3_field_getstrings(list, 0);
    if (!text) continue;
    if (slot == kTagGenre) text = id3_genre_name(text);
    Latin1Text latin1(text);
    if (!latin1.bytes) return false;
    // A text longer than the slot is cut at 511 bytes.
    fields.SetText(slot, latin1.View());
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
    if (full) {
      Latin1Text latin1(full);
      if (!latin1.bytes) return false;
      if (!latin1.View().empty()) fields.SetText(kTagComment, latin1.View());
    }
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

int ReadTagFields(const std::string& path, TagFields& fields, std::span<unsigned char> blockBuffer) {
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
  if (const id3_tag* tag = id3_file_tag(file)) ReadSlots(tag, fields, blockBuffer);
  id3_file_close(file);
  return 1;
}

}  // namespace vexalo
