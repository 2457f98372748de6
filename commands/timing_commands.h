// Timing work on the stamped lyrics: nudging the caret's group earlier or later, replaying the
// song from a group with a pre-roll, and Adjust limited to the selected groups or to the caret's
// group and those after it. UI thread only; with no active view nothing happens.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vexalo {

class ViewPort;
class LyricsHistory;

// Byte offset of the long tag that opens the group of the line starting at `lineStart`: the
// nearest line at or above it that begins with a long tag. Nothing above the first tag.
std::optional<std::size_t> GroupTagBefore(std::string_view text, std::size_t lineStart);
// The time a long tag at `at` names, in milliseconds; nothing when its digits are not digits.
std::optional<int> LongTagMillis(std::string_view text, std::size_t at);

// Moves the long tag of the caret's group by deltaMillis, kept within 00:00:00.00..99:59:59.99;
// one undo step, merged with the nudge just before on the same group. Status pane 0 shows the
// new time, or why nothing moved.
void NudgeCaretGroup(ViewPort& view, LyricsHistory& history, int deltaMillis);

// " Tag Time = HH:MM:SS.CC " of a nudged tag.
inline constexpr char kNudgedFormat[] = " Tag Time = %02d:%02d:%02d.%02d ";
inline constexpr char kNoGroupText[] = " No Time Tag Above The Caret ";

// Where a replay of a group timed at groupMillis starts: preRollMillis earlier, clamped at the
// song's start and end, as an even SongBuffer byte offset of a frame's start.
std::uint64_t ReplayStartBytes(int groupMillis, int preRollMillis);

// Replay from the caret's group (back = 0) or from the group `back` groups before it: whole
// view playback from the group's time less the pre-roll setting. A running playback is stopped
// first and the replay starts as soon as it has ended (ReplayTick); nothing while decoding.
void ReplayGroup(ViewPort& view, int back);
// Replay from the group of the editor line that starts at byte `lineStart` (a double click).
void ReplayGroupAtLine(ViewPort& view, std::size_t lineStart);
// The view's timer: starts a replay that waited for a playback to end.
void ReplayTick();
// Whether a replay waits for the running playback to end.
bool ReplayPending();

}  // namespace vexalo
