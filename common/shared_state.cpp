#include "common/shared_state.h"

namespace vexalo {

std::atomic<std::uint64_t> storedBytes{0};
SongInfoData SongInfo;

void SongInfoData::Reset() {
  layer = 0;
  mode = 0;
  sampleRate = 0;
  bitRate = 0;
  channels = 0;
  frameScale = 0;
  frameSeconds = 0.0;
  totalMinutes = 0;
  totalSeconds = 0;
  totalMillis = 0;
}

void AtomicTimeMark::Store(TimeMark t) noexcept {
  // minutes can pass 59 (they are not reduced to hours), so each field gets 21 bits.
  auto field = [](int v) { return static_cast<std::uint64_t>(static_cast<std::uint32_t>(v) & 0x1FFFFFu); };
  m_packed.store(field(t.minutes) << 42 | field(t.seconds) << 21 | field(t.millis), std::memory_order_release);
}

TimeMark AtomicTimeMark::Load() const noexcept {
  std::uint64_t p = m_packed.load(std::memory_order_acquire);
  return TimeMark{static_cast<int>((p >> 42) & 0x1FFFFF), static_cast<int>((p >> 21) & 0x1FFFFF),
                  static_cast<int>(p & 0x1FFFFF)};
}

void SharedText::Set(const std::string& text) {
  std::lock_guard<std::mutex> hold(m_lock);
  m_text.assign(text, 0, kTextCapacity - 1);
}

std::string SharedText::Get() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_text;
}

std::atomic<int> PlayerState{kStateNoSong};
std::atomic<int> TransportCommand{kCmdNone};
std::atomic<int> WorkerBusy{0};
std::atomic<int> Decoding{0};
std::atomic<int> ProgressMillis{0};
std::atomic<int> SliderPos{0};
std::atomic<std::uint64_t> SliderStepBytes{0};
std::atomic<std::uint64_t> PlayPosBytes{0};
std::atomic<int> CursorOffset{0};
std::atomic<std::uint64_t> ColumnBytes{0};
std::atomic<std::uint64_t> ColumnStep{0};
std::atomic<int> ChunkFrames{4};
std::atomic<int> LyricPanelFresh{0};
std::atomic<int> BufferDoneFlag{0};

AtomicTimeMark PlayTime;
AtomicTimeMark WindowStart;

SharedText StartTimeText;
SharedText ProgressText;
SharedText EndTimeText;
SharedText WindowStartText;
SharedText WindowEndText;
SharedText PlayTimeText;
SharedText CursorTimeText;
SharedText LyricPanelText;

Rect WaveRect;

std::string CurrentMp3Path;
std::string SyncSourcePath;
std::string CurrentMp3Name;
std::string CurrentMp3Folder;
std::string TextFilePath;
std::string TextFileName;

std::atomic<ViewPort*> ActiveView{nullptr};

}  // namespace vexalo
