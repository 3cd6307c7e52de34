#pragma once
// The program ends when its last top-level window has closed (or at once by the exit buttons).
namespace kavro {

void TopLevelWindowOpened();
void TopLevelWindowClosed();  // posts WM_QUIT after the last one
[[noreturn]] void EndProgramNow();

}  // namespace kavro
