// The read-out painter: the one way to show a short text outside message boxes, either painted
// at one of five fixed places over the waveform or set as the text of one of three controls.
// Callable from any thread; every painting takes its own canvas and releases it.
#pragma once

#include <string>
#include <string_view>

#include "common/shared_state.h"

namespace vexalo {

// Slots 1004..1008 paint `text` (CP949 bytes, up to its first zero byte and at most 511 bytes)
// relative to WaveRect: 1004 (left+10, bottom-25), 1005 (left+270, bottom-25), 1006
// (left+10, top+5), 1007 (left+570, top+5), 1008 (left+270, top+5). Slots 1001, 1020 and 1021
// set that control's text. Any other slot, or no active view, does nothing.
void ShowReadout(int slot, const std::string& text);

// Fills the 512-byte buffer with zeros and copies the text into it, up to its first zero byte
// and at most 511 bytes, so the buffer always ends in a zero.
void CopyReadoutText(std::string_view text, char (&buffer)[kTextCapacity]);

}  // namespace vexalo
