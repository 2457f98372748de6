#include "support/raster_canvas.h"

#include <algorithm>

namespace vexalo::test {

RasterCanvas::RasterCanvas(int width, int height, Colour fill)
    : m_width(width), m_height(height), m_pixels(static_cast<std::size_t>(width) * height, fill) {}

void RasterCanvas::Clear(Colour fill) { std::fill(m_pixels.begin(), m_pixels.end(), fill); }

void RasterCanvas::SetPixel(int x, int y, Colour c) {
  if (x < 0 || y < 0 || x >= m_width || y >= m_height) return;
  m_pixels[static_cast<std::size_t>(y) * m_width + x] = c;
}

Colour RasterCanvas::GetPixel(int x, int y) {
  if (x < 0 || y < 0 || x >= m_width || y >= m_height) return 0;
  return m_pixels[static_cast<std::size_t>(y) * m_width + x];
}

void RasterCanvas::Line(int x0, int y0, int x1, int y1, Colour c) {
  ++lines;
  if (logLines) lineLog.push_back({x0, y0, x1, y1, c});
  ForEachLinePixel(x0, y0, x1, y1, [&](int x, int y) { SetPixel(x, y, c); });
}

void RasterCanvas::FillSolid(int left, int top, int right, int bottom, Colour c) {
  for (int y = std::max(top, 0); y < std::min(bottom, m_height); ++y)
    for (int x = std::max(left, 0); x < std::min(right, m_width); ++x)
      m_pixels[static_cast<std::size_t>(y) * m_width + x] = c;
}

void RasterCanvas::Text(int x, int y, const std::string& cp949) { texts.push_back({x, y, cp949, RGB(255, 255, 255)}); }

void RasterCanvas::TextOnColour(int x, int y, const std::string& cp949, Colour background) {
  texts.push_back({x, y, cp949, background});
}

void RasterCanvas::DrawBitmap(int x, int y, int id) { bitmaps.push_back({x, y, id}); }

int RasterCanvas::CountColour(Colour c, int left, int top, int right, int bottom) const {
  int n = 0;
  for (int y = std::max(top, 0); y < std::min(bottom, m_height); ++y)
    for (int x = std::max(left, 0); x < std::min(right, m_width); ++x)
      if (m_pixels[static_cast<std::size_t>(y) * m_width + x] == c) ++n;
  return n;
}

}  // namespace vexalo::test
