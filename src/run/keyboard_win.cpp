#include "run/keyboard_win.h"

#include <vector>

namespace kavro::run {
namespace {

// The key that marks the end of a typed text. No program binds it.
constexpr WORD kSentinel = VK_F24;

INPUT KeyInput(WORD vk, WORD scan, DWORD flags) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = scan;
  input.ki.dwFlags = flags;
  return input;
}

void AddKeystroke(std::vector<INPUT>& inputs, const Keystroke& key) {
  if (key.enter) {
    WORD scan = static_cast<WORD>(MapVirtualKeyW(VK_RETURN, MAPVK_VK_TO_VSC));
    inputs.push_back(KeyInput(VK_RETURN, scan, 0));
    inputs.push_back(KeyInput(VK_RETURN, scan, KEYEVENTF_KEYUP));
  } else {
    inputs.push_back(KeyInput(0, key.ch, KEYEVENTF_UNICODE));
    inputs.push_back(KeyInput(0, key.ch, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP));
  }
}

bool Send(std::vector<INPUT>& inputs) {
  if (inputs.empty()) return true;
  return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

DWORD Elapsed(DWORD start) { return GetTickCount() - start; }

// Waits until the thread whose input state we share has read the sentinel key going `down`
// (or up): every key typed before it has then been read too. Sent messages (WM_NULL) and
// WaitForInputIdle come back before queued input is read, so they alone cannot tell.
bool WaitForSentinel(bool down, DWORD start, DWORD timeoutMs, bool ownThread) {
  while (((GetKeyState(kSentinel) & 0x8000) != 0) != down) {
    if (Elapsed(start) >= timeoutMs) return false;
    if (ownThread) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  }
  return true;
}

}  // namespace

bool ActivateWindowByTitle(const std::wstring& title) {
  HWND window = FindWindowW(nullptr, title.c_str());
  if (!window) return false;
  if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
  if (!SetForegroundWindow(window)) {
    // Windows refuses the foreground to a program that does not own it: share the input
    // state of the foreground thread for the moment of the change.
    HWND foreground = GetForegroundWindow();
    DWORD foregroundThread = foreground ? GetWindowThreadProcessId(foreground, nullptr) : 0;
    DWORD self = GetCurrentThreadId();
    bool attached = foregroundThread && foregroundThread != self &&
                    AttachThreadInput(self, foregroundThread, TRUE);
    BringWindowToTop(window);
    SetForegroundWindow(window);
    if (attached) AttachThreadInput(self, foregroundThread, FALSE);
  }
  // The change reaches the window manager asynchronously.
  DWORD start = GetTickCount();
  while (GetForegroundWindow() != window) {
    if (Elapsed(start) >= 2000) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  return true;
}

bool TypeKeySequence(const KeySequence& keys, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  HWND target = GetForegroundWindow();
  if (!target) return false;
  DWORD targetThread = GetWindowThreadProcessId(target, nullptr);
  DWORD self = GetCurrentThreadId();
  bool ownThread = targetThread == self;
  bool attached = !ownThread && AttachThreadInput(self, targetThread, TRUE);
  if (!ownThread && !attached) return false;

  std::vector<INPUT> inputs;
  inputs.reserve(keys.size() * 2 + 1);
  for (const auto& key : keys) AddKeystroke(inputs, key);
  WORD sentinelScan = static_cast<WORD>(MapVirtualKeyW(kSentinel, MAPVK_VK_TO_VSC));
  inputs.push_back(KeyInput(kSentinel, sentinelScan, 0));
  // The key-up that ended the previous text must have been read before a key-down can tell.
  bool done = WaitForSentinel(false, start, timeoutMs, ownThread) && Send(inputs) &&
              WaitForSentinel(true, start, timeoutMs, ownThread);
  if (done) {
    // The sentinel was read; let the target finish handling what it read.
    DWORD left = timeoutMs > Elapsed(start) ? timeoutMs - Elapsed(start) : 1;
    DWORD_PTR ignored = 0;
    done = SendMessageTimeoutW(target, WM_NULL, 0, 0, SMTO_NORMAL, left, &ignored) != 0;
  }
  std::vector<INPUT> up{KeyInput(kSentinel, sentinelScan, KEYEVENTF_KEYUP)};
  Send(up);
  if (attached) AttachThreadInput(self, targetThread, FALSE);
  return done;
}

bool TypeKeys(const std::wstring& keys, DWORD timeoutMs) {
  return TypeKeySequence(KeysFromKeyText(keys), timeoutMs);
}

bool TypeLiteral(const std::wstring& text, DWORD timeoutMs) {
  return TypeKeySequence(KeysFromLiteral(text), timeoutMs);
}

}  // namespace kavro::run
