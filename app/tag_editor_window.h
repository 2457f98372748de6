// CTagEditorDlg: the modeless "Vexalo Caption ID3V2 Tag Editor" window around the tag editor's
// logic: six edits, the genre drop-down, OK and Cancel. Closing only hides it.
#pragma once

#include <map>

#include <wx/combobox.h>
#include <wx/dialog.h>
#include <wx/textctrl.h>

#include "commands/tag_editor_dialog.h"

namespace vexalo::app {

class CTagEditorDlg : public wxDialog, public TagEditorControls {
 public:
  explicit CTagEditorDlg(wxWindow* parent);

  TagEditorDialog& Logic() { return m_logic; }
  wxTextCtrl* Field(int id) const;
  wxComboBox* GenreList() const { return m_genre; }

  // TagEditorControls.
  void SetFieldText(int controlId, const std::string& utf8) override;
  std::string GetFieldText(int controlId) override;
  void FillGenreList(const std::vector<std::string>& names) override;
  void ClearGenreList() override;
  void SelectGenre(int index) override;
  std::string SelectedGenreText() override;
  void ShowDialog() override;
  void HideDialog() override;

 private:
  TagEditorDialog m_logic;
  std::map<int, wxTextCtrl*> m_fields;
  std::map<int, wxString> m_accepted;
  wxComboBox* m_genre = nullptr;
  bool m_placed = false;
};

}  // namespace vexalo::app
