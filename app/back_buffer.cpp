#include "app/back_buffer.h"

#include <algorithm>

namespace vexalo::app {

BackBuffer::BackBuffer(int width, int height, Colour background)
    : m_width(width), m_height(height), m_pixels(static_cast<std::size_t>(width) * height, background) {
  Touch(0, 0, width, height);
}

void BackBuffer::Touch(int left, int top, int right, int bottom) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, m_width);
  bottom = std::min(bottom, m_height);
  if (left >= right || top >= bottom) return;
  if (!m_hasDirty) {
    m_dirty = Rect{left, top, right, bottom};
    m_hasDirty = true;
    return;
  }
  m_dirty.left = std::min(m_dirty.left, left);
  m_dirty.top = std::min(m_dirty.top, top);
  m_dirty.right = std::max(m_dirty.right, right);
  m_dirty.bottom = std::max(m_dirty.bottom, bottom);
}

void BackBuffer::Plot(int x, int y, Colour c) {
  if (x < 0 || y < 0 || x >= m_width || y >= m_height) return;
  m_pixels[static_cast<std::size_t>(y) * m_width + x] = c & 0xFFFFFF;
}

void BackBuffer::SetPixel(int x, int y, Colour c) {
  std::lock_guard<std::mutex> hold(m_lock);
  Plot(x, y, c);
  Touch(x, y, x + 1, y + 1);
}

Colour BackBuffer::GetPixel(int x, int y) {
  std::lock_guard<std::mutex> hold(m_lock);
  if (x < 0 || y < 0 || x >= m_width || y >= m_height) return 0;
  return m_pixels[static_cast<std::size_t>(y) * m_width + x];
}

void BackBuffer::Line(int x0, int y0, int x1, int y1, Colour c) {
  std::lock_guard<std::mutex> hold(m_lock);
  ForEachLinePixel(x0, y0, x1, y1, [&](int x, int y) { Plot(x, y, c); });
  Touch(std::min(x0, x1), std::min(y0, y1), std::max(x0, x1) + 1, std::max(y0, y1) + 1);
}

void BackBuffer::FillSolid(int left, int top, int right, int bottom, Colour c) {
  std::lock_guard<std::mutex> hold(m_lock);
  const int l = std::max(left, 0), t = std::max(top, 0);
  const int r = std::min(right, m_width), b = std::min(bottom, m_height);
  for (int y = t; y < b; ++y) {
    std::fill_n(m_pixels.begin() + static_cast<std::ptrdiff_t>(y) * m_width + l, std::max(r - l, 0), c & 0xFFFFFF);
  }
  Touch(l, t, r, b);
}

void BackBuffer::Blit(int x, int y, const Picture& picture) {
  if (picture.Empty()) return;
  std::lock_guard<std::mutex> hold(m_lock);
  const int l = std::max(x, 0), t = std::max(y, 0);
  const int r = std::min(x + picture.width, m_width), b = std::min(y + picture.height, m_height);
  if (l >= r || t >= b) return;
  for (int row = t; row < b; ++row) {
    const Colour* src = picture.pixels.data() + static_cast<std::size_t>(row - y) * picture.width + (l - x);
    std::copy_n(src, r - l, m_pixels.begin() + static_cast<std::ptrdiff_t>(row) * m_width + l);
  }
  Touch(l, t, r, b);
}

Rect BackBuffer::PeekDirty() {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_hasDirty ? m_dirty : Rect{};
}

Rect BackBuffer::TakeDirty(std::vector<Colour>& out) {
  std::lock_guard<std::mutex> hold(m_lock);
  if (!m_hasDirty) {
    out.clear();
    return Rect{};
  }
  const Rect d = m_dirty;
  m_hasDirty = false;
  out.resize(static_cast<std::size_t>(d.Width()) * d.Height());
  for (int row = d.top; row < d.bottom; ++row) {
    std::copy_n(m_pixels.begin() + static_cast<std::ptrdiff_t>(row) * m_width + d.left, d.Width(),
                out.begin() + static_cast<std::ptrdiff_t>(row - d.top) * d.Width());
  }
  return d;
}

void BackBuffer::MarkAllDirty() {
  std::lock_guard<std::mutex> hold(m_lock);
  Touch(0, 0, m_width, m_height);
}

}  // namespace vexalo::app
