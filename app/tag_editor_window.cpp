#include "app/tag_editor_window.h"

#include <wx/button.h>
#include <wx/frame.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "tags/tag_fields.h"

namespace vexalo::app {

namespace {

wxString FromUtf8(const std::string& utf8) { return wxString::FromUTF8(utf8.data(), utf8.size()); }

std::string ToUtf8(const wxString& text) {
  const wxScopedCharBuffer utf8 = text.utf8_str();
  return std::string(utf8.data(), utf8.length());
}

const wxString kOkText = wxString::FromUTF8("OK");
const wxString kCancelText = wxString::FromUTF8("Cancel");

}  // namespace

CTagEditorDlg::CTagEditorDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, wxString::FromUTF8(kTagEditorTitle), wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX),
      m_logic(*this) {
  const struct {
    int id;
    const char* label;
    long style;
    int height;
  } rows[] = {
      {kIdcTagTrack, "Track Number", wxTE_CENTRE, -1}, {kIdcTagTitle, "Title", 0, -1},
      {kIdcTagArtist, "Artist", 0, -1},                {kIdcTagAlbum, "Album", 0, -1},
      {kIdcTagYear, "Year", wxTE_CENTRE, -1},          {kIdcTagGenre, "Genre", 0, -1},
      {kIdcTagComment, "Comment", wxTE_MULTILINE, 64},
  };
  auto* grid = new wxFlexGridSizer(2, 6, 10);
  grid->AddGrowableCol(1, 1);
  for (const auto& row : rows) {
    grid->Add(new wxStaticText(this, wxID_ANY, wxString::FromUTF8(row.label)), 0, wxALIGN_CENTER_VERTICAL);
    if (row.id == kIdcTagGenre) {
      m_genre = new wxComboBox(this, kIdcTagGenre, wxString(), wxDefaultPosition, wxSize(260, -1), 0, nullptr, wxCB_READONLY);
      grid->Add(m_genre, 1, wxEXPAND);
      continue;
    }
    auto* field = new wxTextCtrl(this, row.id, wxString(), wxDefaultPosition, wxSize(260, row.height), row.style);
    m_fields[row.id] = field;
    grid->Add(field, 1, wxEXPAND);
    // A tag slot holds 511 bytes of UTF-8 (170 Hangul syllables): refuse an edit beyond that
    // instead of cutting the text on OK.
    field->Bind(wxEVT_TEXT, [this, field, id = row.id](wxCommandEvent&) {
      const wxString value = field->GetValue();
      if (ToUtf8(value).size() < kTagSlotBytes) {
        m_accepted[id] = value;
        return;
      }
      const long caret = field->GetInsertionPoint();
      field->ChangeValue(m_accepted[id]);
      field->SetInsertionPoint(std::min<long>(caret, static_cast<long>(m_accepted[id].length())));
      wxBell();
      if (auto* frame = wxDynamicCast(GetParent() ? wxGetTopLevelParent(GetParent()) : nullptr, wxFrame))
        frame->SetStatusText(wxString::FromUTF8(" Tag texts are limited to 511 bytes (170 Hangul syllables) "), 0);
    });
  }
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  auto* ok = new wxButton(this, wxID_OK, kOkText);
  auto* cancel = new wxButton(this, wxID_CANCEL, kCancelText);
  buttons->Add(ok, 0, wxRIGHT, 8);
  buttons->Add(cancel);
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(grid, 1, wxALL | wxEXPAND, 12);
  top->Add(buttons, 0, wxALIGN_RIGHT | wxLEFT | wxRIGHT | wxBOTTOM, 12);
  SetSizerAndFit(top);

  ok->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { m_logic.OnOk(); });
  cancel->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { m_logic.OnCancel(); });
  Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { m_logic.OnCancel(); });
  m_genre->Bind(wxEVT_COMBOBOX, [this](wxCommandEvent&) { m_logic.OnGenreSelChange(); });
  Bind(wxEVT_MOVE, [this](wxMoveEvent& e) {
    e.Skip();
    if (IsShown()) m_logic.OnMoved();
  });
}

wxTextCtrl* CTagEditorDlg::Field(int id) const {
  auto it = m_fields.find(id);
  return it == m_fields.end() ? nullptr : it->second;
}

void CTagEditorDlg::SetFieldText(int controlId, const std::string& utf8) {
  if (wxTextCtrl* field = Field(controlId)) {
    m_accepted[controlId] = FromUtf8(utf8);
    field->ChangeValue(m_accepted[controlId]);
  }
}

std::string CTagEditorDlg::GetFieldText(int controlId) {
  wxTextCtrl* field = Field(controlId);
  return field ? ToUtf8(field->GetValue()) : std::string();
}

void CTagEditorDlg::FillGenreList(const std::vector<std::string>& names) {
  wxArrayString items;
  for (const std::string& name : names) items.Add(FromUtf8(name));
  m_genre->Set(items);
}

void CTagEditorDlg::ClearGenreList() { m_genre->Clear(); }

void CTagEditorDlg::SelectGenre(int index) { m_genre->SetSelection(index < 0 ? wxNOT_FOUND : index); }

std::string CTagEditorDlg::SelectedGenreText() {
  const int n = m_genre->GetSelection();
  return n == wxNOT_FOUND ? std::string() : ToUtf8(m_genre->GetString(static_cast<unsigned>(n)));
}

void CTagEditorDlg::ShowDialog() {
  if (!m_placed) {
    CentreOnParent();  // first showing: over the main window; later ones where the user left it
    m_placed = true;
  }
  Show();
  Raise();
}

void CTagEditorDlg::HideDialog() { Hide(); }

}  // namespace vexalo::app
