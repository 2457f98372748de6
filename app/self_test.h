// The program's own test entry: `vexalo-caption --self-test NAME [FILE]` drives the real window
// with simulated input and ends the program with 0 when every check held, 1 otherwise.
#pragma once

#include <string>

namespace vexalo::app {

class CMainFrame;

bool SelfTestExists(const std::string& name);
// True for scripts that open the named file themselves, at a moment of their choosing.
bool SelfTestOpensFileItself(const std::string& name);
void StartSelfTest(const std::string& name, CMainFrame& frame, const std::string& file);

}  // namespace vexalo::app
