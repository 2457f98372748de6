// The ID3 tag editor dialog's behaviour: showing the tag texts and the genre list, following the
// list's selection, writing the tag on OK, and the showing flag that keeps it from being shown
// twice. The window implements TagEditorControls with its own widgets. UI thread only.
#pragma once

#include <string>
#include <vector>

namespace vexalo {

// Controls of the dialog (template 139, "Vexalo Caption ID3V2 Tag Editor").
enum TagEditorControlId : int {
  kIdcTagTrack = 1027,
  kIdcTagTitle = 1028,
  kIdcTagAlbum = 1029,
  kIdcTagYear = 1030,
  kIdcTagComment = 1031,
  kIdcTagArtist = 1032,
  kIdcTagGenre = 1035,
};

inline constexpr char kTagEditorTitle[] = "Vexalo Caption ID3V2 Tag Editor";
inline constexpr char kNoMp3FileText[] = "MP3 file open Error !!!";

// What the dialog's behaviour needs from its window. Field texts are the tag slots' UTF-8; the
// window shows them as they are.
class TagEditorControls {
 public:
  virtual ~TagEditorControls() = default;

  // The six edit controls (kIdcTagTrack ... kIdcTagArtist, not kIdcTagGenre).
  virtual void SetFieldText(int controlId, const std::string& utf8) = 0;
  virtual std::string GetFieldText(int controlId) = 0;

  // Genre list 1035. The names come already in the list's sorted order and are shown as given;
  // indices are positions in that order.
  virtual void FillGenreList(const std::vector<std::string>& names) = 0;
  virtual void ClearGenreList() = 0;
  virtual void SelectGenre(int index) = 0;      // -1 selects nothing
  virtual std::string SelectedGenreText() = 0;  // empty when nothing is selected

  // Shows the modeless dialog, or hides it (closing only hides it).
  virtual void ShowDialog() = 0;
  virtual void HideDialog() = 0;
};

class TagEditorDialog {
 public:
  explicit TagEditorDialog(TagEditorControls& controls) : m_controls(controls) {}

  // Sets the showing flag, fills the controls from the tag fields, selects the file's genre and
  // shows the dialog.
  void Show();
  // The user picked another entry of the genre list.
  void OnGenreSelChange();
  // Fills the tag fields from the controls and writes them into the open MP3 file; a missing
  // file or a failed write is reported. The dialog then closes.
  void OnOk();
  // Closes the dialog; the tag fields keep what they held.
  void OnCancel();
  // The dialog was moved: the main view is drawn again.
  void OnMoved();

  bool IsShowing() const { return m_showing; }

 private:
  void Close();

  TagEditorControls& m_controls;
  bool m_showing = false;
};

// The view's one tag editor, registered when the view is set up and cleared at shutdown.
void SetTagEditorDialog(TagEditorDialog* dialog);
TagEditorDialog* GetTagEditorDialog();

// Command 32781 "ID3 Tag Editor": shows the dialog unless it is already on screen.
void OnId3TagEditor();

}  // namespace vexalo
