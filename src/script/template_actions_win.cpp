#include "script/template_actions_win.h"

#include "base/titles.h"
#include "script/template_text.h"
#include "win/controls_win.h"
#include "win/file_win.h"
#include "win/text_win.h"

namespace kavro::script {

namespace {

void ReportError(const TemplateView& view, const std::wstring& text) {
  view.messages.Show(view.owner, text, kErrorTitle, MB_OK | MB_ICONERROR);
}

// Only the title and the filter are set: flags, cancel setting and the last file name stay as an
// earlier add-files action left them.
FileDialogControl& PreparedDialog(const TemplateView& view, const wchar_t* title) {
  FileDialogControl& dialog = view.dialog;
  dialog.dialogTitle = title;
  dialog.filter = kTemplateFilter;
  return dialog;
}

}  // namespace

void SaveTemplate(const TemplateView& view) {
  FileDialogControl& dialog = PreparedDialog(view, kSaveTemplateTitle);
  DialogOutcome outcome = dialog.ShowSave(view.dialogs);
  if (outcome == DialogOutcome::Cancelled) {
    return;
  }
  if (outcome == DialogOutcome::Failed) {
    ReportError(view, L"无法打开保存文件对话框，修改列表没有保存。");
    return;
  }
  const std::wstring path = dialog.fileName;
  const std::wstring text = win::WindowText(view.text1);
  win::AnsiEncoding encoded = win::EncodeAnsi(text);
  if (encoded.unmappableAt) {
    ReportError(view, UnmappableMessage(text, *encoded.unmappableAt));
    return;
  }
  win::FileResult written = win::WriteFileReplacing(path, encoded.bytes);
  if (!written.ok) {
    ReportError(view, SaveFailedMessage(path, win::SystemMessage(written.error)));
  }
}

void LoadTemplate(const TemplateView& view) {
  FileDialogControl& dialog = PreparedDialog(view, kLoadTemplateTitle);
  if (dialog.ShowOpen(view.dialogs) != DialogOutcome::Chosen) {
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
  SetWindowTextW(view.text1, win::DecodeAnsi(bytes).c_str());
}

}  // namespace kavro::script
