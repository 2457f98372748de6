#include "form/skin_layout.h"

#include <algorithm>

#include "common/control_ids.h"
#include "common/shared_state.h"
#include "form/command_registry.h"

namespace vexalo::skin {

namespace {

// Top bar pictures: the normal look leaves a margin of background on its right and bottom that
// the smaller highlighted look does not cover.
constexpr int kTopNormalW = 76, kTopNormalH = 38;
constexpr int kTopLitW = 72, kTopLitH = 35;

constexpr std::array<BitmapSpec, 49> kBitmaps{{
    {143, 767, 211, false},
    {246, 134, 19, true},
    {247, 121, 16, true},
    {268, 111, 16, true},
    {252, 27, 15, true},
    {253, 91, 19, true},
    {254, 7, 245, true},
    {255, 7, 245, true},
    {257, 549, 9, true},
    {267, 549, 11, true},
    {259, 178, 11, true},
    {258, 178, 10, true},
    {261, 157, 97, true},
    {186, kTopNormalW, kTopNormalH, false},
    {188, kTopNormalW, kTopNormalH, false},
    {212, kTopNormalW, kTopNormalH, false},
    {214, kTopNormalW, kTopNormalH, false},
    {194, kTopNormalW, kTopNormalH, false},
    {196, kTopNormalW, kTopNormalH, false},
    {198, kTopNormalW, kTopNormalH, false},
    {200, kTopNormalW, kTopNormalH, false},
    {202, kTopNormalW, kTopNormalH, false},
    {226, kTopNormalW, kTopNormalH, false},
    {185, kTopLitW, kTopLitH, true},
    {187, kTopLitW, kTopLitH, true},
    {290, kTopLitW, kTopLitH, true},
    {291, kTopLitW, kTopLitH, true},
    {193, kTopLitW, kTopLitH, true},
    {195, kTopLitW, kTopLitH, true},
    {197, kTopLitW, kTopLitH, true},
    {199, kTopLitW, kTopLitH, true},
    {201, kTopLitW, kTopLitH, true},
    {283, kTopLitW, kTopLitH, true},
    {239, 106, 23, true},
    {240, 106, 23, true},
    {241, 106, 23, true},
    {242, 106, 23, true},
    {243, 105, 22, true},
    {244, 105, 22, true},
    {228, 40, 22, true},
    {229, 40, 22, true},
    {230, 42, 22, true},
    {231, 42, 22, true},
    {232, 41, 22, true},
    {233, 41, 22, true},
    {234, 42, 22, true},
    {235, 42, 22, true},
    {236, 41, 22, true},
    {237, 41, 22, true},
}};

constexpr std::array<Placement, 15> kFramework{{
    {143, 0, 0},
    {246, 25, 280},
    {247, 600, 277},
    {268, 600, 422},
    {252, 705, 462},
    {253, 173, 304},
    {254, 15, 270},
    {255, 557, 270},
    {257, 15, 270},
    {267, 15, 505},
    {254, 570, 270},
    {255, 740, 270},
    {259, 570, 270},
    {258, 570, 505},
    {261, 580, 295},
}};

constexpr Button Top(int n, int normal, int lit, const char* tip, int cursor, int command) {
  const int x = 5 + 76 * (n - 1);
  return Button{normal, lit, x, 4, HitRect{x, 4, x + 65, 34}, tip, cursor, command, Activity::Always};
}

constexpr Button Lower(int normal, int lit, int x, int y, HitRect hit, int command, Activity activity) {
  return Button{normal, lit, x, y, hit, nullptr, 0, command, activity};
}

const std::array<Button, kButtonCount> kButtons{{
    Top(1, 186, 185, " MP3 File Open", 170, kIdMp3FileOpen),
    Top(2, 188, 187, " SyncMP3 File Save", 170, kIdSyncMp3FileSave),
    Top(3, 212, 290, " Song Text File Open", 170, kIdTextOpen),
    Top(4, 214, 291, " Song Text File Save", 170, kIdTextSave),
    Top(5, 194, 193, " All Waveform View", 179, kIdWholeView),
    Top(6, 196, 195, " Partial WaveForm View", 177, kIdWindowView),
    Top(7, 198, 197, " MP3 File + Text File", 170, kIdMp3PlusTextFile),
    Top(8, 200, 199, " Text Editor Window Clear", 170, kIdEditorClear),
    Top(9, 202, 201, " ID3 Tag Editor", 170, kIdId3TagEditor),
    Top(10, 226, 283, " Vexalo Caption Editor Help", 178, kIdHelpFinder),
    Lower(239, 240, 33, 303, {33, 303, 135, 324}, kIdcInsertTimeInfo, Activity::SongLoaded),
    Lower(241, 242, 320, 303, {320, 303, 424, 324}, kIdcSideTimeButton, Activity::WindowViewOnly),
    Lower(243, 244, 610, 487, {610, 487, 713, 506}, kIdcAdjust, Activity::SongLoaded),
    Lower(228, 229, 540, 240, {540, 240, 577, 257}, kIdcRewind, Activity::WindowViewOnly),
    Lower(230, 231, 582, 240, {582, 240, 619, 257}, kIdcForward, Activity::WindowViewOnly),
    Lower(232, 233, 624, 240, {624, 240, 661, 257}, kIdcPlay, Activity::SongLoaded),
    Lower(234, 235, 666, 240, {666, 240, 703, 257}, kIdcPause, Activity::WholeViewOnly),
    Lower(236, 237, 708, 240, {708, 240, 745, 257}, kIdcStop, Activity::SongLoaded),
}};

// Hot spots: the arrow's tip for the pointer shapes, the lens centre for the two magnifiers.
constexpr std::array<CursorSpec, 4> kCursors{{
    {170, 32, 32, 10, 2},   // pointing hand: command buttons
    {177, 32, 32, 12, 12},  // magnifier with "+": the 200-frame window view
    {178, 32, 32, 2, 2},    // arrow with "?": help
    {179, 32, 32, 12, 12},  // magnifier with "1:1": the whole waveform
}};

}  // namespace

std::span<const BitmapSpec> Bitmaps() { return kBitmaps; }

std::optional<BitmapSpec> FindBitmap(int id) {
  auto it = std::find_if(kBitmaps.begin(), kBitmaps.end(), [id](const BitmapSpec& b) { return b.id == id; });
  if (it == kBitmaps.end()) return std::nullopt;
  return *it;
}

std::span<const Placement> FrameworkPlacements() { return kFramework; }

bool Answers(Activity activity, int playerState) {
  switch (activity) {
    case Activity::Always:
      return true;
    case Activity::SongLoaded:
      return SongShown(playerState);
    case Activity::WindowViewOnly:
      return playerState == kStateWindowView;
    case Activity::WholeViewOnly:
      return playerState == kStateWholeView;
  }
  return false;
}

const std::array<Button, kButtonCount>& Buttons() { return kButtons; }

Extent SkinExtent() {
  Extent e{0, 0};
  auto grow = [&e](int id, int x, int y) {
    if (auto entry = FindBitmap(id)) {
      e.width = std::max(e.width, x + entry->width);
      e.height = std::max(e.height, y + entry->height);
    }
  };
  for (const Placement& p : kFramework) grow(p.id, p.x, p.y);
  for (const Button& b : kButtons) {
    grow(b.normal, b.x, b.y);
    grow(b.highlighted, b.x, b.y);
  }
  return e;
}

std::span<const CursorSpec> Cursors() { return kCursors; }

std::optional<CursorSpec> FindCursor(int id) {
  auto it = std::find_if(kCursors.begin(), kCursors.end(), [id](const CursorSpec& c) { return c.id == id; });
  if (it == kCursors.end()) return std::nullopt;
  return *it;
}

}  // namespace vexalo::skin
