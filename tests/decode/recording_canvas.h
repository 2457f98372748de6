// A canvas that records the texts drawn on it, with a hook a test can use to act mid-drawing.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "common/canvas.h"

namespace vexalo::test {

struct DrawnText {
  int x = 0;
  int y = 0;
  std::string text;
  bool operator==(const DrawnText&) const = default;
};

class RecordingCanvas : public Canvas {
 public:
  void SetPixel(int, int, Colour) override { ++pixels; }
  Colour GetPixel(int, int) override { return 0; }
  void Line(int, int, int, int, Colour) override { ++lines; }
  void FillSolid(int, int, int, int, Colour) override { ++fills; }
  void Text(int x, int y, const std::string& cp949) override {
    std::lock_guard<std::mutex> hold(m_lock);
    texts.push_back({x, y, cp949});
    if (onText) onText(texts.back());
  }
  void DrawBitmap(int, int, int) override {}

  std::vector<DrawnText> Texts() {
    std::lock_guard<std::mutex> hold(m_lock);
    return texts;
  }

  std::vector<DrawnText> texts;
  std::function<void(const DrawnText&)> onText;
  int pixels = 0, lines = 0, fills = 0;

 private:
  std::mutex m_lock;
};

}  // namespace vexalo::test
