// Lyrics whose two-byte characters hold tag mark bytes (0xA7, 0xAB, 0xBB, 0xA2 0xE2), with digits
// between them, beside real tags: every scan of the lyrics must step over whole characters.
#pragma once

#include <string>
#include <vector>

namespace vexalo::test {

struct HangulTagCase {
  const char* name;
  std::string editor;   // editor form
  std::string stored;   // stored form
  std::string shown;    // what the editor control shows (UTF-8)
  std::string shifted;  // editor form after Adjust by +1.0 s
  std::string panel;    // the lyric panel's lines under a long tag for 00:01.00 before it
};

inline const std::vector<HangulTagCase>& HangulTagCases() {
  // 갓 B0 AB, 갊 B0 A7, 사 BB E7, 각 B0 A2, 戍 E2 A1, ㎕ A7 A1, ア AB A2; 가나다라 after ☞ A2 D1.
  static const std::vector<HangulTagCase> cases = [] {
    const std::string gat = "\xB0\xAB", galm = "\xB0\xA7", sa = "\xBB\xE7", gak = "\xB0\xA2";
    const std::string su = "\xE2\xA1", unit = "\xA7\xA1", a = "\xAB\xA2", close = "\xA2\xD0";
    std::vector<HangulTagCase> c;
    const std::string shortMark = gat + "123456" + sa + "\r\n";
    c.push_back({"short mark and closing mark inside characters", shortMark, shortMark,
                 "갓123456사\r\n", shortMark, shortMark});
    const std::string longMark = galm + "12345678" + sa + "\r\n";
    c.push_back({"long mark inside a character", longMark, longMark, "갊12345678사\r\n", longMark, longMark});
    const std::string leads = unit + "1234567" + sa + "\r\n" + a + "12345" + sa + "\r\n";
    c.push_back({"marks as lead bytes, no digits after them", leads, leads, "㎕1234567사\r\nア12345사\r\n",
                 leads, leads});
    const std::string storedLong = gak + su + "1234567" + close + "\r\n";
    c.push_back({"stored long tag marks inside characters", storedLong, storedLong, "각戍1234567☜\r\n",
                 storedLong, storedLong});
    const std::string storedSix = gak + su + "12345\r\n";
    c.push_back({"six-digit tag marks inside characters", storedSix, storedSix, "각戍12345\r\n", storedSix,
                 storedSix});
    // The panel drops a short stored mark and three characters after it, never half of one.
    const std::string lone = "\xA2\xD1\xB0\xA1\xB3\xAA\xB4\xD9\xB6\xF3" "AB\r\n";
    c.push_back({"short stored mark without its tag before hangul", lone, lone, "☞가나다라AB\r\n", lone,
                 "\xB6\xF3" "AB\r\n"});
    c.push_back({"short tag between such characters", gat + "\xAB" "000102" "\xBB" + sa + "\r\n",
                 gat + "\xA2\xD1" "000102" + close + sa + "\r\n", "갓«000102»사\r\n",
                 gat + "\xAB" "000102" "\xBB" + sa + "\r\n", gat + sa + "\r\n"});
    c.push_back({"long tag between such characters", gat + "\r\n\xA7" "00010500" "\xBB\r\n" + sa + "\r\n",
                 gat + "\r\n\xA2\xE2" "00010500" + close + "\r\n" + sa + "\r\n", "갓\r\n§00010500»\r\n사\r\n",
                 gat + "\r\n\xA7" "00010600" "\xBB\r\n" + sa + "\r\n", gat + "\r\n"});
    return c;
  }();
  return cases;
}

}  // namespace vexalo::test
