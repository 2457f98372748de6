#include "playback/click_track.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>

#include "common/shared_state.h"
#include "common/worker.h"
#include "playback/wave_out_device.h"

namespace vexalo {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr std::size_t kSamplesPerBuffer = 4'608;  // as many as a song chunk at 44.1 kHz

std::atomic<bool> g_playing{false};
std::atomic<bool> g_stop{false};
std::atomic<int> g_rate{44'100};

void PlayTrack(const std::vector<std::int16_t>& track, int rate) {
  AudioInit();
  AudioConfigure(2, rate);
  std::vector<unsigned char> buffer(4 * kSamplesPerBuffer);
  for (std::size_t at = 0; at < track.size() && !g_stop.load(); at += kSamplesPerBuffer) {
    if (AudioWaitCurrentBuffer() == -1 || g_stop.load()) break;
    const std::size_t n = std::min(kSamplesPerBuffer, track.size() - at);
    for (std::size_t i = 0; i < n; ++i) {
      const auto v = static_cast<std::uint16_t>(track[at + i]);
      unsigned char* to = buffer.data() + 4 * i;
      to[0] = to[2] = static_cast<unsigned char>(v & 0xFF);
      to[1] = to[3] = static_cast<unsigned char>(v >> 8);
    }
    if (AudioPlay(buffer.data(), static_cast<std::uint32_t>(4 * n), SongSpan{2.0 * static_cast<double>(at), 2.0}) == -1)
      break;
  }
  AudioFinish();
}

}  // namespace

std::vector<std::int16_t> MakeClickTrack(const ClickTrackPlan& plan) {
  const auto samplesOf = [&](int ms) { return static_cast<std::size_t>(ms) * static_cast<std::size_t>(plan.rate) / 1000; };
  std::vector<std::int16_t> track(samplesOf(plan.LengthMillis()), 0);
  const std::size_t burst = samplesOf(15);
  for (int k = 0; k < plan.clicks; ++k) {
    const std::size_t start = samplesOf(plan.ClickMillis(k));
    for (std::size_t i = 0; i < burst && start + i < track.size(); ++i) {
      const double t = static_cast<double>(i) / plan.rate;
      const double fade = 1.0 - static_cast<double>(i) / static_cast<double>(burst);
      track[start + i] = static_cast<std::int16_t>(20'000.0 * fade * std::sin(2 * kPi * 1'000.0 * t));
    }
  }
  return track;
}

bool StartClickTrack(const ClickTrackPlan& plan) {
  int idle = 0;
  if (!WorkerBusy.compare_exchange_strong(idle, 1)) return false;
  g_stop.store(false);
  g_rate.store(plan.rate);
  g_playing.store(true);
  auto track = std::make_shared<std::vector<std::int16_t>>(MakeClickTrack(plan));
  const int rate = plan.rate;
  StartWorkerThread([track, rate] {
    PlayTrack(*track, rate);
    g_playing.store(false);
    WorkerBusy.store(0);
  });
  return true;
}

void StopClickTrack() { g_stop.store(true); }

bool ClickTrackPlaying() { return g_playing.load(); }

std::optional<int> HeardClickTrackMillis() {
  if (!g_playing.load()) return std::nullopt;
  const std::optional<double> heard = AudioHeardPosition();
  if (!heard) return std::nullopt;
  return static_cast<int>(std::lround(*heard / 2.0 * 1000.0 / g_rate.load()));
}

}  // namespace vexalo
