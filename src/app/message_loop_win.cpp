#include "app/message_loop_win.h"

#include <windows.h>

namespace kavro {

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

}  // namespace kavro
