#include "app/vexalo_caption_view.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include <wx/app.h>
#include <wx/clipbrd.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/filedlg.h>
#include <wx/filedlgcustomize.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/stattext.h>

#include "app/core_calls.h"
#include "app/editor_text.h"
#include "app/key_codes.h"
#include "app/message_dialog.h"
#include "app/resources.h"
#include "app/tag_editor_window.h"
#include "commands/tag_editor_dialog.h"
#include "common/control_ids.h"
#include "common/repaint.h"
#include "common/shared_state.h"
#include "common/text_codec.h"
#include "common/text_encoding.h"
#include "common/worker.h"
#include "form/control_layout.h"
#include "form/skin_layout.h"
#include "form/string_table.h"
#include "playback/pointing.h"

namespace vexalo::app {

namespace {

constexpr int kViewTimerMillis = 50;

wxString FromCp949(const std::string& cp949) { return wxString::FromUTF8(Cp949ToUtf8(cp949).c_str()); }

std::string ToCp949(const wxString& text) {
  const wxScopedCharBuffer utf8 = text.utf8_str();
  return EncodeCp949(std::string_view(utf8.data(), utf8.length())).bytes;
}

// A name that is not UTF-8 still shows: its stray bytes as private-use characters.
wxString FromNative(const std::string& bytes) {
  const wxString text = wxString::FromUTF8(bytes.data(), bytes.size());
  if (!text.empty() || bytes.empty()) return text;
  const std::string shown = DecodeText(bytes, EncodingChoice::Utf8).utf8;
  return wxString::FromUTF8(shown.data(), shown.size());
}

// Adds the request's drop-down list to the file dialog and keeps what was chosen in it.
class ChoiceHook : public wxFileDialogCustomizeHook {
 public:
  ChoiceHook(const FileDialogRequest& request, wxFileDialogChoice*& shown) : m_request(request), m_shown(shown) {}
  void AddCustomControls(wxFileDialogCustomize& customizer) override {
    if (!m_request.choiceLabel.empty()) customizer.AddStaticText(FromCp949(m_request.choiceLabel));
    wxArrayString items;
    for (const std::string& item : m_request.choices) items.Add(FromCp949(item));
    m_shown = customizer.AddChoice(items.size(), &items[0]);
    m_shown->SetSelection(m_request.choice);
    m_chosen = m_request.choice;
  }
  void TransferDataFromCustomControls() override {
    if (m_shown && m_shown->GetSelection() != wxNOT_FOUND) m_chosen = m_shown->GetSelection();
    m_shown = nullptr;
  }
  int Chosen() const { return m_chosen; }

