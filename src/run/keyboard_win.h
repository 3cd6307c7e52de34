#pragma once
// The R14 keystroke path: AutoCAD R14 takes some of its input only as typed keys.
#include <windows.h>

#include <string>

#include "run/keys.h"

namespace kavro::run {

// Brings the top-level window whose title equals `title` exactly to the foreground.
// Returns false when no such window exists or it cannot be activated.
bool ActivateWindowByTitle(const std::wstring& title);

// Types `keys` into the foreground window: "~" is the Enter key, every other character is typed
// as itself. Returns once the target has read every key, or false when it did not within
// `timeoutMs` (a stuck window).
bool TypeKeys(const std::wstring& keys, DWORD timeoutMs);

// Types `text` literally: every character, "~" included, is itself.
bool TypeLiteral(const std::wstring& text, DWORD timeoutMs);

// Types `keys` in one go (for example ScriptCommandKeys), with the same wait.
bool TypeKeySequence(const KeySequence& keys, DWORD timeoutMs);

}  // namespace kavro::run
