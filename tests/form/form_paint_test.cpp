// OnDraw: the skin in its fixed order, the waveform of the current state, the song facts.
#include <gtest/gtest.h>

#include <cstring>

#include "commands/time_adjust.h"
#include "common/control_ids.h"
#include "common/repaint.h"
#include "form/form_view.h"
#include "form_fixture.h"

namespace vexalo::test {
namespace {

// The skin as the view paints it, before any waveform.
const std::vector<Op> kSkinOrder = {
    Bmp(143, 0, 0),     Bmp(246, 25, 280),  Bmp(247, 600, 277), Bmp(268, 600, 422), Bmp(252, 705, 462),
    Bmp(253, 173, 304), Bmp(254, 15, 270),  Bmp(255, 557, 270), Bmp(257, 15, 270),  Bmp(267, 15, 505),
    Bmp(254, 570, 270), Bmp(255, 740, 270), Bmp(259, 570, 270), Bmp(258, 570, 505), Bmp(261, 580, 295),
    Bmp(186, 5, 4),     Bmp(188, 81, 4),    Bmp(212, 157, 4),   Bmp(214, 233, 4),   Bmp(194, 309, 4),
    Bmp(196, 385, 4),   Bmp(198, 461, 4),   Bmp(200, 537, 4),   Bmp(202, 613, 4),   Bmp(226, 689, 4),
    Bmp(239, 33, 303),  Bmp(241, 320, 303), Bmp(243, 610, 487), Bmp(230, 582, 240), Bmp(228, 540, 240),
    Bmp(232, 624, 240), Bmp(234, 666, 240), Bmp(236, 708, 240),
};
const std::vector<Op> kEditingButtons = {Bmp(239, 33, 303), Bmp(241, 320, 303), Bmp(243, 610, 487)};

std::vector<Op> Concat(std::vector<Op> a, const std::vector<Op>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(FormTest, WithoutSongDrawsOnlyTheSkinAndNoFacts) {
  for (int state : {kStateNoSong, kStateOpening}) {
    canvas.ops.clear();
    PlayerState = state;
    OnDraw(canvas);
    EXPECT_EQ(canvas.ops, Concat(kSkinOrder, kEditingButtons)) << "state " << state;
  }
  EXPECT_EQ(port.statusTexts.count(kPaneSongFacts), 0u);
}

TEST_F(FormTest, WholeViewDrawsWaveBetweenSkinAndEditingButtons) {
  SetSong(kStateWholeView, 2);
  OnDraw(canvas);
  auto expected = kSkinOrder;
  expected.push_back(Mark("whole"));
  EXPECT_EQ(canvas.ops, Concat(expected, kEditingButtons));
  EXPECT_EQ(port.statusTexts[kPaneSongFacts], "Stereo : SR = 44100 BR = 128000");
  EXPECT_TRUE(s_windowLengths.empty());
}

TEST_F(FormTest, WholeViewWhileDecodingShowsFactsButNoWave) {
  SetSong(kStateWholeView, 1, 2);
  Decoding = 1;
  OnDraw(canvas);
  EXPECT_EQ(canvas.ops, Concat(kSkinOrder, kEditingButtons));
  EXPECT_EQ(port.statusTexts[kPaneSongFacts], "Mono : SR = 22050 BR = 128000");
}

// Until the decoder has read the new song's first frame, nothing of an earlier song stays.
TEST_F(FormTest, WholeViewBeforeTheFirstFrameLeavesPaneOneEmpty) {
  SetSong(kStateWholeView, 2);
  SongInfo.layer = 0;
  Decoding = 1;
  port.statusTexts[kPaneSongFacts] = "Mono : SR = 22050 BR = 64000";
  OnDraw(canvas);
  EXPECT_EQ(port.statusTexts[kPaneSongFacts], "");
}

TEST_F(FormTest, WindowViewDrawsTwoHundredFramesAndSetsColumnBytes) {
  struct Case {
    int channels;
    int frameScale;
    std::uint64_t length;
  };
  for (Case c : {Case{2, 4, 460'800}, Case{1, 2, 230'400}}) {
    canvas.ops.clear();
    s_windowLengths.clear();
    SetSong(kStateWindowView, c.channels, c.frameScale);
    s_windowStep = 1'152;
    OnDraw(canvas);
    auto expected = kSkinOrder;
    expected.push_back(Mark("window"));
    EXPECT_EQ(canvas.ops, Concat(expected, kEditingButtons));
    EXPECT_EQ(s_windowLengths, std::vector<std::uint64_t>{c.length});
    EXPECT_EQ(ColumnBytes.load(), static_cast<std::uint32_t>(c.channels) * 1'152u);
  }
  EXPECT_EQ(port.statusTexts.count(kPaneSongFacts), 0u) << "the facts belong to the whole view only";
}

TEST_F(FormTest, WindowViewThatDrewNothingKeepsColumnBytes) {
  SetSong(kStateWindowView);
  ColumnBytes = 4'608;
  s_windowStep = 0;
  OnDraw(canvas);
  EXPECT_EQ(ColumnBytes.load(), 4'608u);
}

TEST_F(FormTest, WithoutActiveViewStillPaintsButWritesNoFacts) {
  SetSong(kStateWholeView);
  ActiveView = nullptr;
  OnDraw(canvas);
  EXPECT_EQ(canvas.Bitmaps(), Concat(kSkinOrder, kEditingButtons));
  EXPECT_TRUE(port.statusHistory.empty());
}

TEST_F(FormTest, InitialUpdateSetsUpTheViewAndInstallsItsDrawRoutine) {
  port.sliderEnabled = true;
  port.checks[1042] = true;
  AdjustPlus = 0;
  AdjustSeconds = "3";
  view.OnInitialUpdate();
  EXPECT_EQ(AdjustPlus, 1);
  EXPECT_EQ(AdjustSeconds, "0");
  EXPECT_EQ(AdjustTenths, "0");
  EXPECT_EQ(port.title, "Vexalo Caption Editor");
  EXPECT_FALSE(port.sliderEnabled);
  EXPECT_EQ(port.controlTexts[1022], "0");
  EXPECT_EQ(port.controlTexts[1017], "0");
  EXPECT_TRUE(port.checks[1041]);
  EXPECT_FALSE(port.checks[1042]);
  EXPECT_EQ(port.editorLimit, 30'720);
  EXPECT_EQ(port.focus, 1001);
  EXPECT_EQ(port.statusTexts[kPaneSpeed], "Speed 1x") << "the speed pane shows from the start";

  canvas.ops.clear();
  RepaintView();
  EXPECT_EQ(canvas.Bitmaps(), Concat(kSkinOrder, kEditingButtons));
}

TEST_F(FormTest, PlaybackWaveformIsDrawnOverTheSkinAndUnderTheEditingButtons) {
  SetWaveformCalls(DefaultWaveformCalls());
  SetSong(kStateWholeView, 2);
  for (std::uint32_t i = 0; i < 2'000'000; i += 2) {
    const std::int16_t v = static_cast<std::int16_t>((i / 2) % 200 * 100 - 10'000);
    SongBuffer[i] = static_cast<unsigned char>(v & 0xFF);
    SongBuffer[i + 1] = static_cast<unsigned char>((v >> 8) & 0xFF);
  }
  storedBytes = 2'000'000;
  OnDraw(canvas);
  storedBytes = 0;
  std::memset(SongBuffer, 0, 2'000'000);

  const auto& ops = canvas.ops;
  ASSERT_GT(ops.size(), kSkinOrder.size() + kEditingButtons.size());
  EXPECT_EQ(std::vector<Op>(ops.begin(), ops.begin() + kSkinOrder.size()), kSkinOrder);
  EXPECT_EQ(std::vector<Op>(ops.end() - kEditingButtons.size(), ops.end()), kEditingButtons);
  const Rect r = WaveRect;
  int lines = 0;
  for (auto it = ops.begin() + kSkinOrder.size(); it != ops.end() - kEditingButtons.size(); ++it) {
    if (it->what != "line") continue;
    ++lines;
    EXPECT_TRUE(it->x >= r.left && it->x <= r.right + 3 && it->y >= r.top && it->y <= r.bottom) << *it;
  }
  EXPECT_GT(lines, r.Width() / 2);
  EXPECT_NE(ColumnBytes.load(), 0u);
}

TEST(SongFacts, NamesChannelsAndNumbers) {
  SongInfo.Reset();
  SongInfo.channels = 2;
  SongInfo.sampleRate = 48000;
  SongInfo.bitRate = 320000;
  EXPECT_EQ(SongFactsText(), "Stereo : SR = 48000 BR = 320000");
  SongInfo.channels = 1;
  SongInfo.sampleRate = 8000;
  SongInfo.bitRate = 8000;
  EXPECT_EQ(SongFactsText(), "Mono : SR = 8000 BR = 8000");
  SongInfo.Reset();
}

}  // namespace
}  // namespace vexalo::test
