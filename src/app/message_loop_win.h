#pragma once
#include <windows.h>

namespace kavro {

// Runs until WM_QUIT; Tab and arrow keys move between the controls of the program's windows.
int RunMessageLoop();
// One message as the loop handles it (tests pump through this too).
void ProcessMessage(MSG& msg);

}  // namespace kavro
