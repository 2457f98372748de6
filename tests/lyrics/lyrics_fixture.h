// A scripted view as ActiveView and the lyrics state reset around each test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "commands/time_adjust.h"
#include "common/shared_state.h"
#include "lyrics/lyrics_editor.h"
#include "support/scripted_view_port.h"

namespace vexalo::test {

// The editor long tag HHMMSSCC with its line break, and the short tag MMSSCC.
inline std::string LongTag(const std::string& digits) { return "\xA7" + digits + "\xBB\r\n"; }
inline std::string ShortTag(const std::string& digits) { return "\xAB" + digits + "\xBB"; }

class LyricsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Reset();
    ActiveView.store(&view);
  }
  void TearDown() override {
    ActiveView.store(nullptr);
    Reset();
  }

  static void Reset() {
    PlayerState.store(kStateNoSong);
    TransportCommand.store(kCmdNone);
    PlayTime.Store({});
    WindowStart.Store({});
    LyricsTextBuffer.clear();
    CaretLine = FirstVisibleLine = EditorHasFocus = CtrlKeyDown = AutoAdvance = 0;
    AdjustSeconds = "0";
    AdjustTenths = "0";
    AdjustPlus = 1;
  }

  // The editor's text with the caret on `line` and the view scrolled to `firstVisible`.
  void Editor(const std::string& text, int line = 0, int firstVisible = 0) {
    view.editorText = text;
    view.PutCaretOnLine(line);
    view.firstVisibleLine = firstVisible;
  }

  std::string Selected() const {
    return view.editorText.substr(view.caretIndex, view.selectionEnd - view.caretIndex);
  }

  ScriptedViewPort view;
};

}  // namespace vexalo::test
