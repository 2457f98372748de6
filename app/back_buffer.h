// The view's off-screen picture: a raster of 0x00RRGGBB pixels that any thread may draw into.
// Every operation takes the one lock, so a worker's drawing and the UI thread's painting never
// see a half-written pixel run; the paint handler copies out the region changed since it last ran.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "common/canvas.h"
#include "common/shared_state.h"

namespace vexalo::app {

// A picture held as rows of 0x00RRGGBB pixels.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<Colour> pixels;
  bool Empty() const { return width <= 0 || height <= 0; }
};

class BackBuffer {
 public:
  BackBuffer(int width, int height, Colour background);

  int Width() const { return m_width; }
  int Height() const { return m_height; }

  void SetPixel(int x, int y, Colour c);
  Colour GetPixel(int x, int y);  // 0 outside the raster
  // From (x0, y0) towards (x1, y1), the end point not painted.
  void Line(int x0, int y0, int x1, int y1, Colour c);
  void FillSolid(int left, int top, int right, int bottom, Colour c);
  // Copies the whole picture with its top-left corner at (x, y), clipped to the raster.
  void Blit(int x, int y, const Picture& picture);

  // The changed region since the last TakeDirty, as [left, right) x [top, bottom); empty if none.
  Rect PeekDirty();
  // Copies the changed region's pixels out and clears it. `out` receives Width() x Height() rows
  // of the region only.
  Rect TakeDirty(std::vector<Colour>& out);
  // Marks the whole raster changed (a full repaint of the screen copy).
  void MarkAllDirty();

 private:
  void Touch(int left, int top, int right, int bottom);  // caller holds m_lock
  void Plot(int x, int y, Colour c);                      // caller holds m_lock

  int m_width;
  int m_height;
  std::vector<Colour> m_pixels;
  std::mutex m_lock;
  Rect m_dirty;
  bool m_hasDirty = false;
};

}  // namespace vexalo::app
