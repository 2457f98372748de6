// Test doubles for the form view: a canvas that records what is drawn, fake waveform calls and a
// fixture that puts the shared state back after each case.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/shared_state.h"
#include "form/command_registry.h"
#include "form/form_view.h"
#include "support/scripted_view_port.h"

namespace vexalo::test {

// One drawing operation, or a marker the fakes add ("whole", "window", "cmd 32771").
struct Op {
  std::string what;  // "bitmap" or a marker
  int id = 0;
  int x = 0;
  int y = 0;
  bool operator==(const Op&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Op& op) {
  return os << op.what << "(" << op.id << " @ " << op.x << "," << op.y << ")";
}

inline Op Bmp(int id, int x, int y) { return Op{"bitmap", id, x, y}; }
inline Op Mark(const std::string& what, int id = 0) { return Op{what, id, 0, 0}; }

class RecordingCanvas : public NullCanvas {
 public:
  void DrawBitmap(int x, int y, int id) override { ops.push_back(Bmp(id, x, y)); }
  void SetPixel(int x, int y, Colour) override { ops.push_back(Op{"pixel", 0, x, y}); }
  void Line(int x0, int y0, int, int, Colour) override { ops.push_back(Op{"line", 0, x0, y0}); }
  void FillSolid(int left, int top, int, int, Colour) override { ops.push_back(Op{"fill", 0, left, top}); }
  std::vector<Op> Bitmaps() const {
    std::vector<Op> out;
    for (const Op& op : ops)
      if (op.what == "bitmap") out.push_back(op);
    return out;
  }
  std::vector<Op> ops;
};

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Binds every painted button's command to a handler that logs "cmd <id>" on the canvas.
  void BindLoggingCommands();
  std::vector<int> RunCommands() const;
  void SetSong(int state, int channels = 2, int frameScale = 4);

  RecordingCanvas canvas;
  ScriptedViewPort port{&canvas};
  CommandRegistry registry;
  FormView view{port, registry};

 public:
  // What the fake waveform calls saw and answer.
  static std::uint64_t s_windowStep;
  static std::vector<std::uint64_t> s_windowLengths;
  static std::vector<std::pair<int, int>> s_pointerMoves;

 private:
  WaveformCalls m_savedCalls;
};

}  // namespace vexalo::test
