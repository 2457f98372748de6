// The 126 genre names of the tag editor's list, the order the list shows them in, and how the
// list picks the entry that matches a file's genre text.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace vexalo {

constexpr int kGenreCount = 126;
constexpr std::size_t kGenreNameBytes = 32;  // at most 31 characters and a zero

// Indexed by the ID3v1 genre number.
extern const char GenreNames[kGenreCount][kGenreNameBytes];

// The list's sort rule: true when `a` stands before `b` in the sorted genre list.
bool GenreListLess(std::string_view a, std::string_view b);
// Genre numbers in the order the sorted list shows them (list index -> genre number).
const std::array<int, kGenreCount>& GenreListOrder();
// The list index at which genre number `genre` stands, or -1 when it is out of range.
int GenreListIndexOf(int genre);

// The text the list is searched for: a leading "(n)" is dropped ("(17)Rock" -> "Rock") when a
// ")" stands at one of the positions 1 to 125; otherwise the slot text whole.
std::string_view GenreSelectionText(std::string_view genreSlot);
// The list index of the first entry, in list order, that begins with the selection text of
// `genreSlot` (letter case ignored), or -1 when none does.
int SelectGenreListIndex(std::string_view genreSlot);
// The genre number that showing the dialog selects for `genreSlot`, or -1 when nothing is
// selected (the caller then keeps its current genre).
int GenreForSlot(std::string_view genreSlot);
// The genre number whose name is exactly `name` (the list's selected text, at most 31
// characters), or -1.
int FindGenreByName(std::string_view name);

}  // namespace vexalo
