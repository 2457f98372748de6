// A plain memory canvas for the benchmarks: pixels in a vector, lines by the platform rule (the
// end point is not painted), texts and bitmaps ignored.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "common/canvas.h"
#include "common/shared_state.h"
#include "common/view_port.h"

namespace vexalo::bench {

class MemoryCanvas : public Canvas {
 public:
  MemoryCanvas(int width, int height) : m_width(width), m_height(height), m_pixels(width * height, 0) {}
  void SetPixel(int x, int y, Colour c) override {
    if (x >= 0 && y >= 0 && x < m_width && y < m_height) m_pixels[y * m_width + x] = c;
  }
  Colour GetPixel(int x, int y) override {
    return x >= 0 && y >= 0 && x < m_width && y < m_height ? m_pixels[y * m_width + x] : 0;
  }
  void Line(int x0, int y0, int x1, int y1, Colour c) override {
    ++lines;
    ForEachLinePixel(x0, y0, x1, y1, [&](int x, int y) { SetPixel(x, y, c); });
  }
  void FillSolid(int left, int top, int right, int bottom, Colour c) override {
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) SetPixel(x, y, c);
  }
  void Text(int, int, const std::string&) override {}
  void DrawBitmap(int, int, int) override {}
  long lines = 0;

 private:
  int m_width, m_height;
  std::vector<Colour> m_pixels;
};

// A view whose canvas is a MemoryCanvas and whose controls do nothing.
class QuietView : public ViewPort {
 public:
  explicit QuietView(Canvas& canvas) : m_canvas(canvas) {}
  Answer MessageBox(const std::string&, const std::string&, MessageStyle) override { return Answer::Ok; }
  std::optional<FileChoice> FileDialog(const FileDialogRequest&) override { return std::nullopt; }
  std::string GetEditorText() override { return {}; }
  void SetEditorText(const std::string&) override {}
  int EditorCaretLine() override { return 0; }
  int EditorLineIndex(int) override { return 0; }
  void EditorSelect(int, int) override {}
  void EditorScroll(int) override {}
  int EditorFirstVisibleLine() override { return 0; }
  void EditorPaste() override {}
  void EditorSetLimit(int) override {}
  void SetControlText(int, const std::string&) override {}
  void SetControlNameText(int, const std::string&) override {}
  std::string GetControlText(int) override { return {}; }
  bool IsChecked(int) override { return false; }
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
  Canvas& AcquireCanvas() override { return m_canvas; }
  void ReleaseCanvas(Canvas&) override {}

 private:
  Canvas& m_canvas;
};

// Fills SongBuffer with `seconds` of a 440 Hz tone at 44,100 Hz with stereo facts, in whole
// frames, as the decoder would leave it.
inline void LoadToneSong(double seconds) {
  const std::size_t frames = static_cast<std::size_t>(seconds * 44100 / 1152);
  const std::size_t samples = frames * 1152;
  for (std::size_t i = 0; i < samples; ++i) {
    auto v = static_cast<std::int16_t>(20000 * std::sin(2 * 3.14159265358979 * 440 * i / 44100.0));
    SongBuffer[2 * i] = static_cast<unsigned char>(static_cast<std::uint16_t>(v) & 0xFF);
    SongBuffer[2 * i + 1] = static_cast<unsigned char>(static_cast<std::uint16_t>(v) >> 8);
  }
  storedBytes.store(static_cast<std::uint32_t>(samples * 2), std::memory_order_release);
  SongInfo.layer = 3;
  SongInfo.mode = 3;
  SongInfo.sampleRate = 44100;
  SongInfo.channels = 2;
  SongInfo.frameScale = 4;
  SongInfo.frameSeconds = 1152.0 / 44100;
  const int ms = static_cast<int>(frames * (1152.0 / 44100) * 1000.0);
  SongInfo.totalMinutes = ms / 60000;
  SongInfo.totalSeconds = (ms / 1000) % 60;
  SongInfo.totalMillis = ms % 1000;
  SliderStepBytes = std::max<std::uint32_t>(1, static_cast<std::uint32_t>(storedBytes.load() / 65535.0));
}

}  // namespace vexalo::bench
