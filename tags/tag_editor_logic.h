// The tag editor's logic without its window: what the dialog shows from TagFields, which genre
// it selects, and how OK turns the edited texts and the chosen genre into the seven slots.
#pragma once

#include <string>

#include "tags/tag_fields.h"

namespace vexalo {

// Tag texts of the open MP3 file, filled on open and replaced by the editor's OK.
// UI thread only.
extern TagFields CurrentTagFields;
// The genre number OK writes: 0 at start, changed only by the list's selection, kept between
// showings. UI thread only.
extern int CurrentGenre;

// The six texts of the dialog's edit controls, in UTF-8 as the slots hold them.
struct TagEditorTexts {
  std::string track;
  std::string title;
  std::string artist;
  std::string album;
  std::string year;
  std::string comment;
};

// What the dialog's edit controls show when it opens.
TagEditorTexts TagEditorTextsFromSlots(const TagFields& fields);

// The genre number the dialog holds after showing: the file's genre when the list finds it,
// otherwise `currentGenre` unchanged.
int GenreAfterShowing(const TagFields& fields, int currentGenre);

// The Genre slot text for a genre number: "(%d)%s", e.g. "(17)Rock". A number outside 0-125
// gives "(n)" without a name.
std::string GenreSlotText(int genre);

// OK: clears the seven slots, stores the six texts (each cut at 511 bytes), sets the Genre slot
// to GenreSlotText(genre) and every length to its text's length.
void FillTagSlots(const TagEditorTexts& texts, int genre, TagFields& fields);

}  // namespace vexalo
