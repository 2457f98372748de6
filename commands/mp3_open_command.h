// MP3 File Open: how a song enters the editor. Asks for a file, remembers its names, resets the
// view, read-outs and lyrics, reads its tag and any lyrics embedded in it, and starts the decode
// worker. UI thread only.
#pragma once

#include <functional>

namespace vexalo {

inline constexpr char kMp3OpenTitle[] = "MP3 File Open";
inline constexpr char kMp3OpenFilter[] = "MPEG Audio Files (*.mp3)|*.mp3|";
inline constexpr char kNotMp3FileText[] = " Not MP3 File ";
inline constexpr char kEmbeddedLyricsCutText[] = " Embedded Lyrics Size Over: cut at 30719 bytes !!! ";
inline constexpr char kTitleSeparator[] = " - ";

class ViewPort;

// What the read-outs and status pane 1 told of the previous song goes: the read-out texts and
// times are emptied, pane 1 cleared until the new song's first frame is known.
void ClearSongReadouts(ViewPort& view);

// Command 57601 (menu, Ctrl+O, the MP3 Open button).
void OnMp3FileOpen();

// The window's event dispatch. Before a new file's job starts, the command waits for a worker
// that is still ending and runs this meanwhile, so the drawing the worker queued is carried out.
void SetOpenWaitPump(std::function<void()> pump);

}  // namespace vexalo
