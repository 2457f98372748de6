// An in-memory raster Canvas for pixel-exact drawing tests. Lines follow the platform line rule
// (the end point is not painted); texts and bitmaps are recorded rather than rasterised.
// Not locked: draw under a CanvasLease (the scripted view port holds its lock for the lease).
#pragma once

#include <string>
#include <vector>

#include "common/canvas.h"

namespace vexalo::test {

struct DrawnText {
  int x = 0;
  int y = 0;
  std::string text;
  Colour background = RGB(255, 255, 255);
};

struct DrawnLine {
  int x0, y0, x1, y1;
  Colour colour;
};

struct DrawnBitmap {
  int x = 0;
  int y = 0;
  int id = 0;
};

class RasterCanvas : public Canvas {
 public:
  RasterCanvas(int width, int height, Colour fill = RGB(0, 0, 0));

  void SetPixel(int x, int y, Colour c) override;
  Colour GetPixel(int x, int y) override;  // outside the raster: 0
  void Line(int x0, int y0, int x1, int y1, Colour c) override;
  void FillSolid(int left, int top, int right, int bottom, Colour c) override;
  void Text(int x, int y, const std::string& cp949) override;
  void TextOnColour(int x, int y, const std::string& cp949, Colour background) override;
  void DrawBitmap(int x, int y, int id) override;

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  const std::vector<Colour>& Pixels() const { return m_pixels; }
  void Clear(Colour fill);
  // Pixels of `c` within [left, right) x [top, bottom).
  int CountColour(Colour c, int left, int top, int right, int bottom) const;

  std::vector<DrawnText> texts;
  std::vector<DrawnBitmap> bitmaps;
  long lines = 0;
  bool logLines = false;  // keep every line in lineLog
  std::vector<DrawnLine> lineLog;

 private:
  int m_width;
  int m_height;
  std::vector<Colour> m_pixels;
};

}  // namespace vexalo::test
