// A small PNG reader for checking the committed skin pictures: non-interlaced, palette (1, 2, 4
// or 8 bits), RGB or RGBA at 8 bits, which is what the skin generator writes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexalo::test {

struct PngImage {
  int width = 0;
  int height = 0;
  int bitDepth = 0;
  int colourType = 0;
  int paletteEntries = 0;            // 0 unless colour type 3
  std::vector<std::uint32_t> rgba;   // 0xRRGGBBAA, row by row
  std::uint32_t At(int x, int y) const { return rgba[static_cast<std::size_t>(y) * width + x]; }
};

// The picture, or nullopt (with `error` set) when the file is missing or not a PNG this reads.
std::optional<PngImage> ReadPng(const std::string& path, std::string* error = nullptr);

}  // namespace vexalo::test
