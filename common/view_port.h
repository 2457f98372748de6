// What the core asks of the window: message boxes, file dialogs, the lyrics editor, control
// texts, the slider, status panes, title, clipboard, focus and the drawing surface.
// Texts crossing this port are CP949 bytes (the window converts them with the text codec);
// editor character indices are byte offsets into the editor's CP949 text. File names and paths
// are the platform's bytes (UTF-8) and never go through the codec: they cross only in the file
// dialog, SetTitle and SetControlNameText.
// The window implementation may be called from a worker thread; it marshals onto the UI thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/canvas.h"
#include "common/shared_state.h"

namespace vexalo {

extern const char* const kProductTitle;  // "Vexalo Caption Editor", the title of every message box

enum class MessageStyle { Ok, YesNo };
enum class Answer { Ok, Yes, No };

struct FileDialogRequest {
  bool save = false;
  std::string title;
  std::string filter;        // "Description (*.ext)|*.ext|" pairs, as the commands give them
  std::string folder;        // initial folder, empty for the current one
  std::string proposedName;  // initial file name, may be empty
  std::string defaultExt;    // without the dot, may be empty
  int filterIndex = 0;       // the filter entry shown first, counted from 0
  // A drop-down list the dialog shows under its file list (label and items), and the item it
  // starts on; none when `choices` is empty.
  std::string choiceLabel;
  std::vector<std::string> choices;
  int choice = 0;
};

struct FileChoice {
  std::string path;  // full path
  std::string name;  // file name alone
  int filterIndex = 0;  // the filter entry chosen, counted from 0
  int choice = 0;    // the item of the request's drop-down list that was chosen
};

class ViewPort {
 public:
  virtual ~ViewPort() = default;

  virtual Answer MessageBox(const std::string& text, const std::string& title, MessageStyle style) = 0;
  virtual std::optional<FileChoice> FileDialog(const FileDialogRequest& request) = 0;

  // Lyrics editor (control 1001). Setting the text from the program raises no change notification.
  virtual std::string GetEditorText() = 0;
  virtual void SetEditorText(const std::string& cp949) = 0;
  virtual int EditorCaretLine() = 0;          // zero-based line of the caret (or selection start)
  virtual int EditorLineIndex(int line) = 0;  // byte index of the line's first character, -1 if none
  virtual void EditorSelect(int from, int to) = 0;
  virtual void EditorScroll(int lines) = 0;
  virtual int EditorFirstVisibleLine() = 0;
  virtual void EditorPaste() = 0;             // pastes the clipboard at the caret
  // The selection as byte offsets, from <= to (equal for a bare caret). By default the start of
  // the caret's line.
  virtual void EditorGetSelection(int& from, int& to) {
    from = EditorLineIndex(EditorCaretLine());
    if (from < 0) from = 0;
    to = from;
  }
  virtual void EditorSetLimit(int bytes) = 0;

  // Other controls by id.
  virtual void SetControlText(int id, const std::string& cp949) = 0;
  // A control text that holds a file name: the platform's bytes (UTF-8), not CP949.
  virtual void SetControlNameText(int id, const std::string& utf8) = 0;
  virtual std::string GetControlText(int id) = 0;
  virtual bool IsChecked(int id) = 0;
  virtual void SetChecked(int id, bool checked) = 0;
  virtual Rect ControlRect(int id) = 0;  // in view client coordinates
  virtual void SetFocus(int id) = 0;

  // Position slider (control 1003).
  virtual void SetSliderRange(int min, int max) = 0;
  virtual void SetSliderPos(int pos) = 0;
  virtual int GetSliderPos() = 0;
  virtual void EnableSlider(bool enabled) = 0;

  // Frame.
  virtual void SetStatusText(int pane, const std::string& cp949) = 0;
  // A status text that holds file names: UTF-8, the platform's bytes, not CP949.
  virtual void SetStatusNameText(int pane, const std::string& utf8) { SetStatusText(pane, utf8); }
  // The frame's title holds the open file's name: UTF-8, the platform's bytes.
  virtual void SetTitle(const std::string& utf8) = 0;
  virtual void SetClipboardText(const std::string& cp949) = 0;
  virtual void SetMouseCursor(int cursorId) { (void)cursorId; }

  // Drawing: acquire a canvas around each drawing, from any thread, and release it after.
  virtual Canvas& AcquireCanvas() = 0;
  virtual void ReleaseCanvas(Canvas& canvas) = 0;
};

// Holds a canvas for the length of one drawing.
class CanvasLease {
 public:
  explicit CanvasLease(ViewPort& view) : m_view(view), m_canvas(view.AcquireCanvas()) {}
  ~CanvasLease() { m_view.ReleaseCanvas(m_canvas); }
  CanvasLease(const CanvasLease&) = delete;
  CanvasLease& operator=(const CanvasLease&) = delete;
  Canvas& operator*() { return m_canvas; }
  Canvas* operator->() { return &m_canvas; }

 private:
  ViewPort& m_view;
  Canvas& m_canvas;
};

}  // namespace vexalo
