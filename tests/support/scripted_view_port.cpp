#include "support/scripted_view_port.h"

#include <algorithm>
#include <stdexcept>

namespace vexalo::test {

namespace {
NullCanvas g_nullCanvas;
}

Answer ScriptedViewPort::MessageBox(const std::string& text, const std::string& t, MessageStyle style) {
  std::lock_guard<std::recursive_mutex> hold(lock);
  messages.push_back({text, t, style});
  if (style == MessageStyle::Ok) return Answer::Ok;
  if (answers.empty()) throw std::logic_error("unscripted question: " + text);
  Answer a = answers.front();
  answers.pop_front();
  return a;
}

std::optional<FileChoice> ScriptedViewPort::FileDialog(const FileDialogRequest& request) {
  std::lock_guard<std::recursive_mutex> hold(lock);
  dialogs.push_back(request);
  if (files.empty()) throw std::logic_error("unscripted file dialog: " + request.title);
  auto choice = files.front();
  files.pop_front();
  return choice;
}

std::string ScriptedViewPort::GetEditorText() {
  std::lock_guard<std::recursive_mutex> hold(lock);
  return editorText;
}

void ScriptedViewPort::SetEditorText(const std::string& cp949) {
  std::lock_guard<std::recursive_mutex> hold(lock);
  editorText = cp949;
  caretIndex = 0;
  selectionEnd = 0;
  firstVisibleLine = 0;  // a real editor shows a new text from its top
  ++editorTextSets;
}

int ScriptedViewPort::EditorCaretLine() {
  std::lock_guard<std::recursive_mutex> hold(lock);
  int limit = std::min<int>(caretIndex, static_cast<int>(editorText.size()));
  return static_cast<int>(std::count(editorText.begin(), editorText.begin() + limit, '\n'));
}

int ScriptedViewPort::EditorLineIndex(int line) {
  std::lock_guard<std::recursive_mutex> hold(lock);
  if (line < 0) return -1;
  int index = 0;
  for (int n = 0; n < line; ++n) {
    auto nl = editorText.find('\n', index);
    if (nl == std::string::npos) return -1;
    index = static_cast<int>(nl) + 1;
  }
  return index;
}

void ScriptedViewPort::EditorSelect(int from, int to) {
  std::lock_guard<std::recursive_mutex> hold(lock);
  caretIndex = from;
  selectionEnd = to;
}

void ScriptedViewPort::EditorScroll(int lines) {
  std::lock_guard<std::recursive_mutex> hold(lock);
  firstVisibleLine = std::max(0, firstVisibleLine + lines);
}

int ScriptedViewPort::EditorFirstVisibleLine() {
  std::lock_guard<std::recursive_mutex> hold(lock);
  return firstVisibleLine;
}

void ScriptedViewPort::EditorPaste() {
  std::lock_guard<std::recursive_mutex> hold(lock);
  int at = std::clamp(caretIndex, 0, static_cast<int>(editorText.size()));
  int end = std::clamp(selectionEnd, at, static_cast<int>(editorText.size()));
  editorText.replace(at, end - at, clipboard);
  caretIndex = selectionEnd = at + static_cast<int>(clipboard.size());
}

void ScriptedViewPort::EditorGetSelection(int& from, int& to) {
  std::lock_guard<std::recursive_mutex> hold(lock);
  const int size = static_cast<int>(editorText.size());
  from = std::clamp(std::min(caretIndex, selectionEnd), 0, size);
  to = std::clamp(std::max(caretIndex, selectionEnd), 0, size);
}

void ScriptedViewPort::EditorSetLimit(int bytes) {
  std::lock_guard<std::recursive_mutex> hold(lock);
  editorLimit = bytes;
}

void ScriptedViewPort::SetControlText(int id, const std::string& cp949) {
  std::lock_guard<std::recursive_mutex> hold(lock);
  if (id == 1001) {
    editorText = cp949;
  } else {
    controlTexts[id] = cp949;
    nameControls[id] = false;
  }
  controlTextHistory.emplace_back(id, cp949);
}

void ScriptedViewPort::SetControlNameText(int id, const std::string& utf8) {
  std::lock_guard<std::recursive_mutex> hold(lock);
  controlTexts[id] = utf8;
  nameControls[id] = true;
  controlTextHistory.emplace_back(id, utf8);
}

std::string ScriptedViewPort::GetControlText(int id) {
  std::lock_guard<std::recursive_mutex> hold(lock);
  if (id == 1001) return editorText;
  return controlTexts[id];
}

bool ScriptedViewPort::IsChecked(int id) {
  std::lock_guard<std::recursive_mutex> hold(lock);
  return checks[id];
}

void ScriptedViewPort::SetChecked(int id, bool checked) {
  std::lock_guard<std::recursive_mutex> hold(lock);
  checks[id] = checked;
}

Rect ScriptedViewPort::ControlRect(int id) {
  std::lock_guard<std::recursive_mutex> hold(lock);
  return controlRects[id];
}

void ScriptedViewPort::SetFocus(int id) {
  std::lock_guard<std::recursive_mutex> hold(lock);
  focus = id;
}

void ScriptedViewPort::SetSliderRange(int min, int max) {
  std::lock_guard<std::recursive_mutex> hold(lock);
  sliderMin = min;
  sliderMax = max;
}

void ScriptedViewPort::SetSliderPos(int pos) {
  std::lock_guard<std::recursive_mutex> hold(lock);
  sliderPos = pos;
  sliderHistory.push_back(pos);
}

int ScriptedViewPort::GetSliderPos() {
  std::lock_guard<std::recursive_mutex> hold(lock);
  return sliderPos;
}

void ScriptedViewPort::EnableSlider(bool enabled) {
  std::lock_guard<std::recursive_mutex> hold(lock);
  sliderEnabled = enabled;
}

void ScriptedViewPort::SetStatusText(int pane, const std::string& cp949) {
  std::lock_guard<std::recursive_mutex> hold(lock);
  statusTexts[pane] = cp949;
  nameStatus[pane] = false;
  statusHistory.emplace_back(pane, cp949);
}

void ScriptedViewPort::SetStatusNameText(int pane, const std::string& utf8) {
  std::lock_guard<std::recursive_mutex> hold(lock);
  statusTexts[pane] = utf8;
  nameStatus[pane] = true;
  statusHistory.emplace_back(pane, utf8);
}

void ScriptedViewPort::SetTitle(const std::string& utf8) {
  std::lock_guard<std::recursive_mutex> hold(lock);
  title = utf8;
}

void ScriptedViewPort::SetClipboardText(const std::string& cp949) {
  std::lock_guard<std::recursive_mutex> hold(lock);
  clipboard = cp949;
}

void ScriptedViewPort::SetMouseCursor(int cursorId) {
  std::lock_guard<std::recursive_mutex> hold(lock);
  mouseCursor = cursorId;
}

Canvas& ScriptedViewPort::AcquireCanvas() {
  lock.lock();  // held for the whole drawing, released in ReleaseCanvas
  ++canvasLeases;
  return m_canvas ? *m_canvas : g_nullCanvas;
}

void ScriptedViewPort::ReleaseCanvas(Canvas&) { lock.unlock(); }

void ScriptedViewPort::PutCaretOnLine(int line) {
  std::lock_guard<std::recursive_mutex> hold(lock);
  int index = EditorLineIndex(line);
  caretIndex = selectionEnd = index < 0 ? static_cast<int>(editorText.size()) : index;
}

}  // namespace vexalo::test
