#include "commands/tag_editor_dialog.h"

#include "commands/command_support.h"
#include "common/repaint.h"
#include "common/shared_state.h"
#include "common/view_port.h"
#include "tags/genre_names.h"
#include "tags/id3v2_writer.h"
#include "tags/tag_editor_logic.h"

namespace vexalo {

namespace {

TagEditorDialog* g_dialog = nullptr;

struct FieldControl {
  int id;
  std::string TagEditorTexts::*text;
};

constexpr FieldControl kFieldControls[] = {
    {kIdcTagTrack, &TagEditorTexts::track},   {kIdcTagTitle, &TagEditorTexts::title},
    {kIdcTagArtist, &TagEditorTexts::artist}, {kIdcTagAlbum, &TagEditorTexts::album},
    {kIdcTagYear, &TagEditorTexts::year},     {kIdcTagComment, &TagEditorTexts::comment},
};

void Tell(const std::string& text) {
  if (ViewPort* view = ActiveView.load()) view->MessageBox(text, kProductTitle, MessageStyle::Ok);
}

}  // namespace

void TagEditorDialog::Show() {
  m_showing = true;
  TagEditorTexts texts = TagEditorTextsFromSlots(CurrentTagFields);
  for (const FieldControl& field : kFieldControls) m_controls.SetFieldText(field.id, texts.*field.text);

  std::vector<std::string> names;
  names.reserve(kGenreCount);
  for (int genre : GenreListOrder()) names.emplace_back(GenreNames[genre]);
  m_controls.FillGenreList(names);

  int index = SelectGenreListIndex(CurrentTagFields.Text(kTagGenre));
  m_controls.SelectGenre(index);
  if (index >= 0) CurrentGenre = GenreListOrder()[index];
  m_controls.ShowDialog();
}

void TagEditorDialog::OnGenreSelChange() {
  std::string name = m_controls.SelectedGenreText();
  if (name.size() > kGenreNameBytes - 1) name.resize(kGenreNameBytes - 1);
  int genre = FindGenreByName(name);
  if (genre >= 0) CurrentGenre = genre;
}

void TagEditorDialog::OnOk() {
  TagEditorTexts texts;
  for (const FieldControl& field : kFieldControls) texts.*field.text = m_controls.GetFieldText(field.id);
  FillTagSlots(texts, CurrentGenre, CurrentTagFields);

  if (CurrentMp3Path.empty()) {
    Tell(kNoMp3FileText);
  } else {
    std::string why;
    TagWriteResult result = WriteId3v2Tag(CurrentMp3Path, CurrentTagFields, &why);
    if (const char* message = TagWriteMessage(result)) TellUserWhy(message, why);
  }
  Close();
}

void TagEditorDialog::OnCancel() { Close(); }

void TagEditorDialog::OnMoved() { RepaintView(); }

void TagEditorDialog::Close() {
  m_showing = false;
  m_controls.ClearGenreList();
  m_controls.HideDialog();
}

void SetTagEditorDialog(TagEditorDialog* dialog) { g_dialog = dialog; }

TagEditorDialog* GetTagEditorDialog() { return g_dialog; }

void OnId3TagEditor() {
  if (g_dialog && !g_dialog->IsShowing()) g_dialog->Show();
}

}  // namespace vexalo
