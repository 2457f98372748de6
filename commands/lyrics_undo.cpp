#include "commands/lyrics_undo.h"

#include "commands/live_lyric_panel.h"
#include "common/view_port.h"
#include "lyrics/lyrics_editor.h"

namespace vexalo {

namespace {

int g_openSteps = 0;

void Changed(ViewPort& view, LyricsChangeKind kind) { TheLivePanel().LyricsChanged(view, kind); }

// A change the history has not seen (made while nothing recorded it) becomes a step of its own,
// so that the next step holds only its own change.
void Catch(ViewPort& view, LyricsHistory& history) {
  const std::string text = view.GetEditorText();
  if (text == history.Current()) return;
  const EditorPlace place = CurrentEditorPlace(view);
  history.Record(text, LyricsChangeKind::Command, place, place);
  history.CloseGroup();
  Changed(view, LyricsChangeKind::Command);
}

void Restore(ViewPort& view, const LyricsHistory& history, const EditorPlace& place) {
  LyricsTextBuffer = history.Current();
  view.SetEditorText(history.Current());
  view.EditorSelect(place.from, place.to);
  view.EditorScroll(place.firstVisibleLine);
  CaptureEditorText();
}

}  // namespace

LyricsHistory& TheLyricsHistory() {
  static LyricsHistory history;
  return history;
}

EditorPlace CurrentEditorPlace(ViewPort& view) {
  EditorPlace place;
  view.EditorGetSelection(place.from, place.to);
  place.firstVisibleLine = view.EditorFirstVisibleLine();
  return place;
}

LyricsStep::LyricsStep(ViewPort& view, LyricsHistory& history, LyricsChangeKind kind, int mergeKey)
    : m_view(view), m_history(history), m_kind(kind), m_mergeKey(mergeKey), m_outermost(g_openSteps == 0) {
  ++g_openSteps;
  if (!m_outermost) return;
  Catch(view, history);
  m_before = CurrentEditorPlace(view);
}

LyricsStep::~LyricsStep() { Finish(); }

bool LyricsStep::Finish() {
  if (m_finished) return false;
  m_finished = true;
  --g_openSteps;
  if (!m_outermost) return false;
  const std::string text = m_view.GetEditorText();
  const bool changed = m_history.Record(text, m_kind, m_before, CurrentEditorPlace(m_view), m_mergeKey);
  if (m_kind == LyricsChangeKind::Command) m_history.CloseGroup();
  if (changed) Changed(m_view, m_kind);
  return changed;
}

void ReplaceLyrics(ViewPort& view, LyricsHistory& history, const std::string& text, const EditorPlace& after,
                   LyricsChangeKind kind, int mergeKey) {
  LyricsStep step(view, history, kind, mergeKey);
  LyricsTextBuffer = text;
  view.SetEditorText(text);
  view.EditorSelect(after.from, after.to);
  view.EditorScroll(after.firstVisibleLine);
  step.Finish();
}

void OnLyricsTyped(ViewPort& view, LyricsHistory& history) {
  if (g_openSteps != 0) return;
  const EditorPlace place = CurrentEditorPlace(view);
  if (history.Record(view.GetEditorText(), LyricsChangeKind::Typing, place, place)) Changed(view, LyricsChangeKind::Typing);
}

void UndoLyrics(ViewPort& view, LyricsHistory& history) {
  if (g_openSteps != 0) return;
  Catch(view, history);
  const std::optional<EditorPlace> place = history.Undo();
  if (!place) return;
  Restore(view, history, *place);
  Changed(view, LyricsChangeKind::Command);
}

void RedoLyrics(ViewPort& view, LyricsHistory& history) {
  if (g_openSteps != 0) return;
  Catch(view, history);  // an unseen change is a new step, after which nothing is left to redo
  const std::optional<EditorPlace> place = history.Redo();
  if (!place) return;
  Restore(view, history, *place);
  Changed(view, LyricsChangeKind::Command);
}

}  // namespace vexalo
