#include "playback/playback_speed.h"

#include <SoundTouch.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace vexalo {

std::atomic<int> PlaybackSpeedPercent{100};

int ValidSpeed(int percent) {
  int best = kSpeedSteps[0];
  for (int step : kSpeedSteps)
    if (std::abs(step - percent) < std::abs(best - percent)) best = step;
  return best;
}

int SlowerSpeed(int percent) {
  const int now = ValidSpeed(percent);
  int result = kSpeedSteps[0];
  for (int step : kSpeedSteps)
    if (step < now) result = step;
  return result;
}

int FasterSpeed(int percent) {
  const int now = ValidSpeed(percent);
  for (int step : kSpeedSteps)
    if (step > now) return step;
  return now;
}

std::string SpeedText(int percent) {
  char text[32];
  const int p = ValidSpeed(percent);
  if (p % 100 == 0) {
    std::snprintf(text, sizeof text, "Speed %dx", p / 100);
  } else if (p % 10 == 0) {
    std::snprintf(text, sizeof text, "Speed %d.%dx", p / 100, p % 100 / 10);
  } else {
    std::snprintf(text, sizeof text, "Speed %d.%02dx", p / 100, p % 100);
  }
  return text;
}

struct TimeStretch::Engine {
  soundtouch::SoundTouch touch;
  std::vector<soundtouch::SAMPLETYPE> scratch;
};

TimeStretch::TimeStretch() : m_engine(std::make_unique<Engine>()) {}
TimeStretch::~TimeStretch() = default;

void TimeStretch::Start(int rate, int percent) {
  soundtouch::SoundTouch& t = m_engine->touch;
  t.clear();
  t.setChannels(1);
  t.setSampleRate(static_cast<unsigned>(std::max(rate, 1)));
  t.setPitch(1.0);
  t.setRate(1.0);
  t.setTempo(ValidSpeed(percent) / 100.0);
}

void TimeStretch::Put(const unsigned char* samplesLe16, std::size_t count) {
  std::vector<soundtouch::SAMPLETYPE>& s = m_engine->scratch;
  s.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    const auto v = static_cast<std::int16_t>(samplesLe16[2 * i] | samplesLe16[2 * i + 1] << 8);
    s[i] = static_cast<soundtouch::SAMPLETYPE>(v) / 32768.0f;
  }
  m_engine->touch.putSamples(s.data(), static_cast<unsigned>(count));
}

void TimeStretch::Flush() { m_engine->touch.flush(); }

std::size_t TimeStretch::Ready() const { return m_engine->touch.numSamples(); }

std::size_t TimeStretch::Take(std::int16_t* out, std::size_t max) {
  std::vector<soundtouch::SAMPLETYPE>& s = m_engine->scratch;
  s.resize(max);
  const std::size_t got = m_engine->touch.receiveSamples(s.data(), static_cast<unsigned>(max));
  for (std::size_t i = 0; i < got; ++i) {
    const float v = std::clamp(s[i] * 32768.0f, -32768.0f, 32767.0f);
    out[i] = static_cast<std::int16_t>(std::lrint(v));
  }
  return got;
}

}  // namespace vexalo
