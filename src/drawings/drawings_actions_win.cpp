#include "drawings/drawings_actions_win.h"

#include "app/main_window_win.h"

namespace kavro::drawings {

void AddFiles(MainWindow&) {}
void DeleteSelected(MainWindow&) {}
void DeleteAll(MainWindow&) {}
void SaveList(MainWindow&) {}
void LoadList(MainWindow&) {}
void AcceptDrops(MainWindow&) {}

size_t Count(MainWindow& window) {
  LRESULT n = SendMessageW(window.Item(MainControl::List2), LB_GETCOUNT, 0, 0);
  return n > 0 ? static_cast<size_t>(n) : 0;
}

std::wstring Entry(MainWindow& window, size_t index) {
  HWND list = window.Item(MainControl::List2);
  LRESULT len = SendMessageW(list, LB_GETTEXTLEN, index, 0);
  if (len == LB_ERR) {
    return {};
  }
  std::wstring text(static_cast<size_t>(len) + 1, L'\0');
  LRESULT got = SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(got == LB_ERR ? 0 : static_cast<size_t>(got));
  return text;
}

void RemoveFirst(MainWindow& window, size_t count) {
  HWND list = window.Item(MainControl::List2);
  for (size_t i = 0; i < count; ++i) {
    SendMessageW(list, LB_DELETESTRING, 0, 0);
  }
}

}  // namespace kavro::drawings
