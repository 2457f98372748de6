// The Text Open loader and both form conversions over any bytes: the loader keeps to the editor's
// limit, and stored text survives the trip to the editor form and back unchanged wherever it
// holds no editor tag mark of its own.
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "sync/sync_text.h"

using namespace vexalo;
using vexalo::fuzz::Hex;

namespace {

std::string UpToZero(std::string_view s) { return std::string(s.substr(0, s.find('\0'))); }

// True when, walking the text a character at a time (a byte of 0x80 or more begins a two-byte
// character), some character begins with an editor tag mark: such text is ambiguous, since the
// editor form would take it for a tag.
bool HasEditorMark(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == 0xA7 || c == 0xAB || c == 0xBB) return true;
    i += c < 0x80 ? 1 : 2;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  const LoadedSyncText loaded = LoadSyncText(bytes);
  if (size >= kSyncTextAreaBytes) FUZZ_CHECK(!loaded.fits);
  if (loaded.fits) {
    FUZZ_CHECK(loaded.text.size() <= kMaxLyricsTextBytes);
    FUZZ_CHECK(loaded.text.find('\0') == std::string::npos);
  } else {
    FUZZ_CHECK(loaded.text == FileSizeOverText());
  }

  const std::string stored = UpToZero(bytes);
  if (stored.size() > kMaxLyricsTextBytes) return 0;
  std::string editor = stored;
  StoredToEditorForm(editor);
  FUZZ_CHECK(editor.size() <= stored.size());
  if (!HasEditorMark(stored)) {
    std::string back = editor;
    FUZZ_CHECK(EditorToStoredForm(back), "stored " + Hex(stored));
    FUZZ_CHECK(back == stored, "stored " + Hex(stored) + "\neditor " + Hex(editor) + "\nback   " + Hex(back));
  }

  // Any editor text: converted or refused whole, never cut.
  std::string other = stored;
  if (EditorToStoredForm(other)) {
    FUZZ_CHECK(other.size() <= kMaxLyricsTextBytes);
    FUZZ_CHECK(other.size() >= stored.size());
  } else {
    FUZZ_CHECK(other == stored);
  }
  return 0;
}
