#include <string>

#include "commands/editor_commands.h"
#include "common/control_ids.h"
#include "lyrics/lyrics_fixture.h"
#include "sync/sync_text.h"

namespace vexalo::test {
namespace {

TEST(ShiftLongTags, MovesTagsByTheExactDigitArithmetic) {
  struct Case {
    std::string before;
    int shiftMillis;
    std::string after;
  } cases[] = {
      {"00010570", 2500, "00010820"},
      {"00010570", -2500, "00010320"},
      {"00000100", -2000, "00000000"},   // below zero stops at zero
      {"00000000", -100, "00000000"},
      {"00595990", 200, "01000010"},     // minutes carry into hours
      {"00640000", 0, "01040000"},       // minutes past an hour are written as hours
      {"00010579", 100, "00010589"},     // hundredths keep their second digit
      {"99595990", 9900, "99595999"},    // no tag passes 99:59:59.99
      {"99595999", 100, "99595999"},
      {"00000000", 359'999'990, "99595999"},
  };
  for (const Case& c : cases) {
    std::string text = "\xA7" + c.before + "\xBB\r\nwords";
    ShiftLongTags(text, c.shiftMillis);
    EXPECT_EQ(text, "\xA7" + c.after + "\xBB\r\nwords") << c.before << " " << c.shiftMillis;
  }
}

TEST(ShiftLongTags, LeavesShortTagsAndMalformedTagsAlone) {
  const std::string text = LongTag("00000100") + "a" + ShortTag("000150") + "b\r\n" + LongTag("00000200") +
                           "\xA7" "00 0a300" "\xBB" + "\xA7" "short\xBB" + "\xA7";
  std::string shifted = text;
  ShiftLongTags(shifted, 1000);
  EXPECT_EQ(shifted, LongTag("00000200") + "a" + ShortTag("000150") + "b\r\n" + LongTag("00000300") +
                         "\xA7" "00 0a300" "\xBB" + "\xA7" "short\xBB" + "\xA7");
}

TEST(AdjustFields, ValuesAndFilters) {
  struct Case {
    std::string text;
    int seconds;  // -1: no value
    int tenths;
    bool secondsAccepted;
    bool tenthsAccepted;
  } cases[] = {
      {"", 0, 0, true, true},
      {"7", 7, 7, true, true},
      {"59", 59, -1, true, false},
      {"05", 5, -1, true, false},
      {"60", 60, -1, false, false},  // 6 and a second character falls back to 6
      {" ", -1, -1, false, false},
      {"5 ", -1, -1, false, false},
      {" 5", -1, -1, false, false},
      {"123", -1, -1, false, false},
      {"a", -1, -1, false, false},
      {"-1", -1, -1, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AdjustSecondsValue(c.text).value_or(-1), c.seconds) << '"' << c.text << '"';
    EXPECT_EQ(AdjustTenthsValue(c.text).value_or(-1), c.tenths) << '"' << c.text << '"';
    EXPECT_EQ(AcceptsAdjustSeconds(c.text), c.secondsAccepted) << '"' << c.text << '"';
    EXPECT_EQ(AcceptsAdjustTenths(c.text), c.tenthsAccepted) << '"' << c.text << '"';
  }
}

class Adjust : public LyricsTest {
 protected:
  void Fields(const std::string& seconds, const std::string& tenths) {
    view.controlTexts[kIdcAdjustSeconds] = seconds;
    view.controlTexts[kIdcAdjustTenths] = tenths;
  }
};

TEST_F(Adjust, PlusAsksAndShiftsEveryLongTag) {
  const std::string text = LongTag("00010570") + "a\r\n" + ShortTag("000150") + "b\r\n" + LongTag("00595990") + "c";
  Editor(text, 2, 1);
  Fields("2", "5");
  view.QueueAnswer(Answer::Yes);
  OnAdjust();
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, "Time Adjust = +2.5");
  EXPECT_EQ(view.messages[0].title, "Vexalo Caption Editor");
  EXPECT_EQ(view.messages[0].style, MessageStyle::YesNo);
  const std::string shifted =
      LongTag("00010820") + "a\r\n" + ShortTag("000150") + "b\r\n" + LongTag("01000240") + "c";
  EXPECT_EQ(view.editorText, shifted);
  EXPECT_EQ(LyricsTextBuffer, shifted);
  // The text is shown from its top, the caret at its start.
  EXPECT_EQ(view.firstVisibleLine, 0);
  EXPECT_EQ(view.caretIndex, 0);
}

TEST_F(Adjust, MinusAsksWithItsSignAndClampsAtZero) {
  Editor(LongTag("00010570") + "a\r\n" + LongTag("00000100") + "b");
  Fields("2", "5");
  OnAdjustMinus();
  view.QueueAnswer(Answer::Yes);
  OnAdjust();
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, "Time Adjust = -2.5");
  EXPECT_EQ(view.editorText, LongTag("00010320") + "a\r\n" + LongTag("00000000") + "b");

  OnAdjustPlus();
  EXPECT_EQ(AdjustPlus, 1);
}

