// Timing tools on the lyrics: Adjust shifts every long tag by a signed number of seconds and
// tenths; Side Time puts a short tag of the window view's start at the editor's caret through
// field 1020 and the clipboard.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vexalo {

class ViewPort;

inline constexpr char kAdjustPlusFormat[] = "Time Adjust = +%d.%d";
inline constexpr char kAdjustMinusFormat[] = "Time Adjust = -%d.%d";
// Added to the question when only part of the tags move: how many, of how many.
inline constexpr char kAdjustPartFormat[] = " (%d of %d time tags)";
// Shown when an adjust field holds a text that is no amount (the change filters keep such texts
// out; a field set from elsewhere may still hold one).
inline constexpr char kAdjustValueError[] = " Time Adjust Value Error !!! ";

// The latest time a long tag can show, 99:59:59.99, in milliseconds.
constexpr int kMaxTagMillis = 359'999'990;

// The view's dialog data of fields 1022 and 1017, and the direction of radios 1041/1042.
// UI thread only.
extern std::string AdjustSeconds;
extern std::string AdjustTenths;
extern int AdjustPlus;  // 1 later, 0 earlier

// Values of the adjust fields: empty is 0; seconds take one or two digits, tenths one digit.
// Anything else has no value.
std::optional<int> AdjustSecondsValue(std::string_view text);
std::optional<int> AdjustTenthsValue(std::string_view text);
// What the change filters let stand: seconds empty, one digit, or '0'-'5' and a digit; tenths
// empty or one digit.
bool AcceptsAdjustSeconds(std::string_view text);
bool AcceptsAdjustTenths(std::string_view text);

// Shifts every editor long tag of `text` by shiftMillis (negative for earlier), bounded to
// 00:00:00.00 .. 99:59:59.99 and written back with minutes carried into hours. Short tags, tags
// whose digits are not all digits, and everything else keep their bytes; the length is unchanged.
void ShiftLongTags(std::string& text, int shiftMillis);

// Initial adjust values (view set-up and every MP3 open): both fields "0", "+" chosen, in the
// view data and in `view`'s controls.
void ResetAdjustFields(ViewPort& view);

// Adjust (button 1016): every long tag, or, when the selection holds one, the tags of the
// selected lines only (the caret and selection then stay).
void OnAdjust();
// "Adjust from caret": the tag of the caret's group and every later one.
void OnAdjustFromCaret();
void OnChangeAdjustSeconds();  // change notification of edit 1022
void OnChangeAdjustTenths();   // change notification of edit 1017
void OnAdjustPlus();           // radio 1041
void OnAdjustMinus();          // radio 1042

// In the window view: the short tag of WindowStart into field 1020 and onto the clipboard; the
// focus stays where it is. Any thread (the window marshals the port's calls). The playback
// drawing reaches it through its side-time routine, installed when this module is linked in.
void UpdateSideTime();
// Side Time (button 1019): UpdateSideTime, then in the window view the focus to field 1020 and a
// paste into the editor.
void OnSideTime();

}  // namespace vexalo
