#include "tags/tag_editor_logic.h"

#include <cstdio>

#include "tags/genre_names.h"

namespace vexalo {

TagFields CurrentTagFields;
int CurrentGenre = 0;

TagEditorTexts TagEditorTextsFromSlots(const TagFields& fields) {
  TagEditorTexts t;
  t.track = fields.Text(kTagTrack);
  t.title = fields.Text(kTagTitle);
  t.artist = fields.Text(kTagArtist);
  t.album = fields.Text(kTagAlbum);
  t.year = fields.Text(kTagYear);
  t.comment = fields.Text(kTagComment);
  return t;
}

int GenreAfterShowing(const TagFields& fields, int currentGenre) {
  int genre = GenreForSlot(fields.Text(kTagGenre));
  return genre < 0 ? currentGenre : genre;
}

std::string GenreSlotText(int genre) {
  char buf[64];
  const char* name = (genre >= 0 && genre < kGenreCount) ? GenreNames[genre] : "";
  std::snprintf(buf, sizeof buf, "(%d)%s", genre, name);
  return buf;
}

void FillTagSlots(const TagEditorTexts& texts, int genre, TagFields& fields) {
  fields.Clear();
  fields.SetText(kTagTrack, texts.track);
  fields.SetText(kTagTitle, texts.title);
  fields.SetText(kTagArtist, texts.artist);
  fields.SetText(kTagAlbum, texts.album);
  fields.SetText(kTagYear, texts.year);
  fields.SetText(kTagComment, texts.comment);
  fields.SetText(kTagGenre, GenreSlotText(genre));
  fields.SetLengthsFromTexts();
}

}  // namespace vexalo
