#include "form_fixture.h"

#include "common/repaint.h"
#include "form/skin_layout.h"
#include "playback/pointing.h"

namespace vexalo::test {

std::uint64_t FormTest::s_windowStep = 0;
std::vector<std::uint64_t> FormTest::s_windowLengths;
std::vector<std::pair<int, int>> FormTest::s_pointerMoves;

namespace {

void FakeWhole(Canvas& c) {
  if (auto* rec = dynamic_cast<RecordingCanvas*>(&c)) rec->ops.push_back(Mark("whole"));
}

std::uint64_t FakeWindow(Canvas& c, std::uint64_t length) {
  if (auto* rec = dynamic_cast<RecordingCanvas*>(&c)) rec->ops.push_back(Mark("window"));
  FormTest::s_windowLengths.push_back(length);
  return FormTest::s_windowStep;
}

// Takes the moves the pointing logic takes (inside WaveRect with a song shown) and notes them.
bool FakePointer(int x, int y) {
  if (!SongShown() || !InsideWaveRect(x, y)) return false;
  FormTest::s_pointerMoves.emplace_back(x, y);
  return true;
}

}  // namespace

void FormTest::SetUp() {
  m_savedCalls = GetWaveformCalls();
  // Presses go to the real pointing logic: it decides which clicks the button bar never sees.
  SetWaveformCalls(WaveformCalls{&FakeWhole, &FakeWindow, &OnLButtonDown, &FakePointer});
  s_windowStep = 0;
  s_windowLengths.clear();
  s_pointerMoves.clear();
  PlayerState = kStateNoSong;
  TransportCommand = kCmdNone;
  Decoding = 0;
  ColumnBytes = 0;
  SongInfo.Reset();
  WaveRect = Rect{22, 48, 749, 196};
  ActiveView = &port;
}

void FormTest::TearDown() {
  SetWaveformCalls(m_savedCalls);
  SetDrawRoutine(nullptr);
  ActiveView = nullptr;
  PlayerState = kStateNoSong;
  TransportCommand = kCmdNone;
  Decoding = 0;
  ColumnBytes = 0;
  SongInfo.Reset();
  WaveRect = Rect{};
}

void FormTest::BindLoggingCommands() {
  for (const skin::Button& b : skin::Buttons()) {
    const int id = b.command;
    registry.Bind(id, [this, id] { canvas.ops.push_back(Mark("cmd", id)); });
  }
}

std::vector<int> FormTest::RunCommands() const {
  std::vector<int> ids;
  for (const Op& op : canvas.ops)
    if (op.what == "cmd") ids.push_back(op.id);
  return ids;
}

void FormTest::SetSong(int state, int channels, int frameScale) {
  PlayerState = state;
  SongInfo.layer = 3;
  SongInfo.channels = channels;
  SongInfo.frameScale = frameScale;
  SongInfo.sampleRate = frameScale == 4 ? 44100 : 22050;
  SongInfo.bitRate = 128000;
}

}  // namespace vexalo::test
