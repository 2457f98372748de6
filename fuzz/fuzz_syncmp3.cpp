// The SyncMP3 writer and reader over any source file: a save either writes nothing or gives a
// file whose block reads back byte for byte, whose audio is the source's, whose tag fields read
// as the source's did, and which a second save (to a new file or in place) leaves unchanged.
#include <id3tag.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "syncmp3/syncmp3_file.h"
#include "tags/tag_fields.h"

using namespace vexalo;
using namespace vexalo::fuzz;

namespace {

// Where the source's ID3v2 tag ends (0 without one): what follows is audio the writer keeps.
// npos for a header whose size is not syncsafe, whose end nobody knows.
std::size_t TagEnd(const std::string& s) {
  if (s.size() < 3 || s.compare(0, 3, "ID3") != 0) return 0;
  if (s.size() < 10) return std::string::npos;
  auto b = [&](int i) { return static_cast<unsigned char>(s[i]); };
  if ((b(6) | b(7) | b(8) | b(9)) & 0x80) return std::string::npos;
  const std::size_t size = std::size_t{b(6)} << 21 | std::size_t{b(7)} << 14 | std::size_t{b(8)} << 7 | b(9);
  const std::size_t footer = b(3) == 4 && (b(5) & 0x10) ? 10 : 0;
  return std::min(s.size(), 10 + size + footer);
}

// The seven fields as the editor reads them; false when the file cannot be read.
bool ReadFields(const std::string& path, TagFields& fields) {
  static std::array<unsigned char, kSyncBlockBytes> sign;
  return ReadTagFields(path, fields, sign) == 1;
}

std::string Shown(const TagFields& fields) {
  std::string all;
  for (int item = 0; item < kTagItemCount; ++item) all += std::string(fields.Text(item)) + "|";
  return all;
}

// A genre written as a reference, "(17)", reads as it stands from a v2.4 tag but by its name
// from the v2.3 tag the writer makes of it.
bool GenreIsV24Reference(const std::string& source, const std::string& path) {
  TagFields fields;
  return source.size() >= 4 && source[3] == 4 && ReadFields(path, fields) && fields.Text(kTagGenre).substr(0, 1) == "(";
}

// True when the reader shows the ID3v1 tag at the file's end because it does not take the ID3v2
// tag: it cannot read it, or the ID3v2 tag reaches into the last 128 bytes.
bool ShowsOnlyId3v1(const std::string& s) {
  if (s.size() < 128 || s.compare(s.size() - 128, 3, "TAG") != 0) return false;
  const std::size_t end = TagEnd(s);
  if (end == std::string::npos || end > s.size() - 128) return true;
  id3_tag* tag = id3_tag_parse(reinterpret_cast<const id3_byte_t*>(s.data()), s.size());
  if (!tag) return true;
  id3_tag_delete(tag);
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  NoSync();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string source(reinterpret_cast<const char*>(data), size);
  // The block: its size from the source's last two bytes (now and then past what a frame holds),
  // its bytes from the source.
  const std::uint32_t total = size >= 2 ? (data[size - 1] << 8 | data[size - 2]) % (kSyncBlockBytes + 1) : 0;
  static std::array<unsigned char, kSyncBlockBytes> block;
  block.fill(0);
  for (std::uint32_t i = 0; i < total; ++i) block[i] = size ? data[(i * 7) % size] : 0;
  const unsigned char head[10] = {'S', 'O', 0x87, 0xD6, 0x12, 0x00, static_cast<unsigned char>(total),
                                  static_cast<unsigned char>(total >> 8), 0, 0};
  std::memcpy(block.data(), head, std::min<std::size_t>(10, kSyncBlockBytes));

  const std::string src = ScratchPath("source.mp3"), out = ScratchPath("out.mp3"), again = ScratchPath("again.mp3");
  WriteFile(src, source);
  ::unlink(out.c_str());
  ::unlink(again.c_str());

  std::string why;
  const int saved = SaveSyncMp3File(src, out, false, block, &why);
  FUZZ_CHECK(ReadFile(src) == source, "the source is only read");
  FUZZ_CHECK(OtherEntries({"source.mp3", "out.mp3"}).empty(), "left behind: " + OtherEntries({"source.mp3", "out.mp3"}));
  if (saved != kSyncMp3Saved) {
    FUZZ_CHECK(!Exists(out), "a refused save writes nothing: " + why);
    FUZZ_CHECK(total > kMaxSyncMp3BlockBytes || saved == kSyncMp3OpenError, std::to_string(saved) + " " + why);
    return 0;
  }
  FUZZ_CHECK(total <= kMaxSyncMp3BlockBytes);
  const std::string written = ReadFile(out);

  // The block reads back as embedded, zeros after it.
  static std::array<unsigned char, kSyncBlockBytes> back;
  back.fill(0xEE);
  bool found = false;
  FUZZ_CHECK(ReadSyncMp3Block(out, back, &found) == 1 && found);
  FUZZ_CHECK(std::memcmp(back.data(), block.data(), total) == 0, "the block reads back");
  FUZZ_CHECK(std::all_of(back.begin() + total, back.end(), [](unsigned char c) { return c == 0; }));

  // MP3 open finds the SyncMP3 sign: the tag reader sees the TXXX frame's description, the
  // block's letters and magic number.
  if (total >= 6) {
    TagFields fields;
    static std::array<unsigned char, kSyncBlockBytes> sign;
    FUZZ_CHECK(ReadTagFields(out, fields, sign) == 1);
    FUZZ_CHECK(std::memcmp(sign.data(), "SO\x87\xD6\x12", 6) == 0, "the sign reads " + Hex(std::string_view(reinterpret_cast<const char*>(sign.data()), 8)));
  }

  // The audio behind the source's tag is the new file's end, untouched.
  const std::size_t audio = TagEnd(source);
  FUZZ_CHECK(audio == std::string::npos || written.size() >= source.size() - audio &&
                 written.compare(written.size() - (source.size() - audio), std::string::npos, source, audio) == 0,
             "the audio is kept");

  // Every field that the source's ID3v2 tag shows reads the same from the new file. Where the
  // reader did not take the source's ID3v2 tag but found an ID3v1 tag, it showed that one; the
  // new tag, which it takes, hides it as any readable ID3v2 tag does.
  if (audio > 0 && audio != std::string::npos && !ShowsOnlyId3v1(source)) {
    TagFields before, after;
    FUZZ_CHECK(ReadFields(src, before) && ReadFields(out, after));
    const bool genre = !GenreIsV24Reference(source, src);
    for (int item = 0; item < kTagItemCount; ++item)
      if (!before.Text(item).empty() && (item != kTagGenre || genre))
        FUZZ_CHECK(after.Text(item) == before.Text(item), "source " + Shown(before) + "\nsaved  " + Shown(after));
  }

  // Saving the same block again changes nothing, to a new file or in place.
  FUZZ_CHECK(SaveSyncMp3File(out, again, false, block, &why) == kSyncMp3Saved, why);
  FUZZ_CHECK(ReadFile(again) == written, "a second save changes nothing");
  FUZZ_CHECK(SaveSyncMp3File(again, again, true, block, &why) == kSyncMp3Saved, why);
  FUZZ_CHECK(ReadFile(again) == written, "a save in place changes nothing");
  FUZZ_CHECK(OtherEntries({"source.mp3", "out.mp3", "again.mp3"}).empty());
  return 0;
}
