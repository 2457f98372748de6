// A ViewPort for headless tests: queued dialog answers, recorded message boxes and control
// texts, an editor held as a CP949 string, and a canvas supplied by the test.
#pragma once

#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "common/view_port.h"

namespace vexalo::test {

struct RecordedMessage {
  std::string text;
  std::string title;
  MessageStyle style;
};

class ScriptedViewPort : public ViewPort {
 public:
  explicit ScriptedViewPort(Canvas* canvas = nullptr) : m_canvas(canvas) {}

  // Script.
  void QueueAnswer(Answer a) { answers.push_back(a); }
  void QueueFile(std::optional<FileChoice> choice) { files.push_back(std::move(choice)); }

  // ViewPort.
  Answer MessageBox(const std::string& text, const std::string& title, MessageStyle style) override;
  std::optional<FileChoice> FileDialog(const FileDialogRequest& request) override;
  std::string GetEditorText() override;
  void SetEditorText(const std::string& cp949) override;
  int EditorCaretLine() override;
  int EditorLineIndex(int line) override;
  void EditorSelect(int from, int to) override;
  void EditorScroll(int lines) override;
  int EditorFirstVisibleLine() override;
  void EditorPaste() override;
  void EditorGetSelection(int& from, int& to) override;
  void EditorSetLimit(int bytes) override;
  void SetControlText(int id, const std::string& cp949) override;
  void SetControlNameText(int id, const std::string& utf8) override;
  std::string GetControlText(int id) override;
  bool IsChecked(int id) override;
  void SetChecked(int id, bool checked) override;
  Rect ControlRect(int id) override;
  void SetFocus(int id) override;
  void SetSliderRange(int min, int max) override;
  void SetSliderPos(int pos) override;
  int GetSliderPos() override;
  void EnableSlider(bool enabled) override;
  void SetStatusText(int pane, const std::string& cp949) override;
  void SetStatusNameText(int pane, const std::string& utf8) override;
  void SetTitle(const std::string& utf8) override;
  void SetClipboardText(const std::string& cp949) override;
  void SetMouseCursor(int cursorId) override;
  Canvas& AcquireCanvas() override;
  void ReleaseCanvas(Canvas& canvas) override;

  // Moves the caret to the start of a zero-based line (as a user's click would).
  void PutCaretOnLine(int line);

  // Everything below is open for tests to read and set. Guarded by `lock` when workers run.
  std::recursive_mutex lock;
  std::deque<Answer> answers;                         // next MessageBox answers (YesNo boxes)
  std::deque<std::optional<FileChoice>> files;        // next FileDialog results
  std::vector<RecordedMessage> messages;
  std::vector<FileDialogRequest> dialogs;
  std::string editorText;
  int caretIndex = 0;       // byte index of the caret (selection start)
  int selectionEnd = 0;
  int firstVisibleLine = 0;
  int editorTextSets = 0;   // SetEditorText calls
  int editorLimit = 0;
  std::string clipboard;
  std::map<int, std::string> controlTexts;  // CP949, or UTF-8 for the ids in nameControls
  std::map<int, bool> nameControls;         // true while a control holds a file name text
  std::map<int, bool> checks;
  std::map<int, Rect> controlRects;
  std::map<int, std::string> statusTexts;  // CP949, or UTF-8 for the panes in nameStatus
  std::map<int, bool> nameStatus;          // true while a pane holds a text with file names
  std::vector<std::pair<int, std::string>> statusHistory;
  std::vector<std::pair<int, std::string>> controlTextHistory;
  std::string title;  // UTF-8
  int focus = 0;
  int sliderMin = 0, sliderMax = 0, sliderPos = 0;
  std::vector<int> sliderHistory;
  bool sliderEnabled = true;
  int mouseCursor = 0;
  int canvasLeases = 0;

 private:
  Canvas* m_canvas;
};

// A canvas that ignores everything, for tests that do not look at pixels.
class NullCanvas : public Canvas {
 public:
  void SetPixel(int, int, Colour) override {}
  Colour GetPixel(int, int) override { return 0; }
  void Line(int, int, int, int, Colour) override {}
  void FillSolid(int, int, int, int, Colour) override {}
  void Text(int, int, const std::string&) override {}
  void DrawBitmap(int, int, int) override {}
};

}  // namespace vexalo::test
