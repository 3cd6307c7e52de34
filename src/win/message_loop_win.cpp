#include "win/message_loop_win.h"

namespace kavro::win {

namespace {

bool IsInput(UINT msg) {
  return (msg >= WM_KEYFIRST && msg <= WM_KEYLAST) ||
         (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) ||
         (msg >= WM_NCMOUSEMOVE && msg <= WM_NCMBUTTONDBLCLK);
}

}  // namespace

void ProcessMessage(MSG& msg) {
  HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (root && IsDialogMessageW(root, &msg)) {
    return;
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

int RunMessageLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ProcessMessage(msg);
  }
  return static_cast<int>(msg.wParam);
}

ModalScope::ModalScope(HWND owner) : owner_(owner) {
  if (owner_ && IsWindowEnabled(owner_)) {
    EnableWindow(owner_, FALSE);
    disabled_ = true;
  }
}

ModalScope::~ModalScope() {
  if (disabled_) {
    EnableWindow(owner_, TRUE);
  }
  if (quitSeen_) {
    PostQuitMessage(quitCode_);
  }
}

void ModalScope::QuitSeen(int code) {
  quitSeen_ = true;
  quitCode_ = code;
}

void ModalScope::Pump(MSG& msg) {
  if (msg.message == WM_QUIT) {
    QuitSeen(static_cast<int>(msg.wParam));
    return;
  }
  if (owner_ && msg.hwnd && IsInput(msg.message) && GetAncestor(msg.hwnd, GA_ROOT) == owner_) {
    return;
  }
  ProcessMessage(msg);
}

}  // namespace kavro::win
