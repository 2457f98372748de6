// Finding and loading the program's files: skin pictures and cursors (res/skin/<id>.png) and the
// help pages (res/help). Looked for beside the installed program first, then in the source tree.
#pragma once

#include <string>

#include <wx/bitmap.h>
#include <wx/cursor.h>

#include "app/back_buffer.h"

namespace vexalo::app {

// The folder that holds skin/ and help/, or empty when none was found.
const std::string& ResourceDir();
// The path of a resource file below ResourceDir() (it may not exist).
std::string ResourcePath(const std::string& relative);

// Skin picture `id` as raster pixels; empty when its file is missing or unreadable. Transparent
// pixels are laid over the view's background grey.
Picture LoadSkinPicture(int id);
// The same picture as a toolkit bitmap (null when missing).
wxBitmap LoadSkinBitmap(int id);
// Mouse cursor `id` with its hot spot; the standard arrow when the file is missing.
wxCursor LoadSkinCursor(int id);

}  // namespace vexalo::app