 private:
  const FileDialogRequest& m_request;
  wxFileDialogChoice*& m_shown;
  int m_chosen = 0;
};
std::string ToNative(const wxString& text) { return std::string(text.utf8_str()); }

std::u32string ToChars(const wxString& text) {
  std::u32string out;
  out.reserve(text.length());
  for (wxString::const_iterator it = text.begin(); it != text.end(); ++it) out.push_back(static_cast<char32_t>((*it).GetValue()));
  return out;
}

wxString FromChars(const std::u32string& chars) {
  wxString out;
  out.reserve(chars.size());
  for (char32_t c : chars) out.Append(wxUniChar(static_cast<wxUint32>(c)));
  return out;
}

wxColour ToWx(Colour c) { return wxColour((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }

wxRect ToWxRect(const Rect& r) { return wxRect(r.left, r.top, r.Width(), r.Height()); }

// "Description (*.ext)|*.ext|...|" as the commands give it, without the trailing bars.
wxString Wildcard(const std::string& filter) {
  std::string f = filter;
  while (!f.empty() && f.back() == '|') f.pop_back();
  return f.empty() ? wxString("*") : FromCp949(f);
}

}  // namespace

CVexaloCaptionView::CVexaloCaptionView(wxFrame* frame, wxSize clientSize)
    : wxWindow(frame, wxID_ANY, wxPoint(0, 0), clientSize, wxWANTS_CHARS | wxBORDER_NONE),
      m_frame(frame),
      m_buffer(clientSize.x, clientSize.y, skin::kViewBackground),
      m_queue([] { return wxIsMainThread(); }, [this](std::function<void()> drain) { CallAfter(std::move(drain)); }),
      m_surface(m_buffer, m_queue,
                ViewSurface::Hooks{[this](const std::string& cp949, Colour background) { return RenderText(cp949, background); },
                                   [this] { SchedulePresent(); }}),
      m_timer(this) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  m_screen = wxBitmap(clientSize.x, clientSize.y, 24);
  m_textFont = wxFont(wxFontInfo(wxSize(0, 13)).FaceName("NanumGothic"));
  if (!m_textFont.IsOk()) m_textFont = *wxNORMAL_FONT;
  CreateControls();

  Bind(wxEVT_PAINT, &CVexaloCaptionView::OnPaint, this);
  Bind(wxEVT_ERASE_BACKGROUND, &CVexaloCaptionView::OnEraseBackground, this);
  for (auto type : {wxEVT_LEFT_DOWN, wxEVT_LEFT_UP, wxEVT_LEFT_DCLICK, wxEVT_RIGHT_DOWN, wxEVT_RIGHT_DCLICK, wxEVT_MOTION}) {
    Bind(type, &CVexaloCaptionView::OnMouse, this);
  }
  Bind(wxEVT_TIMER, &CVexaloCaptionView::OnViewTimer, this, m_timer.GetId());
  Bind(wxEVT_MOUSEWHEEL, [this](wxMouseEvent& event) {
    const int steps = event.GetWheelDelta() > 0 ? event.GetWheelRotation() / event.GetWheelDelta() : 0;
    if (m_shutDown || event.GetWheelAxis() != wxMOUSE_WHEEL_VERTICAL ||
        !core::WaveformWheel(event.GetX(), event.GetY(), steps, event.ControlDown()))
      event.Skip();
  });
}

CVexaloCaptionView::~CVexaloCaptionView() {
  m_timer.Stop();
  ViewPort* self = this;
  ActiveView.compare_exchange_strong(self, nullptr);
}

void CVexaloCaptionView::CreateControls() {
  auto place = [](int id) {
    const skin::ControlPlacement* p = skin::FindControlPlacement(id);
    return p ? ToWxRect(p->rect) : wxRect();
  };
  const wxRect editor = place(kIdcEditor);
  // Long lines wrap (at a blank, or inside a word too long for a row): the editor never scrolls
  // sideways. Line numbers still count the text's lines, not the rows they take.
  m_editor = new wxTextCtrl(this, kIdcEditor, wxEmptyString, editor.GetPosition(), editor.GetSize(),
                            wxTE_MULTILINE | wxTE_BESTWRAP | wxVSCROLL | wxBORDER_SUNKEN);
  const wxRect slider = place(kIdcSlider);
  m_slider = new wxSlider(this, kIdcSlider, 0, 0, 65535, slider.GetPosition(), slider.GetSize(), wxSL_HORIZONTAL);
  const wxRect check = place(kIdcAutoAdvance);
  m_autoAdvance = new wxCheckBox(this, kIdcAutoAdvance, wxEmptyString, check.GetPosition(), check.GetSize());
  const wxRect seconds = place(kIdcAdjustSeconds);
  m_adjustSeconds = new wxTextCtrl(this, kIdcAdjustSeconds, "0", seconds.GetPosition(), seconds.GetSize());
  const wxRect tenths = place(kIdcAdjustTenths);
  m_adjustTenths = new wxTextCtrl(this, kIdcAdjustTenths, "0", tenths.GetPosition(), tenths.GetSize());
  const wxRect plus = place(kIdcAdjustPlus);
  m_adjustPlus = new wxRadioButton(this, kIdcAdjustPlus, wxEmptyString, plus.GetPosition(), plus.GetSize(), wxRB_GROUP);
  const wxRect minus = place(kIdcAdjustMinus);
  m_adjustMinus = new wxRadioButton(this, kIdcAdjustMinus, wxEmptyString, minus.GetPosition(), minus.GetSize());
  std::vector<wxStaticText*> labels;
  wxStaticText* point = nullptr;  // the "." between the seconds and the tenths
  for (const skin::ControlPlacement& p : skin::ControlPlacements()) {
    if (p.id != 0 || !p.label) continue;
    auto* label = new wxStaticText(this, wxID_ANY, wxString::FromUTF8(p.label), wxPoint(p.rect.left, p.rect.top),
                                   wxSize(p.rect.Width(), p.rect.Height()), wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE);
    label->SetBackgroundColour(ToWx(skin::kViewBackground));
    labels.push_back(label);
    if (std::string_view(p.label) == ".") point = label;
  }
  // Small check and radio boxes keep their place but take the size the theme needs; a label
  // that the grown box would cover moves to its right.
  for (wxWindow* w : std::initializer_list<wxWindow*>{m_autoAdvance, m_adjustPlus, m_adjustMinus}) {
    const wxSize best = w->GetBestSize();
    const wxSize now = w->GetSize();
    w->SetSize(std::max(now.x, best.x), std::max(now.y, best.y));
    for (wxStaticText* label : labels)
      if (label->GetRect().Intersects(w->GetRect())) {
        const int width = std::min(label->GetSize().x, label->GetTextExtent(label->GetLabel()).x + 4);
        label->SetSize(w->GetRect().GetRight() + 1, label->GetPosition().y, width, label->GetSize().y);
        m_adjustLeftEnd = std::max(m_adjustLeftEnd, label->GetRect().GetRight() + 1);
        m_adjustSideLabels.push_back(label);
      }
  }
  m_adjustPoint = point;
  // The theme's padding is known once the fields are on screen.
  CallAfter([this] { FitAdjustFields(); });
  // Hidden controls whose texts the logic keeps: group frame, side-time field, adjust preview.
  for (int id : {kIdcGroupFrame, kIdcSideTime, kIdcAdjustPreview}) m_hiddenTexts[id];

  m_editor->Bind(wxEVT_TEXT, &CVexaloCaptionView::OnEditorText, this);
  m_editor->Bind(wxEVT_LEFT_DCLICK, [this](wxMouseEvent& e) {
    e.Skip();
    CallAfter([] { core::EditorDoubleClicked(); });
  });
  m_editor->Bind(wxEVT_SET_FOCUS, [](wxFocusEvent& e) {
    core::EditorFocusChanged(true);
    e.Skip();
  });
  m_editor->Bind(wxEVT_KILL_FOCUS, [](wxFocusEvent& e) {
    core::EditorFocusChanged(false);
    e.Skip();
  });
  m_slider->Bind(wxEVT_SLIDER, [](wxCommandEvent& e) {
    OnSliderCustomDraw();
    e.Skip();
  });
  // A press on the slider: until its release the players leave the knob where the user puts it.
  m_slider->Bind(wxEVT_LEFT_DOWN, [](wxMouseEvent& e) {
    OnSliderPressed();
    e.Skip();
  });
  // The slider's released-capture: a click or a drag ended on it.
  m_slider->Bind(wxEVT_LEFT_UP, [this](wxMouseEvent& e) {
    e.Skip();
    CallAfter([] { OnSliderReleased(); });
  });
  m_autoAdvance->Bind(wxEVT_CHECKBOX, [](wxCommandEvent&) { core::AutoAdvanceClicked(); });
  m_adjustPlus->Bind(wxEVT_RADIOBUTTON, [](wxCommandEvent&) { core::AdjustPlusClicked(); });
  m_adjustMinus->Bind(wxEVT_RADIOBUTTON, [](wxCommandEvent&) { core::AdjustMinusClicked(); });
  m_adjustSeconds->Bind(wxEVT_TEXT, [this](wxCommandEvent&) {
    if (!m_settingEditor) core::AdjustSecondsChanged();
  });
  m_adjustTenths->Bind(wxEVT_TEXT, [this](wxCommandEvent&) {
    if (!m_settingEditor) core::AdjustTenthsChanged();
  });
}

void CVexaloCaptionView::FitAdjustFields() {
  // The Adjust fields widen to the room the theme's padding leaves for two digits (the seconds)
  // and one (the tenths), from the end of the "+" and "-" labels on (or their own place), the
  // "." between them as wide as its text. Their text starts at the left: the toolkit measures
  // that padding only there, and a centred text too wide for its field loses its first digit.
  auto roomFor = [](wxTextCtrl* field, std::initializer_list<const char*> texts) {
    int widest = 0;
    for (const char* text : texts) widest = std::max(widest, field->GetTextExtent(text).x);
    return std::max(field->GetSize().x, field->GetSizeFromTextSize(widest).x);
  };
  const int secondsWidth = roomFor(m_adjustSeconds, {"00", "59", "99"});
  const int tenthsWidth = roomFor(m_adjustTenths, {"0", "9"});
  const int pointWidth =
      m_adjustPoint ? std::min(m_adjustPoint->GetSize().x, m_adjustPoint->GetTextExtent(".").x + 4) : 0;
  int left = m_adjustLeftEnd > 0 ? m_adjustLeftEnd : m_adjustSeconds->GetPosition().x;
  // The fields end before the "Sec" caption painted right of them. Where the theme's widths would
  // reach it, the radios, their labels and the fields move left together, into the free margin of
  // the group (the radios stand well inside its frame).
  constexpr int kSecCaption = 252, kMostShift = 16;
  for (const skin::Placement& p : skin::FrameworkPlacements()) {
    if (p.id != kSecCaption) continue;
    const int shift = std::clamp(left + secondsWidth + pointWidth + tenthsWidth - p.x, 0, kMostShift);
    for (wxWindow* w : std::initializer_list<wxWindow*>{m_adjustPlus, m_adjustMinus}) w->Move(w->GetPosition().x - shift, w->GetPosition().y);
    for (wxStaticText* label : m_adjustSideLabels) label->Move(label->GetPosition().x - shift, label->GetPosition().y);
    left -= shift;
  }
  m_adjustSeconds->SetSize(left, m_adjustSeconds->GetPosition().y, secondsWidth, m_adjustSeconds->GetSize().y);
  left += secondsWidth;
  if (m_adjustPoint) {
    m_adjustPoint->SetSize(left, m_adjustPoint->GetPosition().y, pointWidth, m_adjustPoint->GetSize().y);
    left += pointWidth;
  }
  m_adjustTenths->SetSize(left, m_adjustTenths->GetPosition().y, tenthsWidth, m_adjustTenths->GetSize().y);
}

void CVexaloCaptionView::OnInitialUpdate() {
  std::map<int, Picture> pictures;
  for (const skin::BitmapSpec& entry : skin::Bitmaps()) {
    Picture picture = LoadSkinPicture(entry.id);
    if (!picture.Empty()) pictures.emplace(entry.id, std::move(picture));
  }
  m_surface.SetPictures(std::move(pictures));
  for (const skin::CursorSpec& entry : skin::Cursors()) m_cursors.emplace(entry.id, LoadSkinCursor(entry.id));
  ActiveView.store(this);
  m_form = std::make_unique<FormView>(*this);
  m_form->OnInitialUpdate();
  // The tag editor exists, hidden, for the program's whole run.
  m_tagEditor = new CTagEditorDlg(m_frame);
  SetTagEditorDialog(&m_tagEditor->Logic());
  m_timer.Start(kViewTimerMillis);
  RepaintView();
}

void CVexaloCaptionView::Shutdown() {
  if (m_shutDown) return;
  m_shutDown = true;
  if (WorkerBusy.load() != 0) TransportCommand.store(kCmdStop);
  m_timer.Stop();
  // The worker may still be drawing or waiting for an answer from this thread: keep serving it.
  WaitForWorker([] {
    if (wxTheApp) wxTheApp->ProcessPendingEvents();
  });
  core::PromptSaveOnExit();
  SetTagEditorDialog(nullptr);
  if (m_tagEditor) m_tagEditor->Hide();
  m_surface.ClearPictures();
  ViewPort* self = this;
  ActiveView.compare_exchange_strong(self, nullptr);
}

void CVexaloCaptionView::SchedulePresent() {
  if (m_presentPosted) return;
  m_presentPosted = true;
  CallAfter([this] {
    m_presentPosted = false;
    Present();
  });
}

void CVexaloCaptionView::Present() {
  // The region taken from the buffer is always invalidated whole: a paint the toolkit starts for
  // some other part (a control's strip, a closed menu) must not use it up unseen.
  const Rect d = m_buffer.TakeDirty(m_scratch);
  if (d.Width() <= 0 || d.Height() <= 0) return;
  wxImage image(d.Width(), d.Height(), false);
  unsigned char* rgb = image.GetData();
  for (std::size_t i = 0; i < m_scratch.size(); ++i) {
    rgb[3 * i] = static_cast<unsigned char>(m_scratch[i] >> 16);
    rgb[3 * i + 1] = static_cast<unsigned char>(m_scratch[i] >> 8);
    rgb[3 * i + 2] = static_cast<unsigned char>(m_scratch[i]);
  }
  {
    wxMemoryDC mem(m_screen);
    mem.DrawBitmap(wxBitmap(image), d.left, d.top);
  }
  RefreshRect(ToWxRect(d), false);
}

void CVexaloCaptionView::OnPaint(wxPaintEvent&) {
  wxPaintDC dc(this);
  wxMemoryDC mem(m_screen);
  for (wxRegionIterator it(GetUpdateRegion()); it; ++it) {
    const wxRect r = it.GetRect();
    dc.Blit(r.x, r.y, r.width, r.height, &mem, r.x, r.y);
  }
}

void CVexaloCaptionView::OnMouse(wxMouseEvent& event) {
  event.Skip();
  if (m_shutDown || !m_form) return;
  const int x = event.GetX(), y = event.GetY();
  const wxEventType type = event.GetEventType();
  if (type == wxEVT_LEFT_DOWN) {
    m_form->OnLButtonDown(x, y);
  } else if (type == wxEVT_LEFT_UP) {
    m_form->OnLButtonUp(x, y);
  } else if (type == wxEVT_LEFT_DCLICK) {
    vexalo::OnLButtonDblClk(x, y);
  } else if (type == wxEVT_RIGHT_DOWN) {
    vexalo::OnRButtonDown(x, y);
  } else if (type == wxEVT_RIGHT_DCLICK) {
    vexalo::OnRButtonDblClk(x, y);
  } else if (type == wxEVT_MOTION) {
    // As with a window class cursor, the arrow comes back wherever no button asks for another.
    m_wantedCursor = 0;
    m_inMouseMove = true;
    m_form->OnMouseMove(x, y);
    m_inMouseMove = false;
    if (m_wantedCursor != m_shownCursor) {
      m_shownCursor = m_wantedCursor;
      auto it = m_cursors.find(m_shownCursor);
      SetCursor(it != m_cursors.end() ? it->second : wxCursor(wxCURSOR_ARROW));
    }
  }
}

void CVexaloCaptionView::OnViewTimer(wxTimerEvent&) {
  if (m_shutDown) return;
  vexalo::OnTimer(0);
  core::TimingTick();
  core::ShowAudioNotice();
}

bool CVexaloCaptionView::PreTranslateKey(const wxKeyEvent& event, bool down) {
  if (m_shutDown) return false;
  const int vk = VirtualKeyOf(event.GetKeyCode());
  if (vk == 0) return false;
  if (down) return core::KeyDown(vk, ModifiersOf(event));
  core::KeyUp(vk);
  return false;
}

void CVexaloCaptionView::PreTranslateLeftDown() {
  if (!m_shutDown) core::LeftButtonDown();
}

std::u32string CVexaloCaptionView::EditorChars() { return ToChars(m_editor->GetValue()); }

const CVexaloCaptionView::EditorSnapshot& CVexaloCaptionView::Snapshot() {
  // The line read-out asks three times every 50 ms; the text is converted again only when it
  // changed.
  const wxString value = m_editor->GetValue();
  if (!m_snapshot || m_snapshot->value != value) {
    std::u32string chars = ToChars(value);
    EditorOffsets offsets(chars);
    std::string cp949 = EditorTextToCp949(chars).cp949;
    m_snapshot.emplace(EditorSnapshot{value, std::move(offsets), std::move(cp949)});
  }
  return *m_snapshot;
}

bool CVexaloCaptionView::EditorTextFits(const std::u32string& text, wxString* why) {
  const EditorBytes bytes = EditorTextToCp949(text);
  if (!bytes.unencodable.empty()) {
    std::u32string shown(bytes.unencodable.begin(), bytes.unencodable.begin() + std::min<std::size_t>(bytes.unencodable.size(), 8));
    *why = wxString::FromUTF8(" The lyrics can only hold characters of code page 949: ") + FromChars(shown) + " ";
    return false;
  }
  if (m_editorLimit > 0 && bytes.cp949.size() > static_cast<std::size_t>(m_editorLimit)) {
    *why = wxString::Format(" The lyrics are limited to %d bytes ", m_editorLimit);
    return false;
  }
  return true;
}

void CVexaloCaptionView::OnEditorText(wxCommandEvent&) {
  if (m_settingEditor) return;
  wxString value = m_editor->GetValue();
  if (value.Find('\r') != wxNOT_FOUND) {
    // Pasted CR LF or CR line ends: the control keeps "\n" only, so byte offsets stay CR LF.
    long caret = m_editor->GetInsertionPoint();
    value.Replace("\r\n", "\n");
    value.Replace("\r", "\n");
    m_settingEditor = true;
    m_editor->ChangeValue(value);
    m_editor->SetInsertionPoint(std::min<long>(caret, static_cast<long>(value.length())));
    m_settingEditor = false;
  }
  wxString why;
  if (!EditorTextFits(ToChars(value), &why)) {
    // Refuse the edit whole rather than drop or cut characters behind the user's back.
    const long caret = m_editor->GetInsertionPoint();
    m_settingEditor = true;
    m_editor->ChangeValue(m_acceptedText);
    m_editor->SetInsertionPoint(std::min<long>(caret, static_cast<long>(m_acceptedText.length())));
    m_settingEditor = false;
    wxBell();
    m_frame->SetStatusText(why, kPanePrompt);
    return;
  }
  m_acceptedText = value;
  core::EditorChanged();
}

// ---- ViewPort
Answer CVexaloCaptionView::MessageBox(const std::string& text, const std::string& title, MessageStyle style) {
  return m_queue.Run([&] { return ShowMessage(m_frame, FromCp949(text), FromCp949(title), style); });
}

std::optional<FileChoice> CVexaloCaptionView::FileDialog(const FileDialogRequest& request) {
  return m_queue.Run([&]() -> std::optional<FileChoice> {
    if (!m_presetChoices.empty()) {
      FileChoice preset = m_presetChoices.front();
      m_presetChoices.pop_front();
      return preset;
    }
    const long style = request.save ? wxFD_SAVE : (wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    wxFileDialog dialog(m_frame, FromCp949(request.title), FromNative(request.folder), FromNative(request.proposedName),
                        Wildcard(request.filter), style);
    dialog.SetFilterIndex(request.filterIndex);
    ChoiceHook hook(request, m_fileDialogChoice);
    if (!request.choices.empty()) dialog.SetCustomizeHook(hook);
    m_fileDialog = &dialog;
    const int answer = dialog.ShowModal();
    m_fileDialog = nullptr;
    m_fileDialogChoice = nullptr;
    if (answer != wxID_OK) return std::nullopt;
    wxString path = dialog.GetPath();
    wxString name = dialog.GetFilename();
    if (request.save && !request.defaultExt.empty() && name.Find('.') == wxNOT_FOUND) {
      const wxString ext = "." + FromNative(request.defaultExt);
      path += ext;
      name += ext;
    }
    return FileChoice{ToNative(path), ToNative(name), dialog.GetFilterIndex(), request.choices.empty() ? 0 : hook.Chosen()};
  });
}

std::string CVexaloCaptionView::GetEditorText() {
  return m_queue.Run([&] { return Snapshot().cp949; });
}

void CVexaloCaptionView::SetEditorText(const std::string& cp949) {
  m_queue.Run([&] {
    const wxString value = wxString::FromUTF8(EditorTextFromCp949(cp949).c_str());
    m_settingEditor = true;
    m_editor->ChangeValue(value);
    m_settingEditor = false;
    m_acceptedText = value;
  });
}

int CVexaloCaptionView::EditorCaretLine() {
  return m_queue.Run([&] {
    long from = 0, to = 0;
    m_editor->GetSelection(&from, &to);
    return Snapshot().offsets.LineOfChar(std::min(from, to));
  });
}

int CVexaloCaptionView::EditorLineIndex(int line) {
  return m_queue.Run([&] { return Snapshot().offsets.LineIndex(line); });
}

void CVexaloCaptionView::EditorSelect(int from, int to) {
  m_queue.Run([&] {
    const EditorOffsets& offsets = Snapshot().offsets;
    const long last = static_cast<long>(offsets.CharCount());
    if (from < 0) {
      // Removes the selection and leaves the caret where it is.
      m_editor->SetInsertionPoint(m_editor->GetInsertionPoint());
      return;
    }
    const long a = offsets.CharOfByte(from);
    const long b = to < 0 ? last : offsets.CharOfByte(to);
    m_editor->SetSelection(a, b);
  });
}

void CVexaloCaptionView::EditorScroll(int lines) {
  m_queue.Run([&] {
    if (lines != 0) m_editor->ScrollLines(lines);
  });
}

int CVexaloCaptionView::EditorFirstVisibleLine() {
  return m_queue.Run([&] {
    long pos = 0;
    if (m_editor->HitTest(wxPoint(2, 2), &pos) == wxTE_HT_UNKNOWN) return 0;
    return Snapshot().offsets.LineOfChar(pos);
  });
}

void CVexaloCaptionView::EditorPaste() {
  m_queue.Run([&] {
    wxString text = FromCp949(m_clipboardText);
    if (wxTheClipboard->Open()) {
      wxTextDataObject data;
      if (wxTheClipboard->IsSupported(wxDF_UNICODETEXT) && wxTheClipboard->GetData(data)) text = data.GetText();
      wxTheClipboard->Close();
    }
    // Written at the caret over the selection, as an ordinary edit that notifies the logic.
    m_editor->WriteText(text);
  });
}

void CVexaloCaptionView::EditorGetSelection(int& from, int& to) {
  m_queue.Run([&] {
    long a = 0, b = 0;
    m_editor->GetSelection(&a, &b);
    const EditorOffsets& offsets = Snapshot().offsets;
    from = offsets.ByteOfChar(std::min(a, b));
    to = offsets.ByteOfChar(std::max(a, b));
  });
}

void CVexaloCaptionView::EditorSetLimit(int bytes) {
  m_queue.Run([&] { m_editorLimit = bytes; });
}

wxWindow* CVexaloCaptionView::ControlWindow(int id) {
  switch (id) {
    case kIdcEditor: return m_editor;
    case kIdcSlider: return m_slider;
    case kIdcAutoAdvance: return m_autoAdvance;
    case kIdcAdjustSeconds: return m_adjustSeconds;
    case kIdcAdjustTenths: return m_adjustTenths;
    case kIdcAdjustPlus: return m_adjustPlus;
    case kIdcAdjustMinus: return m_adjustMinus;
    default: return nullptr;
  }
}

void CVexaloCaptionView::SetControlText(int id, const std::string& cp949) {
  m_queue.Run([&] {
    if (id == kIdcEditor) {
      SetEditorText(cp949);
    } else if (auto* field = dynamic_cast<wxTextCtrl*>(ControlWindow(id))) {
      m_settingEditor = true;  // a text set by the program raises no change notification
      field->ChangeValue(FromCp949(cp949));
      m_settingEditor = false;
    } else {
      m_hiddenTexts[id] = cp949;
    }
  });
}

void CVexaloCaptionView::SetControlNameText(int id, const std::string& utf8) {
  m_queue.Run([&] {
    if (auto* field = dynamic_cast<wxTextCtrl*>(ControlWindow(id))) {
      m_settingEditor = true;
      field->ChangeValue(FromNative(utf8));
      m_settingEditor = false;
    } else {
      m_hiddenTexts[id].clear();
      m_hiddenNames[id] = utf8;
    }
  });
}

std::string CVexaloCaptionView::GetControlText(int id) {
  return m_queue.Run([&]() -> std::string {
    if (id == kIdcEditor) return Snapshot().cp949;
    if (auto* field = dynamic_cast<wxTextCtrl*>(ControlWindow(id))) return ToCp949(field->GetValue());
    auto it = m_hiddenTexts.find(id);
    return it == m_hiddenTexts.end() ? std::string() : it->second;
  });
}

bool CVexaloCaptionView::IsChecked(int id) {
  return m_queue.Run([&] {
    if (id == kIdcAutoAdvance) return m_autoAdvance->GetValue();
    if (id == kIdcAdjustPlus) return m_adjustPlus->GetValue();
    if (id == kIdcAdjustMinus) return m_adjustMinus->GetValue();
    return false;
  });
}

void CVexaloCaptionView::SetChecked(int id, bool checked) {
  m_queue.Run([&] {
    if (id == kIdcAutoAdvance) m_autoAdvance->SetValue(checked);
    // A radio is only ever set, never cleared; its partner clears itself.
    if (id == kIdcAdjustPlus && checked) m_adjustPlus->SetValue(true);
    if (id == kIdcAdjustMinus && checked) m_adjustMinus->SetValue(true);
  });
}

Rect CVexaloCaptionView::ControlRect(int id) {
  if (const skin::ControlPlacement* p = skin::FindControlPlacement(id)) return p->rect;
  return Rect{};
}

wxRect CVexaloCaptionView::ControlWxRect(int id) { return ToWxRect(ControlRect(id)); }

void CVexaloCaptionView::SetFocus(int id) {
  m_queue.Run([&] {
    if (wxWindow* w = ControlWindow(id)) {
      w->SetFocus();
    } else {
      // Hidden controls (the waveform area, the side-time field) take the focus away from the
      // editor; the view itself stands in for them.
      wxWindow::SetFocus();
    }
  });
}

void CVexaloCaptionView::SetSliderRange(int min, int max) {
  m_queue.Post([this, min, max] { m_slider->SetRange(min, max); });
}

void CVexaloCaptionView::SetSliderPos(int pos) {
  m_queue.Post([this, pos] { m_slider->SetValue(pos); });
}

int CVexaloCaptionView::GetSliderPos() {
  return m_queue.Run([&] { return m_slider->GetValue(); });
}

void CVexaloCaptionView::EnableSlider(bool enabled) {
  m_queue.Post([this, enabled] { m_slider->Enable(enabled); });
}

void CVexaloCaptionView::SetStatusText(int pane, const std::string& cp949) {
  m_queue.Post([this, pane, text = cp949] {
    if (m_frame->GetStatusBar() && pane < m_frame->GetStatusBar()->GetFieldsCount())
      m_frame->SetStatusText(FromCp949(text), pane);
  });
}

void CVexaloCaptionView::SetStatusNameText(int pane, const std::string& utf8) {
  m_queue.Post([this, pane, text = utf8] {
    if (m_frame->GetStatusBar() && pane < m_frame->GetStatusBar()->GetFieldsCount())
      m_frame->SetStatusText(FromNative(text), pane);
  });
}

void CVexaloCaptionView::SetTitle(const std::string& utf8) {
  m_queue.Post([this, text = utf8] { m_frame->SetTitle(FromNative(text)); });
}

void CVexaloCaptionView::SetClipboardText(const std::string& cp949) {
  m_queue.Run([&] {
    m_clipboardText = cp949;
    if (wxTheClipboard->Open()) {
      wxTheClipboard->SetData(new wxTextDataObject(FromCp949(cp949)));
      wxTheClipboard->Close();
    }
  });
}

void CVexaloCaptionView::SetMouseCursor(int cursorId) {
  m_queue.Post([this, cursorId] {
    m_wantedCursor = cursorId;
    if (m_inMouseMove) return;  // applied when the move handler ends
    m_shownCursor = cursorId;
    auto it = m_cursors.find(cursorId);
    SetCursor(it != m_cursors.end() ? it->second : wxCursor(wxCURSOR_ARROW));
  });
}

Canvas& CVexaloCaptionView::AcquireCanvas() {
  m_surface.Acquire();
  return m_surface;
}

void CVexaloCaptionView::ReleaseCanvas(Canvas&) { m_surface.Release(); }

Picture CVexaloCaptionView::RenderText(const std::string& cp949, Colour background) {
  Picture picture;
  const wxString text = FromCp949(cp949);
  wxBitmap measure(1, 1, 24);
  wxMemoryDC dc(measure);
  dc.SetFont(m_textFont);
  wxCoord w = 0, h = 0;
  dc.GetTextExtent(text, &w, &h);
  dc.SelectObject(wxNullBitmap);
  if (w <= 0 || h <= 0) return picture;
  wxBitmap bitmap(w, h, 24);
  dc.SelectObject(bitmap);
  dc.SetFont(m_textFont);
  dc.SetBackground(wxBrush(ToWx(background)));
  dc.Clear();
  dc.SetTextForeground(*wxBLACK);
  dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
  dc.DrawText(text, 0, 0);
  dc.SelectObject(wxNullBitmap);
  const wxImage image = bitmap.ConvertToImage();
  picture.width = w;
  picture.height = h;
  picture.pixels.resize(static_cast<std::size_t>(w) * h);
  const unsigned char* rgb = image.GetData();
  for (std::size_t i = 0; i < picture.pixels.size(); ++i) picture.pixels[i] = RGB(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
  return picture;
}

}  // namespace vexalo::app
