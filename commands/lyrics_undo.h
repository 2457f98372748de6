// Undo and redo of every change to the lyrics: the program's one history, the one step each
// command makes of its change, the user's typing, and the Undo and Redo commands. A command that
// changes the lyrics opens a LyricsStep before it touches the editor (the command table does so
// for the seed's commands) or hands its new text to ReplaceLyrics. After every change, undo and
// redo the lyric panel's table follows the lyrics (live_lyric_panel.h). UI thread only.
#pragma once

#include <string>

#include "lyrics/lyrics_history.h"

namespace vexalo {

class ViewPort;

// The history of the editor's lyrics.
LyricsHistory& TheLyricsHistory();

// Where the editor's caret, selection and scroll stand now.
EditorPlace CurrentEditorPlace(ViewPort& view);

// One undoable step: opened before a command touches the editor, finished (at the latest when
// it goes out of scope) after the command has put back its text, caret and scroll. The step
// holds everything that changed in between, however many edits the command made; the user's
// typing notifications are not recorded on their own meanwhile. Nothing is recorded when the
// text did not change. Steps may nest; only the outermost records.
class LyricsStep {
 public:
  LyricsStep(ViewPort& view, LyricsHistory& history, LyricsChangeKind kind = LyricsChangeKind::Command,
             int mergeKey = 0);
  ~LyricsStep();
  LyricsStep(const LyricsStep&) = delete;
  LyricsStep& operator=(const LyricsStep&) = delete;
  // Records the step now; true when the text changed.
  bool Finish();

 private:
  ViewPort& m_view;
  LyricsHistory& m_history;
  LyricsChangeKind m_kind;
  int m_mergeKey;
  EditorPlace m_before;
  bool m_outermost;
  bool m_finished = false;
};

// Puts `text` into the editor (and LyricsTextBuffer) as one undoable step, with the caret and
// scroll of `after`. For commands that compute a new text whole (onset snap, nudge).
void ReplaceLyrics(ViewPort& view, LyricsHistory& history, const std::string& text, const EditorPlace& after,
                   LyricsChangeKind kind = LyricsChangeKind::Command, int mergeKey = 0);

// The editor's change notification: the user's own edit, recorded as typing.
void OnLyricsTyped(ViewPort& view, LyricsHistory& history);

// Edit > Undo (Ctrl+Z) and Edit > Redo (Ctrl+Y, Ctrl+Shift+Z): the text, caret and scroll of
// the step come back. Nothing when there is nothing to undo or redo.
void UndoLyrics(ViewPort& view, LyricsHistory& history);
void RedoLyrics(ViewPort& view, LyricsHistory& history);

}  // namespace vexalo
