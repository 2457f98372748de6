// The painted button bar: hit rectangles, which buttons answer in which state, highlights, tips,
// cursors, and the waveform area taking its clicks first.
#include <gtest/gtest.h>

#include <algorithm>

#include "form/form_view.h"
#include "common/control_ids.h"
#include "form/skin_layout.h"
#include "form_fixture.h"

namespace vexalo::test {
namespace {

using namespace vexalo::skin;

struct Probe {
  int x;
  int y;
  int button;  // expected index, -1 for none
};

TEST(TopButtonHits, EdgesAreInsideAndTheGapsSelectNothing) {
  std::vector<Probe> probes;
  for (int n = 0; n < kTopButtonCount; ++n) {
    const int left = 5 + 76 * n;
    probes.push_back({left, 4, n});
    probes.push_back({left + 65, 34, n});
    probes.push_back({left + 65, 4, n});
    probes.push_back({left, 34, n});
    probes.push_back({left, 3, -1});
    probes.push_back({left, 35, -1});
    probes.push_back({left - 1, 20, -1});
    probes.push_back({left + 66, 20, -1});
    probes.push_back({left + 75, 20, -1});
  }
  probes.push_back({755, 20, -1});
  for (const Probe& p : probes) EXPECT_EQ(HitTopButton(p.x, p.y), p.button) << p.x << "," << p.y;
}

TEST(LowerButtonHits, BoundsAreInclusive) {
  struct Box {
    int button;
    int left, top, right, bottom;
  };
  const Box boxes[] = {
      {kInsertTimeInfo, 33, 303, 135, 324}, {kSideTime, 320, 303, 424, 324}, {kAdjust, 610, 487, 713, 506},
      {kRewind, 540, 240, 577, 257},        {kForward, 582, 240, 619, 257},  {kPlay, 624, 240, 661, 257},
      {kPause, 666, 240, 703, 257},         {kStop, 708, 240, 745, 257},
  };
  for (const Box& b : boxes) {
    for (auto [x, y] : {std::pair{b.left, b.top}, {b.right, b.bottom}, {b.left, b.bottom}, {b.right, b.top}})
      EXPECT_EQ(HitLowerButton(x, y), b.button) << x << "," << y;
    for (auto [x, y] : {std::pair{b.left - 1, b.top}, {b.right + 1, b.top}, {b.left, b.top - 1}, {b.left, b.bottom + 1}})
      EXPECT_EQ(HitLowerButton(x, y), -1) << x << "," << y;
  }
  // Between "<<" and ">>" (578..581) lies no button, although the "<<" picture reaches 579.
  EXPECT_EQ(HitLowerButton(579, 250), -1);
}

TEST(ButtonTable, EveryHitRectangleLiesOnItsPicture) {
  for (const Button& b : Buttons()) {
    for (int id : {b.normal, b.highlighted}) {
      auto entry = FindBitmap(id);
      ASSERT_TRUE(entry) << id;
      EXPECT_GE(b.hit.left, b.x) << id;
      EXPECT_GE(b.hit.top, b.y) << id;
      EXPECT_LT(b.hit.right, b.x + entry->width) << id;
      EXPECT_LT(b.hit.bottom, b.y + entry->height) << id;
    }
  }
}

int CentreX(int index) { return (ButtonAt(index).hit.left + ButtonAt(index).hit.right) / 2; }
int CentreY(int index) { return (ButtonAt(index).hit.top + ButtonAt(index).hit.bottom) / 2; }

TEST_F(FormTest, ButtonsAnswerOnlyInTheirStates) {
  BindLoggingCommands();
  const std::vector<int> top = {57601, 57603, 32771, 32772, 32774, 32776, 32777, 32779, 32781, 57667};
  struct Expect {
    int state;
    std::vector<int> lower;  // commands of the lower buttons that run
  };
  const Expect cases[] = {
      {kStateNoSong, {}},
      {kStateOpening, {}},
      {kStateWholeView, {1013, 1016, 1010, 1024, 1015}},
      {kStateWindowView, {1013, 1019, 1016, 1011, 1012, 1010, 1015}},
  };
  for (const Expect& c : cases) {
    canvas.ops.clear();
    PlayerState = c.state;
    // Keep the waveform area out of the way: only the buttons are under test here.
    WaveRect = Rect{-100, -100, -90, -90};
    for (int n = 0; n < kButtonCount; ++n) view.OnLButtonDown(CentreX(n), CentreY(n));
    std::vector<int> expected = top;
    expected.insert(expected.end(), c.lower.begin(), c.lower.end());
    EXPECT_EQ(RunCommands(), expected) << "state " << c.state;
  }
}

TEST_F(FormTest, PressDrawsTheHighlightBeforeTheCommandRuns) {
  BindLoggingCommands();
  SetSong(kStateWholeView);
  view.OnLButtonDown(CentreX(kTop3), CentreY(kTop3));
  EXPECT_EQ(canvas.ops, (std::vector<Op>{Bmp(290, 157, 4), Mark("cmd", 32771)}));

  canvas.ops.clear();
  view.OnLButtonDown(CentreX(kPause), CentreY(kPause));
  EXPECT_EQ(canvas.ops, (std::vector<Op>{Bmp(235, 666, 240), Mark("cmd", 1024)}));
}

TEST_F(FormTest, InactiveButtonIsNeitherDrawnNorRun) {
  BindLoggingCommands();
  SetSong(kStateWholeView);
  for (int n : {kRewind, kForward, kSideTime}) view.OnLButtonDown(CentreX(n), CentreY(n));
  SetSong(kStateWindowView);
  view.OnLButtonDown(CentreX(kPause), CentreY(kPause));
  EXPECT_TRUE(canvas.ops.empty());
}

TEST_F(FormTest, HighlightStaysUntilTheNextMoveOrRelease) {
  BindLoggingCommands();
  SetSong(kStateWindowView);
  view.OnLButtonDown(CentreX(kPlay), CentreY(kPlay));
  ASSERT_EQ(canvas.Bitmaps(), std::vector<Op>{Bmp(233, 624, 240)});

  canvas.ops.clear();
  view.OnLButtonUp(CentreX(kPlay), CentreY(kPlay));
  EXPECT_EQ(canvas.ops, std::vector<Op>{Bmp(232, 624, 240)});

  // A release off the lower buttons redraws nothing; so does a release on a top button.
  canvas.ops.clear();
  view.OnLButtonUp(300, 260);
  view.OnLButtonUp(CentreX(kTop1), CentreY(kTop1));
  EXPECT_TRUE(canvas.ops.empty());
}

TEST_F(FormTest, ReleaseRestoresLowerButtonsEvenWithoutSong) {
  PlayerState = kStateNoSong;
  view.OnLButtonUp(ButtonAt(kAdjust).hit.right, ButtonAt(kAdjust).hit.bottom);
  EXPECT_EQ(canvas.ops, std::vector<Op>{Bmp(243, 610, 487)});
}

TEST_F(FormTest, MoveRedrawsTheLowerButtonsOfTheStateThenTheTopBar) {
  const std::vector<Op> topNormal = {Bmp(186, 5, 4),   Bmp(188, 81, 4),  Bmp(212, 157, 4), Bmp(214, 233, 4),
                                     Bmp(194, 309, 4), Bmp(196, 385, 4), Bmp(198, 461, 4), Bmp(200, 537, 4),
                                     Bmp(202, 613, 4), Bmp(226, 689, 4)};
  struct Case {
    int state;
    std::vector<Op> lower;
  };
  const Case cases[] = {
      {kStateNoSong, {}},
      {kStateWholeView,
       {Bmp(239, 33, 303), Bmp(241, 320, 303), Bmp(243, 610, 487), Bmp(234, 666, 240), Bmp(232, 624, 240),
        Bmp(236, 708, 240)}},
      {kStateWindowView,
       {Bmp(239, 33, 303), Bmp(241, 320, 303), Bmp(243, 610, 487), Bmp(230, 582, 240), Bmp(228, 540, 240),
        Bmp(232, 624, 240), Bmp(236, 708, 240)}},
  };
  for (const Case& c : cases) {
    canvas.ops.clear();
    PlayerState = c.state;
    view.OnMouseMove(780, 540);
    auto expected = c.lower;
    expected.insert(expected.end(), topNormal.begin(), topNormal.end());
    EXPECT_EQ(canvas.ops, expected) << "state " << c.state;
  }
}

TEST_F(FormTest, HoverHighlightsOneTopButtonAndShowsItsTipAndCursor) {
  struct Tip {
    int lit;
    const char* text;
    int cursor;
  };
  const Tip tips[] = {
      {185, " MP3 File Open", 170},          {187, " SyncMP3 File Save", 170},  {290, " Song Text File Open", 170},
      {291, " Song Text File Save", 170},    {193, " All Waveform View", 179},  {195, " Partial WaveForm View", 177},
      {197, " MP3 File + Text File", 170},   {199, " Text Editor Window Clear", 170},
      {201, " ID3 Tag Editor", 170},         {283, " Vexalo Caption Editor Help", 178},
  };
  for (int n = 0; n < kTopButtonCount; ++n) {
    canvas.ops.clear();
    view.OnMouseMove(5 + 76 * n + 65, 34);
    const auto ops = canvas.Bitmaps();
    ASSERT_EQ(ops.size(), 10u);
    for (int k = 0; k < kTopButtonCount; ++k) {
      EXPECT_EQ(ops[k], Bmp(k == n ? tips[n].lit : ButtonAt(k).normal, 5 + 76 * k, 4)) << n << " " << k;
    }
    EXPECT_EQ(port.statusTexts[kPanePrompt], tips[n].text);
    EXPECT_EQ(port.mouseCursor, tips[n].cursor);
  }
}

TEST_F(FormTest, LeavingTheTopBarClearsTheHighlightButKeepsTipAndCursor) {
  view.OnMouseMove(CentreX(kTop6), CentreY(kTop6));
  ASSERT_EQ(port.statusTexts[kPanePrompt], " Partial WaveForm View");
  const auto tipsBefore = port.statusHistory.size();

  canvas.ops.clear();
  view.OnMouseMove(5 + 76 * 5 + 70, 20);  // the gap after button 6
  for (const Op& op : canvas.Bitmaps()) EXPECT_NE(op.id, 195) << "button 6 still lit";
  EXPECT_EQ(canvas.Bitmaps().size(), 10u);
  EXPECT_EQ(port.statusTexts[kPanePrompt], " Partial WaveForm View");
  EXPECT_EQ(port.statusHistory.size(), tipsBefore);
  EXPECT_EQ(port.mouseCursor, 177);
}

TEST_F(FormTest, ClickInWaveAreaNeverReachesTheButtons) {
  BindLoggingCommands();
  // A waveform area laid over top button 1 and the Play button.
  WaveRect = Rect{0, 0, 700, 260};
  for (int state : {kStateWholeView, kStateWindowView}) {
    canvas.ops.clear();
    TransportCommand = kCmdNone;
    PlayerState = state;
    view.OnLButtonDown(CentreX(kTop1), CentreY(kTop1));
    EXPECT_EQ(TransportCommand.load(), kCmdPlay);
    TransportCommand = kCmdNone;
    view.OnLButtonDown(CentreX(kPlay), CentreY(kPlay));
    EXPECT_EQ(TransportCommand.load(), kCmdPlay);
    EXPECT_TRUE(canvas.ops.empty()) << "state " << state;
  }
  // Without a song the same point is top button 1.
  TransportCommand = kCmdNone;
  PlayerState = kStateNoSong;
  view.OnLButtonDown(CentreX(kTop1), CentreY(kTop1));
  EXPECT_EQ(RunCommands(), std::vector<int>{57601});
  EXPECT_EQ(TransportCommand.load(), kCmdNone);
}

TEST_F(FormTest, WaveAreaEdgesCountAsInside) {
  SetSong(kStateWholeView);
  const Rect r = WaveRect;
  for (auto [x, y] : {std::pair{r.left, r.top}, {r.right, r.bottom}, {r.left, r.bottom}, {r.right, r.top}}) {
    TransportCommand = kCmdNone;
    view.OnLButtonDown(x, y);
    EXPECT_EQ(TransportCommand.load(), kCmdPlay) << x << "," << y;
  }
  TransportCommand = kCmdNone;
  view.OnLButtonDown(r.right + 1, r.top);
  EXPECT_EQ(TransportCommand.load(), kCmdNone);
}

TEST_F(FormTest, MoveOverWaveGoesToThePointerLogicOnly) {
  WaveRect = Rect{0, 0, 700, 260};  // overlapping the top bar
  SetSong(kStateWindowView);
  view.OnMouseMove(CentreX(kTop2), CentreY(kTop2));
  EXPECT_EQ(s_pointerMoves, (std::vector<std::pair<int, int>>{{CentreX(kTop2), CentreY(kTop2)}}));
  EXPECT_TRUE(canvas.ops.empty());
  EXPECT_TRUE(port.statusHistory.empty());

  // Without a song the waveform logic lets the move pass and the top bar answers.
  s_pointerMoves.clear();
  PlayerState = kStateNoSong;
  view.OnMouseMove(CentreX(kTop2), CentreY(kTop2));
  EXPECT_TRUE(s_pointerMoves.empty());
  EXPECT_EQ(port.statusTexts[kPanePrompt], " SyncMP3 File Save");
}

TEST_F(FormTest, AfterShutdownPressesRunNothing) {
  BindLoggingCommands();
  SetSong(kStateWholeView);
  ActiveView = nullptr;
  view.OnLButtonDown(CentreX(kTop1), CentreY(kTop1));
  view.OnLButtonDown(CentreX(kPlay), CentreY(kPlay));
  EXPECT_TRUE(canvas.ops.empty());
}

TEST_F(FormTest, UnboundCommandStillShowsThePress) {
  view.OnLButtonDown(CentreX(kTop9), CentreY(kTop9));
  EXPECT_EQ(canvas.ops, std::vector<Op>{Bmp(201, 613, 4)});
}

}  // namespace
}  // namespace vexalo::test
