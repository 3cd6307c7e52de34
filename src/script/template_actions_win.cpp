#include "script/template_actions_win.h"

#include "app/main_window_win.h"
#include "script/template_text.h"
#include "win/file_win.h"
#include "win/text_win.h"

namespace kavro::script {

namespace {

constexpr wchar_t kErrorTitle[] = L"错误";

void ReportError(MainWindow& window, const std::wstring& text) {
  MessageBoxW(window.Hwnd(), text.c_str(), kErrorTitle, MB_OK | MB_ICONERROR);
}

// Only the title and the filter are set: flags, cancel setting and the last file name stay as an
// earlier add-files action left them.
FileDialogControl& PreparedDialog(MainWindow& window, const wchar_t* title) {
  FileDialogControl& dialog = window.CommonDialog1();
  dialog.dialogTitle = title;
  dialog.filter = kTemplateFilter;
  return dialog;
}

}  // namespace

void SaveTemplate(MainWindow& window) {
  FileDialogControl& dialog = PreparedDialog(window, kSaveTemplateTitle);
  DialogOutcome outcome = dialog.ShowSave(window.Dialogs());
  if (outcome == DialogOutcome::Cancelled) {
    return;
  }
  if (outcome == DialogOutcome::Failed) {
    ReportError(window, L"无法打开保存文件对话框，修改列表没有保存。");
    return;
  }
  const std::wstring path = dialog.fileName;
  const std::wstring text = window.ItemText(MainControl::Text1);
  win::AnsiEncoding encoded = win::EncodeAnsi(text);
  if (encoded.unmappableAt) {
    ReportError(window, UnmappableMessage(text, *encoded.unmappableAt));
    return;
  }
  win::FileResult written = win::WriteFileReplacing(path, encoded.bytes);
  if (!written.ok) {
    ReportError(window, SaveFailedMessage(path, win::SystemMessage(written.error)));
  }
}

void LoadTemplate(MainWindow& window) {
  FileDialogControl& dialog = PreparedDialog(window, kLoadTemplateTitle);
  if (dialog.ShowOpen(window.Dialogs()) != DialogOutcome::Chosen) {
    return;
  }
  // A file that cannot be read leaves the template as it was, without a message. Several names
  // (the add-files flags allow choosing more than one) are not one file to read.
  if (dialog.fileName.find(L'\0') != std::wstring::npos) {
    return;
  }
  std::string bytes;
  if (!win::ReadWholeFile(dialog.fileName, &bytes).ok) {
    return;
  }
  window.SetItemText(MainControl::Text1, win::DecodeAnsi(bytes));
}

}  // namespace kavro::script