TEST_F(Adjust, TwoDigitSecondsAndEmptyFields) {
  Editor(LongTag("00000000") + "a");
  Fields("59", "");
  view.QueueAnswer(Answer::Yes);
  OnAdjust();
  EXPECT_EQ(view.messages.back().text, "Time Adjust = +59.0");
  EXPECT_EQ(view.editorText, LongTag("00005900") + "a");

  Fields("", "3");
  view.QueueAnswer(Answer::Yes);
  OnAdjust();
  EXPECT_EQ(view.messages.back().text, "Time Adjust = +0.3");
  EXPECT_EQ(view.editorText, LongTag("00005930") + "a");
}

TEST_F(Adjust, NoLeavesTheTextByteForByte) {
  const std::string text = LongTag("00010570") + "a\xC7\xD1\r\n" + LongTag("00020000");
  Editor(text, 1, 1);
  Fields("1", "0");
  view.QueueAnswer(Answer::No);
  OnAdjust();
  EXPECT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.editorText, text);
  EXPECT_EQ(view.editorTextSets, 0);
}

TEST_F(Adjust, AnEmptyTextAsksNothing) {
  Editor("");
  Fields("1", "0");
  OnAdjust();
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(view.editorTextSets, 0);
}

TEST_F(Adjust, AFieldWithoutAValueIsRefused) {
  for (const char* seconds : {" ", "123", "x"}) {
    Editor(LongTag("00010000"));
    Fields(seconds, "0");
    view.messages.clear();
    OnAdjust();
    ASSERT_EQ(view.messages.size(), 1u) << seconds;
    EXPECT_EQ(view.messages[0].text, " Time Adjust Value Error !!! ");
    EXPECT_EQ(view.messages[0].style, MessageStyle::Ok);
    EXPECT_EQ(view.editorText, LongTag("00010000"));
  }
}

TEST_F(Adjust, AnEditorHoldingMoreThanTheBufferIsNotRewritten) {
  const std::string text = LongTag("00010000") + std::string(kMaxLyricsTextBytes, 'x');
  Editor(text);
  Fields("1", "0");
  OnAdjust();
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, " Song Text Size Over !!! ");
  EXPECT_EQ(view.editorText, text);
  EXPECT_EQ(view.editorTextSets, 0);
}

using AdjustFilter = Adjust;

// Types `keys` into a field one at a time, running its change filter after each.
std::string TypeInto(ScriptedViewPort& view, int id, void (*onChange)(), const std::string& keys) {
  for (char key : keys) {
    view.controlTexts[id] += key;
    onChange();
  }
  return view.controlTexts[id];
}

TEST_F(AdjustFilter, SecondsTakeUpToFiftyNine) {
  struct Case {
    std::string keys;
    std::string shown;
  } cases[] = {{"59", "59"}, {"60", "6"}, {"69", "6"}, {"6 ", "6"}, {"05", "05"},
               {" ", ""},    {"5 ", "5"}, {"123", "12"}, {"a", ""}};
  for (const Case& c : cases) {
    Fields("", "");
    AdjustSeconds.clear();
    EXPECT_EQ(TypeInto(view, kIdcAdjustSeconds, &OnChangeAdjustSeconds, c.keys), c.shown) << c.keys;
    EXPECT_EQ(AdjustSeconds, c.shown) << c.keys;
  }
}

TEST_F(AdjustFilter, TenthsTakeOneDigit) {
  struct Case {
    std::string keys;
    std::string shown;
  } cases[] = {{"5", "5"}, {"57", "5"}, {"0 ", "0"}, {" ", ""}, {"x", ""}, {"999", "9"}};
  for (const Case& c : cases) {
    Fields("", "");
    AdjustTenths.clear();
    EXPECT_EQ(TypeInto(view, kIdcAdjustTenths, &OnChangeAdjustTenths, c.keys), c.shown) << c.keys;
    EXPECT_EQ(AdjustTenths, c.shown) << c.keys;
  }
}

TEST_F(AdjustFilter, ClearingAFieldIsAccepted) {
  Fields("5", "3");
  UpdateViewData();
  view.controlTexts[kIdcAdjustSeconds] = "";
  OnChangeAdjustSeconds();
  view.controlTexts[kIdcAdjustTenths] = "";
  OnChangeAdjustTenths();
  EXPECT_EQ(AdjustSeconds, "");
  EXPECT_EQ(AdjustTenths, "");
  EXPECT_EQ(view.controlTexts[kIdcAdjustSeconds], "");
}

TEST_F(Adjust, ResetShowsZeroAndPlus) {
  AdjustSeconds = "12";
  AdjustTenths = "4";
  AdjustPlus = 0;
  view.checks[kIdcAdjustMinus] = true;
  ResetAdjustFields(view);
  EXPECT_EQ(AdjustSeconds, "0");
  EXPECT_EQ(AdjustTenths, "0");
  EXPECT_EQ(AdjustPlus, 1);
  EXPECT_EQ(view.controlTexts[kIdcAdjustSeconds], "0");
  EXPECT_EQ(view.controlTexts[kIdcAdjustTenths], "0");
  EXPECT_TRUE(view.checks[kIdcAdjustPlus]);
  EXPECT_FALSE(view.checks[kIdcAdjustMinus]);
}

}  // namespace
}  // namespace vexalo::test
