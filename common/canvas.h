// The view window's drawing surface, in client pixels. Obtained from the ViewPort around each
// drawing; the window implementation marshals calls made off the UI thread onto it, in order.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>

namespace vexalo {

using Colour = std::uint32_t;  // 0x00RRGGBB

constexpr Colour RGB(unsigned r, unsigned g, unsigned b) { return (r & 0xFF) << 16 | (g & 0xFF) << 8 | (b & 0xFF); }

// The pixels of a line from (x0, y0) towards (x1, y1), the end point left out (the platform's
// line rule), each passed to plot(x, y) in order from the start.
template <typename Plot>
void ForEachLinePixel(int x0, int y0, int x1, int y1, Plot plot) {
  const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
  const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  while (x0 != x1 || y0 != y1) {
    plot(x0, y0);
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += sy;
    }
  }
}

class Canvas {
 public:
  virtual ~Canvas() = default;
  virtual void SetPixel(int x, int y, Colour c) = 0;
  virtual Colour GetPixel(int x, int y) = 0;
  // A line from (x0, y0) towards (x1, y1); the end point itself is not painted.
  virtual void Line(int x0, int y0, int x1, int y1, Colour c) = 0;
  // Fills the rectangle [left, right) x [top, bottom).
  virtual void FillSolid(int left, int top, int right, int bottom, Colour c) = 0;
  // Opaque text (black on white) with its top-left corner at (x, y). The text is CP949 bytes.
  virtual void Text(int x, int y, const std::string& cp949) = 0;
  // Opaque text on a chosen background colour (the lyric panel's light blue). Surfaces that
  // cannot colour the background draw it as Text does.
  virtual void TextOnColour(int x, int y, const std::string& cp949, Colour background) {
    (void)background;
    Text(x, y, cp949);
  }
  // Draws skin bitmap `id` at its own size with its top-left corner at (x, y); a missing bitmap
  // draws nothing.
  virtual void DrawBitmap(int x, int y, int id) = 0;
  // Runs `step` as one drawing step: no other drawing on this surface lands inside it. A surface
  // that carries drawing over to another thread runs it there, later and in order, so `step`
  // must own what it uses.
  virtual void RunStep(std::function<void(Canvas&)> step) { step(*this); }
};

}  // namespace vexalo
