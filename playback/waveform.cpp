#include "playback/waveform.h"

#include <algorithm>
#include <atomic>

#include "common/control_ids.h"
#include "common/shared_state.h"
#include "playback/readout.h"
#include "playback/transport.h"

namespace vexalo {

namespace {

std::atomic<SideTimeRoutine> g_sideTime{nullptr};

int SongChannels() { return std::max(1, SongInfo.channels.load()); }

constexpr int kFillBeyondRight = 3;  // the white fill reaches 3 pixels past the right edge

void FillBackground(Canvas& canvas, const Rect& r) {
  canvas.FillSolid(r.left, r.top, r.right + kFillBeyondRight, r.bottom, kWaveBackground);
}

int Middle(const Rect& r) { return r.top + (r.bottom - r.top) / 2; }

}  // namespace

SideTimeRoutine SetSideTimeRoutine(SideTimeRoutine routine) { return g_sideTime.exchange(routine); }

void CallSideTimeRoutine() {
  if (SideTimeRoutine routine = g_sideTime.load()) routine();
}

int SampleHeight(std::uint64_t offset) {
  if (offset + 1 >= SongUsableBytes()) return 0;
  auto sample = static_cast<std::int16_t>(SongBuffer[offset] | SongBuffer[offset + 1] << 8);
  return sample / 512;
}

std::uint64_t ComputeColumnStep(std::uint64_t bytes, int channels, int width) {
  if (channels < 1) channels = 1;
  if (width < 1) width = 1;
  auto step = static_cast<std::uint64_t>(static_cast<double>(bytes) / channels / width);
  if (step & 1u) --step;
  return std::max<std::uint64_t>(step, 2);
}

void DrawWholeWave(Canvas& canvas) {
  if (PlayerState.load() != kStateWholeView) return;
  const Rect r = WaveRect;
  const int channels = SongChannels();
  const std::uint64_t stored = storedBytes.load(std::memory_order_acquire);
  const std::uint64_t step = ComputeColumnStep(stored, channels, r.Width());
  const std::uint64_t columnBytes = static_cast<std::uint64_t>(channels) * step;
  ColumnBytes.store(columnBytes);

  FillBackground(canvas, r);
  const int middle = Middle(r);
  // A truncated step draws a few columns more than the width; for a very short song it can be
  // many more, so columns stop where the white fill ends instead of running onto the skin.
  const int lastX = r.right + kFillBeyondRight;
  int x = r.left;
  for (std::uint64_t i = 0; i < stored && x < lastX; i += columnBytes, ++x) canvas.SetPixel(x, middle, kWaveColour);
  x = r.left;
  for (std::uint64_t i = 0; i < stored && x < lastX; i += columnBytes, ++x)
    canvas.Line(x, middle, x, middle - SampleHeight(i), kWaveColour);

  if (PlayerState.load() == kStateWholeView) {
    ShowReadout(kIdcProgressSlot, ProgressText.Get());
    ShowReadout(kIdcStartSlot, StartTimeText.Get());
    ShowReadout(kIdcEndSlot, EndTimeText.Get());
    ShowReadout(kIdcPlaySlot, PlayTimeText.Get());
    ShowReadout(kIdcCursorSlot, CursorTimeText.Get());
  }
  ShowReadout(kIdcSideTime, "");
  ColumnStep.store(step);
}

std::uint64_t DrawWindowWave(Canvas& canvas, std::uint64_t length) {
  const int state = PlayerState.load();
  if (!SongShown(state)) return 0;
  const Rect r = WaveRect;
  const int channels = SongChannels();
  const std::uint64_t step = ComputeColumnStep(length, channels, r.Width());
  const std::uint64_t columnBytes = static_cast<std::uint64_t>(channels) * step;
  const std::uint64_t start = PlayPosBytes.load();
  const std::uint64_t stored = storedBytes.load(std::memory_order_acquire);
  const std::int64_t windowEnd = static_cast<std::int64_t>(start) - SongBytesPerFrame() + static_cast<std::int64_t>(length);
  std::uint64_t end = windowEnd < 0 ? 0 : std::min<std::uint64_t>(static_cast<std::uint64_t>(windowEnd), stored);

  FillBackground(canvas, r);
  const int middle = Middle(r);
  const int lastX = r.right + kFillBeyondRight;
  int x = r.left;
  for (std::uint64_t i = start; i < end && x < lastX; i += columnBytes, ++x) canvas.SetPixel(x, middle, kWaveColour);

  const int across = std::max(1, static_cast<int>(static_cast<float>(r.right - r.left) * 0.0476190485f));
  for (int gx = r.left; gx < r.right; gx += across)
    for (int y = r.top + 30; y < r.bottom - 34; ++y) canvas.SetPixel(gx, y, kGridColour);
  const int down = std::max(1, static_cast<int>(static_cast<float>(r.bottom - r.top) * 0.142857149f));
  for (int gy = r.top + 30; gy < r.bottom - 30; gy += down)
    for (int gx = r.left; gx < r.right; ++gx) canvas.SetPixel(gx, gy, kGridColour);

  // A column shows the union of the lines from the zero line to every 8th sample of a mono song
  // (every 16th of a stereo one) within it. That union is exactly the lines to its highest and
  // its lowest sampled height, so two lines per column paint the same pixels.
  const std::uint64_t sampleGap = static_cast<std::uint64_t>(channels) * 16;
  x = r.left;
  for (std::uint64_t i = start; i < end && x < lastX; i += columnBytes, ++x) {
    int highest = 0, lowest = 0;
    for (std::uint64_t k = 0; k < columnBytes; k += sampleGap) {
      int h = SampleHeight(i + k);
      highest = std::max(highest, h);
      lowest = std::min(lowest, h);
    }
    if (highest > 0) canvas.Line(x, middle, x, middle - highest, kWaveColour);
    if (lowest < 0) canvas.Line(x, middle, x, middle - lowest, kWaveColour);
  }

  ShowReadout(kIdcProgressSlot, ProgressText.Get());
  ShowReadout(kIdcStartSlot, WindowStartText.Get());
  ShowReadout(kIdcEndSlot, WindowEndText.Get());
  ShowReadout(kIdcPlaySlot, PlayTimeText.Get());
  ShowReadout(kIdcCursorSlot, CursorTimeText.Get());
  CallSideTimeRoutine();
  return step;
}

}  // namespace vexalo
