#include "app/view_surface.h"

#include <utility>

namespace vexalo::app {

ViewSurface::ViewSurface(BackBuffer& buffer, UiQueue& queue, Hooks hooks)
    : m_buffer(buffer), m_queue(queue), m_hooks(std::move(hooks)) {}

ViewSurface::Lease& ViewSurface::ThreadLease() {
  thread_local std::map<const ViewSurface*, Lease> leases;
  return leases[this];
}

void ViewSurface::Acquire() {
  if (m_queue.OnUiThread()) {
    ++m_uiDepth;
  } else {
    ++ThreadLease().depth;
  }
}

void ViewSurface::Release() {
  if (m_queue.OnUiThread()) {
    if (m_uiDepth > 0 && --m_uiDepth == 0 && m_hooks.changed) m_hooks.changed();
    return;
  }
  auto& lease = ThreadLease();
  if (lease.depth > 0 && --lease.depth == 0) Flush();
}

void ViewSurface::Flush() {
  auto& lease = ThreadLease();
  if (lease.ops.empty()) return;
  auto ops = std::make_shared<std::vector<Op>>(std::move(lease.ops));
  lease.ops.clear();
  m_queue.Post([this, ops] { Replay(*ops); });
}

void ViewSurface::Record(Op op) {
  if (m_queue.OnUiThread()) {
    Apply(op);
    if (m_uiDepth == 0 && m_hooks.changed) m_hooks.changed();
    return;
  }
  auto& lease = ThreadLease();
  lease.ops.push_back(std::move(op));
  if (lease.depth == 0) Flush();
}

void ViewSurface::Replay(std::vector<Op>& ops) {
  ++m_uiDepth;
  for (Op& op : ops) Apply(op);
  --m_uiDepth;
  if (m_uiDepth == 0 && m_hooks.changed) m_hooks.changed();
}

void ViewSurface::Apply(Op& op) {
  switch (op.kind) {
    case Op::Kind::Pixel: m_buffer.SetPixel(op.a, op.b, op.colour); break;
    case Op::Kind::Line: m_buffer.Line(op.a, op.b, op.c, op.d, op.colour); break;
    case Op::Kind::Fill: m_buffer.FillSolid(op.a, op.b, op.c, op.d, op.colour); break;
    case Op::Kind::Text: DrawTextNow(op.a, op.b, op.text, op.colour); break;
    case Op::Kind::Bitmap: {
      auto it = m_pictures.find(op.c);
      if (it != m_pictures.end()) m_buffer.Blit(op.a, op.b, it->second);
      break;
    }
    case Op::Kind::Step:
      ++m_uiDepth;
      op.step(*this);
      --m_uiDepth;
      break;
  }
}

void ViewSurface::DrawTextNow(int x, int y, const std::string& cp949, Colour background) {
  if (cp949.empty() || !m_hooks.renderText) return;
  const Picture picture = m_hooks.renderText(cp949, background);
  m_buffer.Blit(x, y, picture);
}

void ViewSurface::SetPixel(int x, int y, Colour c) { Record(Op{Op::Kind::Pixel, x, y, 0, 0, c, {}, {}}); }

Colour ViewSurface::GetPixel(int x, int y) {
  if (m_queue.OnUiThread()) return m_buffer.GetPixel(x, y);
  // What this worker drew before must be in the buffer when it reads it back.
  Flush();
  return m_queue.Run([&] { return m_buffer.GetPixel(x, y); });
}

void ViewSurface::Line(int x0, int y0, int x1, int y1, Colour c) { Record(Op{Op::Kind::Line, x0, y0, x1, y1, c, {}, {}}); }

void ViewSurface::FillSolid(int left, int top, int right, int bottom, Colour c) {
  Record(Op{Op::Kind::Fill, left, top, right, bottom, c, {}, {}});
}

void ViewSurface::Text(int x, int y, const std::string& cp949) { TextOnColour(x, y, cp949, RGB(255, 255, 255)); }

void ViewSurface::TextOnColour(int x, int y, const std::string& cp949, Colour background) {
  if (cp949.empty()) return;
  Record(Op{Op::Kind::Text, x, y, 0, 0, background, cp949, {}});
}

void ViewSurface::DrawBitmap(int x, int y, int id) { Record(Op{Op::Kind::Bitmap, x, y, id, 0, 0, {}, {}}); }

void ViewSurface::RunStep(std::function<void(Canvas&)> step) {
  if (!step) return;
  Record(Op{Op::Kind::Step, 0, 0, 0, 0, 0, {}, std::move(step)});
}

}  // namespace vexalo::app
