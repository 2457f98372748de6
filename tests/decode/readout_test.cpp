#include "playback/readout.h"

#include <gtest/gtest.h>

#include <cstring>

#include "common/control_ids.h"
#include "recording_canvas.h"
#include "support/scripted_view_port.h"

namespace vexalo {
namespace {

using test::DrawnText;
using test::RecordingCanvas;
using test::ScriptedViewPort;

class ReadoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_savedRect = WaveRect;
    WaveRect = Rect{20, 30, 720, 330};
    ActiveView.store(&m_view);
  }
  void TearDown() override {
    ActiveView.store(nullptr);
    WaveRect = m_savedRect;
  }
  RecordingCanvas m_canvas;
  ScriptedViewPort m_view{&m_canvas};
  Rect m_savedRect;
};

TEST_F(ReadoutTest, PaintsEachTimeSlotAtItsPlaceOverTheWaveform) {
  struct Case {
    int slot;
    int x, y;
  };
  const Case cases[] = {
      {kIdcProgressSlot, 30, 305}, {kIdcCursorSlot, 290, 305}, {kIdcStartSlot, 30, 35},
      {kIdcEndSlot, 590, 35},      {kIdcPlaySlot, 290, 35},
  };
  for (const Case& c : cases) {
    const std::string text = " Play Time = 01:02:03 #" + std::to_string(c.slot) + " ";
    ShowReadout(c.slot, text);
    ASSERT_FALSE(m_canvas.texts.empty());
    EXPECT_EQ(m_canvas.texts.back(), (DrawnText{c.x, c.y, text})) << c.slot;
  }
  EXPECT_EQ(m_canvas.texts.size(), 5u);
  EXPECT_EQ(m_view.canvasLeases, 5);  // one lease per painting, each released
  EXPECT_TRUE(m_view.lock.try_lock());
  m_view.lock.unlock();
  EXPECT_TRUE(m_view.controlTextHistory.empty());
}

TEST_F(ReadoutTest, ControlSlotsSetTheControlText) {
  ShowReadout(kIdcSideTime, "\xA2\xD1" "000102\xA2\xD0");
  ShowReadout(kIdcAdjustPreview, "preview");
  ShowReadout(kIdcEditor, "lyrics");
  ShowReadout(kIdcSideTime, "");
  EXPECT_EQ(m_view.controlTexts[kIdcSideTime], "");
  EXPECT_EQ(m_view.controlTexts[kIdcAdjustPreview], "preview");
  EXPECT_EQ(m_view.editorText, "lyrics");
  EXPECT_EQ(m_view.controlTextHistory.size(), 4u);
  EXPECT_TRUE(m_canvas.texts.empty());
  EXPECT_EQ(m_view.canvasLeases, 0);
}

TEST_F(ReadoutTest, OtherSlotsDoNothing) {
  for (int slot : {1009, 1002, 1003, 0, -1, 1022}) ShowReadout(slot, " Total Time = 00:00:00 ");
  EXPECT_TRUE(m_canvas.texts.empty());
  EXPECT_TRUE(m_view.controlTextHistory.empty());
  EXPECT_EQ(m_view.canvasLeases, 0);
}

TEST_F(ReadoutTest, LongTextIsCutToTheBufferAndStopsAtAZeroByte) {
  ShowReadout(kIdcEndSlot, std::string(2000, 'a'));
  EXPECT_EQ(m_canvas.texts.back().text, std::string(kTextCapacity - 1, 'a'));
  ShowReadout(kIdcEndSlot, std::string("ab\0cd", 5));
  EXPECT_EQ(m_canvas.texts.back().text, "ab");
}

TEST_F(ReadoutTest, NothingIsShownOnceTheViewIsGone) {
  ActiveView.store(nullptr);
  ShowReadout(kIdcProgressSlot, " Processing Time = 00:00:00 ");
  ShowReadout(kIdcSideTime, "x");
  EXPECT_TRUE(m_canvas.texts.empty());
  EXPECT_TRUE(m_view.controlTextHistory.empty());
  EXPECT_EQ(m_view.canvasLeases, 0);
}

TEST(CopyReadoutText, ZeroFillsAndBoundsTheBuffer) {
  char buffer[kTextCapacity];
  std::memset(buffer, 'z', sizeof buffer);
  CopyReadoutText(" End Time = 00:01:02 ", buffer);
  EXPECT_STREQ(buffer, " End Time = 00:01:02 ");
  for (std::size_t i = std::strlen(buffer); i < sizeof buffer; ++i) ASSERT_EQ(buffer[i], 0) << i;

  CopyReadoutText(std::string(600, 'q'), buffer);
  EXPECT_EQ(std::strlen(buffer), kTextCapacity - 1);
  EXPECT_EQ(buffer[kTextCapacity - 1], 0);
}

}  // namespace
}  // namespace vexalo
