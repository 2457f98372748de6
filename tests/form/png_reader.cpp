#include "png_reader.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace vexalo::test {

namespace {

std::uint32_t Be32(const unsigned char* p) {
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

int Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

std::optional<PngImage> Fail(std::string* error, const std::string& why) {
  if (error) *error = why;
  return std::nullopt;
}

}  // namespace

std::optional<PngImage> ReadPng(const std::string& path, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Fail(error, "cannot open " + path);
  const std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (file.size() < 33 || std::memcmp(file.data(), kSignature, 8) != 0) return Fail(error, "not a PNG");

  PngImage img;
  std::vector<std::uint32_t> palette;
  std::vector<unsigned char> packed;
  bool interlaced = false;
  for (std::size_t pos = 8; pos + 12 <= file.size();) {
    const std::uint32_t len = Be32(&file[pos]);
    if (pos + 12 + len > file.size()) return Fail(error, "truncated chunk");
    const std::string type(reinterpret_cast<const char*>(&file[pos + 4]), 4);
    const unsigned char* data = &file[pos + 8];
    if (type == "IHDR") {
      img.width = static_cast<int>(Be32(data));
      img.height = static_cast<int>(Be32(data + 4));
      img.bitDepth = data[8];
      img.colourType = data[9];
      interlaced = data[12] != 0;
    } else if (type == "PLTE") {
      img.paletteEntries = static_cast<int>(len / 3);
      for (std::uint32_t i = 0; i + 2 < len; i += 3)
        palette.push_back(std::uint32_t(data[i]) << 24 | std::uint32_t(data[i + 1]) << 16 | std::uint32_t(data[i + 2]) << 8 | 0xFF);
    } else if (type == "tRNS" && img.colourType == 3) {
      for (std::uint32_t i = 0; i < len && i < palette.size(); ++i) palette[i] = (palette[i] & 0xFFFFFF00u) | data[i];
    } else if (type == "IDAT") {
      packed.insert(packed.end(), data, data + len);
    } else if (type == "IEND") {
      break;
    }
    pos += 12 + len;
  }
  if (img.width <= 0 || img.height <= 0) return Fail(error, "no header");
  if (interlaced) return Fail(error, "interlaced");

  int channels = 0;
  switch (img.colourType) {
    case 2: channels = 3; break;
    case 3: channels = 1; break;
    case 6: channels = 4; break;
    default: return Fail(error, "colour type " + std::to_string(img.colourType));
  }
  if (img.colourType != 3 && img.bitDepth != 8) return Fail(error, "bit depth");
  const std::size_t bitsPerPixel = static_cast<std::size_t>(channels) * img.bitDepth;
  const std::size_t stride = (bitsPerPixel * img.width + 7) / 8;
  const std::size_t bpp = std::max<std::size_t>(1, bitsPerPixel / 8);

  std::vector<unsigned char> raw((stride + 1) * img.height);
  uLongf rawLen = raw.size();
  if (uncompress(raw.data(), &rawLen, packed.data(), packed.size()) != Z_OK || rawLen != raw.size())
    return Fail(error, "bad image data");

  std::vector<unsigned char> prev(stride, 0), row(stride);
  img.rgba.resize(static_cast<std::size_t>(img.width) * img.height);
  for (int y = 0; y < img.height; ++y) {
    const unsigned char* src = &raw[y * (stride + 1)];
    const int filter = src[0];
    for (std::size_t i = 0; i < stride; ++i) {
      const int a = i >= bpp ? row[i - bpp] : 0, b = prev[i], c = i >= bpp ? prev[i - bpp] : 0;
      int v = src[1 + i];
      switch (filter) {
        case 0: break;
        case 1: v += a; break;
        case 2: v += b; break;
        case 3: v += (a + b) / 2; break;
        case 4: v += Paeth(a, b, c); break;
        default: return Fail(error, "bad filter");
      }
      row[i] = static_cast<unsigned char>(v);
    }
    for (int x = 0; x < img.width; ++x) {
      std::uint32_t px = 0;
      if (img.colourType == 3) {
        const std::size_t bit = static_cast<std::size_t>(x) * img.bitDepth;
        const int index = (row[bit / 8] >> (8 - img.bitDepth - bit % 8)) & ((1 << img.bitDepth) - 1);
        if (index >= static_cast<int>(palette.size())) return Fail(error, "index beyond palette");
        px = palette[index];
      } else {
        const unsigned char* p = &row[static_cast<std::size_t>(x) * channels];
        px = std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | (channels == 4 ? p[3] : 0xFF);
      }
      img.rgba[static_cast<std::size_t>(y) * img.width + x] = px;
    }
    prev = row;
  }
  return img;
}

}  // namespace vexalo::test
