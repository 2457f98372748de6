// The skin of the form view: the size of every skin bitmap, where the view draws it, the painted
// buttons (hit rectangles, tips, cursors, commands, the states they answer in) and the cursors.
// Shared by the view logic, the window that loads the pictures, and the tests.
#pragma once

#include <array>
#include <optional>
#include <span>

#include "common/canvas.h"

namespace vexalo::skin {

// A skin picture, res/skin/<id>.png, drawn at its own size.
struct BitmapSpec {
  int id;
  int width;
  int height;
  bool trueColour;  // false: a 16-colour picture
};

// All 49 skin bitmaps.
std::span<const BitmapSpec> Bitmaps();
std::optional<BitmapSpec> FindBitmap(int id);

// A bitmap drawn with its top-left corner at (x, y).
struct Placement {
  int id;
  int x;
  int y;
};

// The fixed part of the skin in painting order: background, captions, labels, the two frames and
// the lyric panel (bitmaps 254 and 255 appear twice).
std::span<const Placement> FrameworkPlacements();

// Client-pixel rectangle with both bounds inclusive.
struct HitRect {
  int left;
  int top;
  int right;
  int bottom;
  constexpr bool Contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

// When a painted button answers a click, by PlayerState.
enum class Activity {
  Always,          // any state
  SongLoaded,      // 2 or 99
  WindowViewOnly,  // 99
  WholeViewOnly,   // 2
};
bool Answers(Activity activity, int playerState);

struct Button {
  int normal;       // bitmap of the normal look
  int highlighted;  // bitmap of the highlighted / pressed look
  int x;            // where both looks are drawn
  int y;
  HitRect hit;
  const char* tip;  // status pane 0 text on hover, nullptr for none (lower buttons)
  int cursor;       // cursor resource on hover, 0 for none
  int command;      // command id run through the command registry
  Activity activity;
};

// Buttons by index: the ten top buttons first, then the three editing and five transport buttons.
enum ButtonIndex : int {
  kTop1 = 0,  // MP3 File Open
  kTop2,      // SyncMP3 File Save
  kTop3,      // Song Text File Open
  kTop4,      // Song Text File Save
  kTop5,      // All Waveform View
  kTop6,      // Partial WaveForm View
  kTop7,      // MP3 File + Text File
  kTop8,      // Text Editor Window Clear
  kTop9,      // ID3 Tag Editor
  kTop10,     // Help
  kInsertTimeInfo,
  kSideTime,
  kAdjust,
  kRewind,
  kForward,
  kPlay,
  kPause,
  kStop,
  kButtonCount
};
constexpr int kTopButtonCount = 10;

const std::array<Button, kButtonCount>& Buttons();
inline const Button& ButtonAt(int index) { return Buttons()[static_cast<std::size_t>(index)]; }

// A mouse cursor picture, res/skin/<id>.png; (hotX, hotY) is the pixel that points.
struct CursorSpec {
  int id;
  int width;
  int height;
  int hotX;
  int hotY;
};
std::span<const CursorSpec> Cursors();  // 170, 177, 178, 179
std::optional<CursorSpec> FindCursor(int id);

// The client area the painted skin needs: right and bottom of the furthest bitmap. The window
// grows its frame when menus and status bar would leave less than this.
struct Extent {
  int width;
  int height;
};
Extent SkinExtent();

// Pictures outside the form's skin.
constexpr int kSplashBitmap = 262;  // splash window, 300 x 244 pixels (200 x 150 dialog units)
constexpr int kSplashWidth = 300;
constexpr int kSplashHeight = 244;
constexpr int kAboutBitmap = 141;   // About dialog, 96 x 96
constexpr int kAboutSize = 96;
constexpr int kIconResource = 128;  // application icon, res/skin/128.png (64 x 64)

// The colour the window clears the view to before the skin is drawn: the grey of the skin's
// own background, so the parts no bitmap covers blend in.
constexpr Colour kViewBackground = RGB(0xC8, 0xCC, 0xD2);

}  // namespace vexalo::skin
