#include "tags/genre_names.h"

#include <algorithm>
#include <cstring>

namespace vexalo {

const char GenreNames[kGenreCount][kGenreNameBytes] = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz",
    "Metal", "New Age", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno",
    "Industrial", "Alternative", "Ska", "Death Metal", "Pranks", "Soundtrack", "Euro-Techno",
    "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion", "Trance", "Classical", "Instrumental",
    "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise", "AlternRock", "Bass", "Soul", "Punk",
    "Space", "Meditative", "Instrumental Pop", "Instrumental Rock", "Ethnic", "Gothic", "Darkwave",
    "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance", "Dream", "Southern Rock", "Comedy",
    "Cult", "Gangsta", "Top 40", "Christian Rap", "Pop/Funk", "Jungle", "Native American",
    "Cabaret", "New Wave", "Psychadelic", "Rave", "Showtunes", "Trailer", "Lo-Fi", "Tribal",
    "Acid Punk", "Acid Jazz", "Polka", "Retro", "Musical", "Rock & Roll", "Hard Rock", "Folk",
    "Folk-Rock", "National Folk", "Swing", "Fast Fusion", "Bebob", "Latin", "Revival", "Celtic",
    "Bluegrass", "Avantgarde", "Gothic Rock", "Progressive Rock", "Psychedelic Rock",
    "Symphonic Rock", "Slow Rock", "Big Band", "Chorus", "Easy Listening", "Acoustic", "Humour",
    "Speech", "Chanson", "Opera", "Chamber Music", "Sonata", "Symphony", "Booty Bass", "Primus",
    "Porn Groove", "Satire", "Slow Jam", "Club", "Tango", "Samba", "Folklore", "Ballad",
    "Power Ballad", "Rhythmic Soul", "Freestyle", "Duet", "Punk Rock", "Drum Solo", "A capella",
    "Euro-House", "Dance Hall",
};

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Weight classes of a sorted list box: blanks and punctuation before digits, digits before
// letters.
int CharClass(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  if (u >= '0' && u <= '9') return 1;
  if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u >= 0x80) return 2;
  return 0;
}

int CompareWeighted(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  for (;;) {
    // Hyphens and apostrophes carry no weight at first, so "Eurodance" sorts before
    // "Euro-House" as in a sorted list box.
    while (i < a.size() && (a[i] == '-' || a[i] == '\'')) ++i;
    while (j < b.size() && (b[j] == '-' || b[j] == '\'')) ++j;
    if (i == a.size() || j == b.size()) break;
    char x = Lower(a[i]), y = Lower(b[j]);
    if (x != y) {
      int cx = CharClass(x), cy = CharClass(y);
      if (cx != cy) return cx < cy ? -1 : 1;
      return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
    }
    ++i;
    ++j;
  }
  bool aDone = i == a.size(), bDone = j == b.size();
  if (aDone != bDone) return aDone ? -1 : 1;
  return 0;
}

}  // namespace

bool GenreListLess(std::string_view a, std::string_view b) {
  int c = CompareWeighted(a, b);
  if (c != 0) return c < 0;
  return a < b;  // only equal up to hyphens and case: a fixed tie-break keeps the order total
}

const std::array<int, kGenreCount>& GenreListOrder() {
  static const std::array<int, kGenreCount> order = [] {
    std::array<int, kGenreCount> o{};
    for (int i = 0; i < kGenreCount; ++i) o[i] = i;
    std::stable_sort(o.begin(), o.end(),
                     [](int x, int y) { return GenreListLess(GenreNames[x], GenreNames[y]); });
    return o;
  }();
  return order;
}

int GenreListIndexOf(int genre) {
  if (genre < 0 || genre >= kGenreCount) return -1;
  const auto& order = GenreListOrder();
  return static_cast<int>(std::find(order.begin(), order.end(), genre) - order.begin());
}

std::string_view GenreSelectionText(std::string_view genreSlot) {
  if (!genreSlot.empty() && genreSlot[0] == '(') {
    std::size_t last = std::min<std::size_t>(genreSlot.size(), 126);
    for (std::size_t p = 1; p < last; ++p)
      if (genreSlot[p] == ')') return genreSlot.substr(p + 1);
  }
  return genreSlot;
}

int SelectGenreListIndex(std::string_view genreSlot) {
  std::string_view want = GenreSelectionText(genreSlot);
  const auto& order = GenreListOrder();
  for (int index = 0; index < kGenreCount; ++index) {
    std::string_view name = GenreNames[order[index]];
    if (name.size() < want.size()) continue;
    bool match = true;
    for (std::size_t k = 0; k < want.size() && match; ++k) match = Lower(name[k]) == Lower(want[k]);
    if (match) return index;
  }
  return -1;
}

int GenreForSlot(std::string_view genreSlot) {
  int index = SelectGenreListIndex(genreSlot);
  return index < 0 ? -1 : GenreListOrder()[index];
}

int FindGenreByName(std::string_view name) {
  name = name.substr(0, std::min<std::size_t>(name.size(), kGenreNameBytes - 1));
  for (int i = 0; i < kGenreCount; ++i)
    if (name == GenreNames[i]) return i;
  return -1;
}

}  // namespace vexalo
