#include "app/resume_win.h"

#include <vector>

#include "base/titles.h"
#include "drawings/list_box_win.h"
#include "record/record_files_win.h"

namespace kavro {

namespace {

void Restore(MainWindow& window, const run::RunInputs& inputs) {
  std::vector<std::wstring_view> entries(inputs.drawings.begin(), inputs.drawings.end());
  drawings::DrawingListBox(window.Item(MainControl::List2)).Replace(entries);
  window.SetItemText(MainControl::Text1, inputs.scriptTemplate);
  window.SetItemText(MainControl::Text2, inputs.startPage);
  SendMessageW(window.Item(MainControl::Option1), BM_SETCHECK,
               inputs.r2000 ? BST_UNCHECKED : BST_CHECKED, 0);
  SendMessageW(window.Item(MainControl::Option2), BM_SETCHECK,
               inputs.r2000 ? BST_CHECKED : BST_UNCHECKED, 0);
  window.SelectCad(inputs.cad);
}

}  // namespace

void OfferResume(MainWindow& window, Services& services) {
  try {
    std::optional<run::AbandonedRun> abandoned = run::FindAbandonedRun(services.DataFolder());
    if (!abandoned) return;
    int answer = services.Messages().Show(window.Hwnd(), run::ResumeQuestion(abandoned->offer),
                                          kProgramTitle, MB_YESNO | MB_ICONQUESTION);
    // Offered once: either way the journal is not offered again.
    run::SetAside(abandoned->path);
    if (answer == IDYES) Restore(window, abandoned->offer.restored);
  } catch (const std::exception&) {
    // The journal is a help after a crash; it never keeps the program from starting.
  }
}

}  // namespace kavro
