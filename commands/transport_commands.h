// The transport commands: the Play, Pause, Stop, << and >> buttons, the transport keys, and the
// "1:1 View" and "User View" commands. Each acts only while a song is shown and hands the work
// to the playback workers. UI thread only.
#pragma once

namespace vexalo {

// Transport buttons (Play 1010, Pause 1024, Stop 1015, << 1011, >> 1012).
void OnPlay();
void OnPause();
void OnStop();
void OnRewind();
void OnForward();
// Transport keys as virtual-key codes: 27 Esc, 32 Space, 37 Left, 39 Right, 81 Q.
void OnTransportKey(int code);
// View commands "1:1 View" (32774) and "User View" (32776).
void OnWholeView();
void OnWindowView();

}  // namespace vexalo
