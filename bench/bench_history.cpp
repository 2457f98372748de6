// Memory of the lyrics' undo history: 500 stamps on a text that grows to 30 KB, then 500
// re-stamps and 500 Adjusts on the full text, each through the real command and its undo step.
// Prints the bytes the history's steps hold and the heap they take (goal: under 20 MB), then
// undoes every step kept and checks the text comes back.
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "commands/editor_commands.h"
#include "commands/lyrics_undo.h"
#include "commands/time_adjust.h"
#include "common/shared_state.h"
#include "common/view_port.h"
#include "lyrics/lyrics_editor.h"

namespace {

using namespace vexalo;

class NoCanvas : public Canvas {
 public:
  void SetPixel(int, int, Colour) override {}
  Colour GetPixel(int, int) override { return 0; }
  void Line(int, int, int, int, Colour) override {}
  void FillSolid(int, int, int, int, Colour) override {}
  void Text(int, int, const std::string&) override {}
  void DrawBitmap(int, int, int) override {}
};

// An editor held in memory: the text, a selection and a scroll position; questions answer Yes.
class BenchView : public ViewPort {
 public:
  Answer MessageBox(const std::string&, const std::string&, MessageStyle style) override {
    return style == MessageStyle::YesNo ? Answer::Yes : Answer::Ok;
  }
  std::optional<FileChoice> FileDialog(const FileDialogRequest&) override { return std::nullopt; }
  std::string GetEditorText() override { return text; }
  void SetEditorText(const std::string& t) override {
    text = t;
    from = to = 0;
    scroll = 0;
  }
  int EditorCaretLine() override {
    int line = 0;
    for (int i = 0; i < from && i < static_cast<int>(text.size()); ++i) line += text[i] == '\n';
    return line;
  }
  int EditorLineIndex(int line) override {
    if (line < 0) return -1;
    std::size_t at = 0;
    for (int n = 0; n < line; ++n) {
      at = text.find('\n', at);
      if (at == std::string::npos) return -1;
      ++at;
    }
    return static_cast<int>(at);
  }
  void EditorSelect(int f, int t) override {
    from = f;
    to = t;
  }
  void EditorScroll(int lines) override { scroll += lines; }
  int EditorFirstVisibleLine() override { return scroll; }
  void EditorPaste() override {}
  void EditorGetSelection(int& f, int& t) override {
    f = from;
    t = to;
  }
  void EditorSetLimit(int) override {}
  void SetControlText(int, const std::string&) override {}
  void SetControlNameText(int, const std::string&) override {}
  std::string GetControlText(int id) override { return id == 1022 ? "1" : "0"; }
  bool IsChecked(int id) override { return id == 1014; }
  void SetChecked(int, bool) override {}
  Rect ControlRect(int) override { return {}; }
  void SetFocus(int) override {}
  void SetSliderRange(int, int) override {}
  void SetSliderPos(int) override {}
  int GetSliderPos() override { return 0; }
  void EnableSlider(bool) override {}
  void SetStatusText(int, const std::string&) override {}
  void SetTitle(const std::string&) override {}
  void SetClipboardText(const std::string&) override {}
  Canvas& AcquireCanvas() override { return canvas; }
  void ReleaseCanvas(Canvas&) override {}

  std::string text;
  int from = 0, to = 0, scroll = 0;
  NoCanvas canvas;
};

std::size_t HeapInUse() { return mallinfo2().uordblks; }

void Report(const char* what, LyricsHistory& history, std::size_t heapBefore, double seconds) {
  std::printf("%-34s steps %4zu  step bytes %9zu  heap %9zu bytes (%.2f MB)  %.1f ms\n", what, history.UndoCount(),
              history.StepBytes(), HeapInUse() - heapBefore, (HeapInUse() - heapBefore) / 1048576.0, seconds * 1000);
}

}  // namespace

int main() {
  BenchView view;
  ActiveView.store(&view);
  PlayerState.store(kStateWholeView);
  AutoAdvance = 1;

  std::string text;
  for (int i = 0; text.size() < 24'000; ++i) text += "lyric line " + std::to_string(i) + " of the song\r\n";
  view.text = text;
  const std::string first = text;

  const std::size_t heapBefore = HeapInUse();
  LyricsHistory& history = TheLyricsHistory();
  history.Reset(text);
  using Clock = std::chrono::steady_clock;

  auto stamps = [&](int count, int offsetSeconds) {
    for (int i = 0; i < count; ++i) {
      const int s = i + offsetSeconds;
      PlayTime.Store({s / 60, s % 60, (i * 37) % 1000});
      LyricsStep step(view, history);
      OnInsertTimeInfo();
    }
  };
  auto t0 = Clock::now();
  stamps(500, 0);
  Report("500 stamps", history, heapBefore, std::chrono::duration<double>(Clock::now() - t0).count());
  std::printf("text now %zu bytes\n", view.text.size());
  const std::string afterStamps = view.text;

  view.EditorSelect(0, 0);
  t0 = Clock::now();
  stamps(500, 7);
  Report("+ 500 re-stamps", history, heapBefore, std::chrono::duration<double>(Clock::now() - t0).count());

  t0 = Clock::now();
  for (int i = 0; i < 500; ++i) {
    AdjustPlus = i % 2;
    LyricsStep step(view, history);
    OnAdjust();
  }
  Report("+ 500 Adjusts of every tag", history, heapBefore, std::chrono::duration<double>(Clock::now() - t0).count());

  t0 = Clock::now();
  std::size_t undone = 0;
  while (history.CanUndo()) {
    UndoLyrics(view, history);
    ++undone;
  }
  // The history keeps its newest 1000 steps: undoing them all goes back to the stamped text.
  const bool back = view.text == afterStamps && afterStamps != first;
  std::printf("undid %zu steps in %.1f ms; the text before the oldest kept step is back: %s\n", undone,
              std::chrono::duration<double, std::milli>(Clock::now() - t0).count(), back ? "yes" : "NO");
  ActiveView.store(nullptr);
  return back ? 0 : 1;
}
