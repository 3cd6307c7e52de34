#include "window.h"

#include <string>

#include "cad.h"
#include "log.h"
#include "objects.h"

namespace standin {
namespace {

unsigned char pendingLead = 0;

HANDLE WakeEvent() {
  static HANDLE event = CreateEventW(nullptr, FALSE, FALSE, kWakeEventName);
  return event;
}  // first byte of a double-byte character (ANSI window)

void Paint(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  RECT client;
  GetClientRect(window, &client);
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICW metrics;
  GetTextMetricsW(dc, &metrics);
  int lineHeight = metrics.tmHeight + 2;
  Cad& cad = TheCad();
  auto lines = cad.Screen();
  lines.push_back(cad.PromptLine() + L"_");
  int y = client.bottom - lineHeight * static_cast<int>(lines.size()) - 4;
  for (const auto& line : lines) {
    if (y + lineHeight > 0) {
      TextOutW(dc, 4, y, line.c_str(), static_cast<int>(line.size()));
    }
    y += lineHeight;
  }
  EndPaint(window, &ps);
}

// A WM_CHAR of an ANSI window: one byte of the system code page.
void AnsiChar(unsigned char byte) {
  char bytes[2];
  int count = 0;
  if (pendingLead) {
    bytes[count++] = static_cast<char>(pendingLead);
    pendingLead = 0;
  } else if (IsDBCSLeadByte(byte)) {
    pendingLead = byte;
    return;
  }
  bytes[count++] = static_cast<char>(byte);
  wchar_t text[2] = {};
  int length = MultiByteToWideChar(CP_ACP, 0, bytes, count, text, 2);
  TheCad().Feed(std::wstring(text, length), true);
}

LRESULT Handle(HWND window, UINT msg, WPARAM wp, LPARAM lp, bool ansi) {
  switch (msg) {
    case WM_CHAR:
      if (ansi) {
        AnsiChar(static_cast<unsigned char>(wp));
      } else {
        TheCad().Feed(std::wstring(1, static_cast<wchar_t>(wp)), true);
      }
      return 0;
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_TIMER:
      if (wp == kScriptTimer) TheCad().ScriptDone();
      return 0;
    case kHangMessage:
      TheLog().Note(L"not responding");
      // One that hangs for good is ended from outside: like Windows, which forgets a dead
      // server's class object (Wine's COM would keep handing it out), it withdraws it first.
      if (TheCad().Settings().hangMs == 0) RevokeRegistrations();
      WaitForSingleObject(WakeEvent(),
                          TheCad().Settings().hangMs > 0 ? TheCad().Settings().hangMs : INFINITE);
      TheLog().Note(L"responding again");
      return 0;
    case WM_CLOSE:
      TheLog().Note(L"window closed");
      PostQuitMessage(0);
      return 0;
  }
  return ansi ? DefWindowProcA(window, msg, wp, lp) : DefWindowProcW(window, msg, wp, lp);
}

LRESULT CALLBACK UnicodeProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  return Handle(w, m, wp, lp, false);
}
LRESULT CALLBACK AnsiProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  return Handle(w, m, wp, lp, true);
}

}  // namespace

HWND CreateMainWindow(bool ansi) {
  WakeEvent();
  HINSTANCE instance = GetModuleHandleW(nullptr);
  DWORD style = WS_OVERLAPPEDWINDOW;
  HWND window = nullptr;
  if (ansi) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = AnsiProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "KavroStandinAutoCAD";
    RegisterClassExA(&wc);
    window = CreateWindowExA(0, wc.lpszClassName, "AutoCAD", style, 40, 40, 760, 520, nullptr,
                             nullptr, instance, nullptr);
  } else {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = UnicodeProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kWindowClass;
    RegisterClassExW(&wc);
    window = CreateWindowExW(0, kWindowClass, L"AutoCAD", style, 40, 40, 760, 520, nullptr, nullptr,
                             instance, nullptr);
  }
  return window;
}

void RunMessageLoop(bool ansi) {
  MSG msg;
  while (!QuitRequested()) {
    BOOL got = ansi ? GetMessageA(&msg, nullptr, 0, 0) : GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) break;
    TranslateMessage(&msg);
    if (ansi) {
      DispatchMessageA(&msg);
    } else {
      DispatchMessageW(&msg);
    }
  }
}

}  // namespace standin
