// The committed skin pictures: every bitmap the view draws exists at its listed size and depth,
// and the pictures agree with where the window places its controls.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/control_ids.h"
#include "form/control_layout.h"
#include "form/skin_layout.h"
#include "png_reader.h"

namespace vexalo::test {
namespace {

using namespace vexalo::skin;

std::string SkinPath(int id) { return std::string(VEXALO_SOURCE_DIR) + "/res/skin/" + std::to_string(id) + ".png"; }

std::uint32_t Rgba(Colour c) { return c << 8 | 0xFF; }

bool Overlaps(const Rect& a, const HitRect& b) {
  return a.left <= b.right && b.left < a.right && a.top <= b.bottom && b.top < a.bottom;
}

TEST(SkinFiles, EveryBitmapExistsAtItsListedSizeAndDepth) {
  ASSERT_EQ(Bitmaps().size(), 49u);
  for (const BitmapSpec& entry : Bitmaps()) {
    std::string error;
    auto png = ReadPng(SkinPath(entry.id), &error);
    ASSERT_TRUE(png) << entry.id << ": " << error;
    EXPECT_EQ(png->width, entry.width) << entry.id;
    EXPECT_EQ(png->height, entry.height) << entry.id;
    if (!entry.trueColour) {
      EXPECT_EQ(png->colourType, 3) << entry.id << " should be a palette picture";
      EXPECT_LE(png->paletteEntries, 16) << entry.id;
    }
  }
}

TEST(SkinFiles, EveryDrawnBitmapIsListedOnce) {
  std::set<int> listed;
  for (const BitmapSpec& entry : Bitmaps()) EXPECT_TRUE(listed.insert(entry.id).second) << entry.id << " twice";
  std::set<int> drawn;
  for (const Placement& p : FrameworkPlacements()) drawn.insert(p.id);
  for (const Button& b : Buttons()) {
    drawn.insert(b.normal);
    drawn.insert(b.highlighted);
  }
  EXPECT_EQ(drawn, listed);
}

TEST(SkinFiles, TopButtonSizesLieInTheirRanges) {
  for (int n = kTop1; n <= kTop10; ++n) {
    auto normal = FindBitmap(ButtonAt(n).normal);
    auto lit = FindBitmap(ButtonAt(n).highlighted);
    ASSERT_TRUE(normal && lit);
    EXPECT_TRUE(normal->width >= 75 && normal->width <= 78 && normal->height >= 37 && normal->height <= 38);
    EXPECT_TRUE(lit->width >= 70 && lit->width <= 73 && lit->height >= 34 && lit->height <= 35);
    EXPECT_FALSE(normal->trueColour);
    EXPECT_TRUE(lit->trueColour);
  }
}

TEST(SkinFiles, OtherPicturesExist) {
  struct Expect {
    int id;
    int width;
    int height;
  };
  for (Expect e : {Expect{kSplashBitmap, kSplashWidth, kSplashHeight}, Expect{kAboutBitmap, kAboutSize, kAboutSize},
                   Expect{kIconResource, 64, 64}}) {
    std::string error;
    auto png = ReadPng(SkinPath(e.id), &error);
    ASSERT_TRUE(png) << e.id << ": " << error;
    EXPECT_EQ(png->width, e.width) << e.id;
    EXPECT_EQ(png->height, e.height) << e.id;
  }
}

TEST(SkinFiles, CursorsPointWithAnOpaquePixelAtTheirHotSpot) {
  ASSERT_EQ(Cursors().size(), 4u);
  for (int id : {170, 177, 178, 179}) {
    auto entry = FindCursor(id);
    ASSERT_TRUE(entry) << id;
    std::string error;
    auto png = ReadPng(SkinPath(id), &error);
    ASSERT_TRUE(png) << id << ": " << error;
    EXPECT_EQ(png->width, entry->width);
    EXPECT_EQ(png->height, entry->height);
    ASSERT_TRUE(entry->hotX >= 0 && entry->hotX < entry->width && entry->hotY >= 0 && entry->hotY < entry->height);
    EXPECT_GE(png->At(entry->hotX, entry->hotY) & 0xFF, 0x80u) << "cursor " << id << " is transparent at its hot spot";
  }
}

TEST(SkinFiles, WaveFieldIsWhiteWhereTheWaveformIsDrawn) {
  auto png = ReadPng(SkinPath(143));
  ASSERT_TRUE(png);
  const ControlPlacement* area = FindControlPlacement(kIdcWaveArea);
  ASSERT_NE(area, nullptr);
  // WaveRect as the open command derives it; the waveform's white fill reaches 3 pixels beyond.
  const Rect wave{area->rect.left, area->rect.top, area->rect.right - 5, area->rect.bottom};
  for (int y = wave.top; y < wave.bottom; ++y)
    for (int x = wave.left; x < wave.right + 3; ++x) ASSERT_EQ(png->At(x, y), 0xFFFFFFFFu) << x << "," << y;
  EXPECT_NE(png->At(kWaveField.left - 1, kWaveField.top), 0xFFFFFFFFu) << "the field needs an edge";
  EXPECT_NE(png->At(kWaveField.right + 1, kWaveField.bottom + 1), 0xFFFFFFFFu);
  EXPECT_EQ(png->At(kWaveField.right, kWaveField.bottom), 0xFFFFFFFFu);
}

TEST(SkinFiles, UncoveredSkinBlendsWithTheViewBackground) {
  auto bg = ReadPng(SkinPath(143));
  ASSERT_TRUE(bg);
  EXPECT_EQ(bg->At(5, bg->height - 1), Rgba(kViewBackground));
  for (int id : {246, 253, 239, 232}) {
    auto png = ReadPng(SkinPath(id));
    ASSERT_TRUE(png) << id;
    EXPECT_EQ(png->At(png->width - 1, png->height - 1), Rgba(kViewBackground)) << id;
  }
}

TEST(SkinLayout, ExtentReachesTheBackgroundAndTheFramesBottom) {
  const Extent e = SkinExtent();
  EXPECT_EQ(e.width, 767);   // background 143
  EXPECT_EQ(e.height, 516);  // bottom frame 267 at y 505, 11 high
}

TEST(ControlLayout, VisibleControlsStayOffThePaintedButtons) {
  for (const ControlPlacement& c : ControlPlacements()) {
    if (!c.visible) continue;
    EXPECT_TRUE(c.rect.left >= 0 && c.rect.right <= 800 && c.rect.top >= 0 && c.rect.bottom <= 560) << c.id;
    for (const Button& b : Buttons()) EXPECT_FALSE(Overlaps(c.rect, b.hit)) << c.id << " covers button " << b.normal;
  }
  const ControlPlacement* area = FindControlPlacement(kIdcWaveArea);
  ASSERT_NE(area, nullptr);
  EXPECT_FALSE(area->visible);
  EXPECT_GE(area->rect.left, kWaveField.left);
  EXPECT_GE(area->rect.top, kWaveField.top);
  EXPECT_LE(area->rect.right - 5 + 3, kWaveField.right);
  EXPECT_LE(area->rect.bottom, kWaveField.bottom);
}

}  // namespace
}  // namespace vexalo::test
