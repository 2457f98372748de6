// The view's drawing surface over its back buffer, for every thread. The UI thread draws straight
// into the buffer; a worker's drawing is recorded lease by lease and replayed on the UI thread
// through the UI queue, in the order it was made. So only the UI thread ever draws, a lease, a
// step or a text is never split by other drawing, and the buffer changes reach the screen
// through one present call after each. Toolkit-free: texts and skin pictures come from hooks.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/back_buffer.h"
#include "app/ui_queue.h"
#include "common/canvas.h"

namespace vexalo::app {

class ViewSurface : public Canvas {
 public:
  struct Hooks {
    // A text rendered opaque on `background` (UI thread).
    std::function<Picture(const std::string& cp949, Colour background)> renderText;
    // The UI thread changed the buffer; its changes are to be shown (coalesced by the window).
    std::function<void()> changed;
  };

  ViewSurface(BackBuffer& buffer, UiQueue& queue, Hooks hooks);

  // Skin pictures by id, set once on the UI thread before any drawing.
  void SetPictures(std::map<int, Picture> pictures) { m_pictures = std::move(pictures); }
  void ClearPictures() { m_pictures.clear(); }

  // Around each drawing, on any thread (leases nest).
  void Acquire();
  void Release();

  void SetPixel(int x, int y, Colour c) override;
  Colour GetPixel(int x, int y) override;
  void Line(int x0, int y0, int x1, int y1, Colour c) override;
  void FillSolid(int left, int top, int right, int bottom, Colour c) override;
  void Text(int x, int y, const std::string& cp949) override;
  void TextOnColour(int x, int y, const std::string& cp949, Colour background) override;
  void DrawBitmap(int x, int y, int id) override;
  void RunStep(std::function<void(Canvas&)> step) override;

 private:
  struct Op {
    enum class Kind : unsigned char { Pixel, Line, Fill, Text, Bitmap, Step };
    Kind kind;
    int a = 0, b = 0, c = 0, d = 0;
    Colour colour = 0;
    std::string text;
    std::function<void(Canvas&)> step;
  };
  // What a worker thread has drawn in its current lease.
  struct Lease {
    std::vector<Op> ops;
    int depth = 0;
  };
  Lease& ThreadLease();
  void Record(Op op);
  void Flush();  // worker: hands the recorded lease to the UI queue
  void Replay(std::vector<Op>& ops);
  void Apply(Op& op);
  void DrawTextNow(int x, int y, const std::string& cp949, Colour background);

  BackBuffer& m_buffer;
  UiQueue& m_queue;
  Hooks m_hooks;
  std::map<int, Picture> m_pictures;
  int m_uiDepth = 0;  // UI thread only
};

}  // namespace vexalo::app
