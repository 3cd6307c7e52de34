// A dropped wide file list as the drop source hands it over (ended or not), the drawing rule on
// its names, and the drawings put into a list that already holds some; the same text read as an
// open dialog's result.
#include <algorithm>
#include <string>
#include <vector>

#include "drawings/drawing_list.h"
#include "drawings/list_edit.h"
#include "fuzz_text.h"

namespace {

using namespace kavro::drawings;
using kavro::fuzz::Check;

void CheckFileList(const std::wstring& block, const std::vector<std::wstring>& paths) {
  // The paths, each with its NUL, are the start of the block; what follows is the empty entry
  // that ends the list, or a last path that nothing ends (not to be trusted).
  std::wstring listed;
  for (const std::wstring& path : paths) {
    Check(!path.empty() && path.find(L'\0') == std::wstring::npos, "a path is one name");
    listed += path;
    listed += L'\0';
  }
  Check(block.compare(0, listed.size(), listed) == 0, "the paths are the list's start");
  std::wstring_view rest = std::wstring_view(block).substr(listed.size());
  Check(rest.empty() || rest[0] == L'\0' || rest.find(L'\0') == std::wstring_view::npos,
        "reading stops only at the list's end");
  Check(PathsOfFileList(listed + L'\0') == paths, "a well-made list reads back path for path");
}

void CheckDrawingRule(const std::wstring& path) {
  Check(EndsWithDwg(path + L"dwg"), "\"dwg\" at the end is a drawing");
  Check(EndsWithDwg(path + L"DWG") && EndsWithDwg(path + L"dwG"), "letter case is folded");
  Check(!EndsWithDwg(path + L"dwg ") && !EndsWithDwg(path + L"dw"), "nothing else is");
  Check(EndsWithDwg(path) == (path.size() >= 3 && EndsWithDwg(path.substr(path.size() - 3))),
        "only the last three characters count");
}

// The drop's drawings inserted into a list holding the other paths.
void CheckInsertion(std::vector<std::wstring> listed, std::vector<std::wstring> drawings) {
  FoldedCaseOrder order;
  SortBatch(listed, order);
  SortBatch(drawings, order);
  std::vector<std::wstring_view> views(listed.begin(), listed.end());
  std::vector<size_t> positions = FinalPositions(VectorListView(views), order, drawings);
  Check(positions.size() == drawings.size(), "a place for every drawing");
  for (size_t j = 0; j < positions.size(); ++j) {
    Check(positions[j] <= listed.size() + j && (j == 0 || positions[j] > positions[j - 1]),
          "places ascend within the final list");
  }
  std::vector<std::wstring_view> merged = Merged(views, drawings, positions);
  Check(merged.size() == listed.size() + drawings.size(), "the list keeps every entry");
  for (size_t i = 1; i < merged.size(); ++i) {
    Check(order.Compare(merged[i - 1], merged[i]) <= 0, "the list stays in order");
  }
  // The selection and the top entry follow their entries: each old entry is where the remap says.
  for (size_t i = 0; i < views.size(); ++i) {
    size_t now = IndexAfterInsertion(positions, i);
    Check(now < merged.size() && merged[now].data() == views[i].data(),
          "an old entry's new index is where it went");
  }
}

void CheckDialogResult(const std::wstring& result) {
  std::vector<std::wstring> paths = PathsFromDialogResult(result);
  size_t nuls = static_cast<size_t>(std::count(result.begin(), result.end(), L'\0'));
  if (nuls == 0) {
    Check(paths == std::vector<std::wstring>{result}, "one full path stays whole");
    return;
  }
  std::wstring folder = result.substr(0, result.find(L'\0')) + L'\\';
  Check(paths.size() == nuls, "one path for each name after the folder");
  for (const std::wstring& path : paths) {
    Check(path.compare(0, folder.size(), folder) == 0, "every name joined to the folder");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring block = kavro::fuzz::WideText(data, size);
  std::vector<std::wstring> paths = PathsOfFileList(block);
  CheckFileList(block, paths);

  std::vector<std::wstring> listed;
  std::vector<std::wstring> drawings;
  for (size_t i = 0; i < paths.size(); ++i) {
    CheckDrawingRule(paths[i]);
    if (i % 2 == 0) {
      listed.push_back(paths[i]);
    } else if (EndsWithDwg(paths[i])) {
      drawings.push_back(paths[i]);
    }
  }
  CheckInsertion(std::move(listed), std::move(drawings));
  CheckDialogResult(block);
  return 0;
}
