#include "run/keyboard_win.h"

namespace kavro::run {

bool ActivateWindowByTitle(const std::wstring&) { return false; }
bool TypeKeys(const std::wstring&, DWORD) { return false; }
bool TypeLiteral(const std::wstring&, DWORD) { return false; }

}  // namespace kavro::run
