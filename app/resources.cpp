#include "app/resources.h"

#include <unistd.h>

#include <climits>
#include <filesystem>

#include <wx/image.h>
#include <wx/log.h>

#include "form/skin_layout.h"

namespace vexalo::app {

namespace {

std::filesystem::path ExecutableDir() {
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  return std::filesystem::path(std::string(buffer, static_cast<std::size_t>(n))).parent_path();
}

std::string FindResourceDir() {
  std::error_code ec;
  const std::filesystem::path exe = ExecutableDir();
  const std::filesystem::path candidates[] = {
      exe / ".." / "share" / "vexalo-caption",  // installed: <prefix>/bin and <prefix>/share
      exe / "res",
      std::filesystem::path(VEXALO_SOURCE_DIR) / "res",
  };
  for (const auto& dir : candidates) {
    if (std::filesystem::is_directory(dir / "skin", ec)) return std::filesystem::weakly_canonical(dir, ec).string();
  }
  return {};
}

wxString FileName(const std::string& path) { return wxString::FromUTF8(path.c_str()); }

wxImage LoadImage(int id) {
  const std::string path = ResourcePath("skin/" + std::to_string(id) + ".png");
  wxImage image;
  if (!std::filesystem::exists(path)) return image;
  wxLogNull quiet;
  image.LoadFile(FileName(path), wxBITMAP_TYPE_PNG);
  return image;
}

}  // namespace

const std::string& ResourceDir() {
  static const std::string dir = FindResourceDir();
  return dir;
}

std::string ResourcePath(const std::string& relative) {
  return (std::filesystem::path(ResourceDir()) / relative).string();
}

Picture LoadSkinPicture(int id) {
  Picture picture;
  wxImage image = LoadImage(id);
  if (!image.IsOk()) return picture;
  if (image.HasMask() && !image.HasAlpha()) image.InitAlpha();
  picture.width = image.GetWidth();
  picture.height = image.GetHeight();
  picture.pixels.resize(static_cast<std::size_t>(picture.width) * picture.height);
  const unsigned char* rgb = image.GetData();
  const unsigned char* alpha = image.HasAlpha() ? image.GetAlpha() : nullptr;
  const Colour bg = skin::kViewBackground;
  for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
    unsigned r = rgb[3 * i], g = rgb[3 * i + 1], b = rgb[3 * i + 2];
    if (alpha && alpha[i] != 255) {
      const unsigned a = alpha[i];
      r = (r * a + ((bg >> 16) & 0xFF) * (255 - a)) / 255;
      g = (g * a + ((bg >> 8) & 0xFF) * (255 - a)) / 255;
      b = (b * a + (bg & 0xFF) * (255 - a)) / 255;
    }
    picture.pixels[i] = RGB(r, g, b);
  }
  return picture;
}

wxBitmap LoadSkinBitmap(int id) {
  wxImage image = LoadImage(id);
  return image.IsOk() ? wxBitmap(image) : wxBitmap();
}

wxCursor LoadSkinCursor(int id) {
  wxImage image = LoadImage(id);
  if (!image.IsOk()) return wxCursor(wxCURSOR_ARROW);
  if (auto entry = skin::FindCursor(id)) {
    image.SetOption(wxIMAGE_OPTION_CUR_HOTSPOT_X, entry->hotX);
    image.SetOption(wxIMAGE_OPTION_CUR_HOTSPOT_Y, entry->hotY);
  }
  return wxCursor(image);
}

}  // namespace vexalo::app
