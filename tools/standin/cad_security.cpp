// The stand-in's modal boxes, and the check AutoCAD 2014 to 2024 makes before running a script
// from a folder not named in TRUSTEDPATHS.
#include "cad.h"
#include "log.h"
#include "security.h"

namespace standin {
namespace {

constexpr wchar_t kUntrustedTitle[] = L"AutoCAD - 安全 - 未签名的可执行文件";

std::wstring AnswerName(int answer) {
  switch (answer) {
    case IDOK:
      return L"OK";
    case IDYES:
      return L"Yes";
    case IDNO:
      return L"No";
    case IDCANCEL:
      return L"Cancel";
    default:
      return std::to_wstring(answer);
  }
}

}  // namespace

int Cad::Ask(const std::wstring& title, const std::wstring& text, UINT type) {
  TheLog().Note(L"dialog " + Quote(title) + L": " + Quote(text));
  modal_ = true;
  int answer = MessageBoxW(window_, text.c_str(), title.c_str(), type);
  modal_ = false;
  TheLog().Note(L"dialog answered " + AnswerName(answer));
  return answer;
}

bool Cad::MayRunScript(const std::wstring& path, const std::string& bytes) {
  if (!ChecksScripts(config_.version) || vars_.secureLoad == 0 ||
      IsTrustedFolder(FolderOf(path), vars_.trustedPaths)) {
    return true;
  }
  if (vars_.secureLoad != 1) {
    TheLog().Note(L"script ignored: untrusted " + path);
    return false;
  }
  if (!InBackground()) return AskToLoad(path);
  // The command returned already; the box comes up next, and the program is busy until then.
  pendingScript_ = path;
  pendingBytes_ = bytes;
  busy_ = true;
  PostMessageW(window_, kAskScriptMessage, 0, 0);
  return false;
}

bool Cad::AskToLoad(const std::wstring& path) {
  std::wstring text = L"已请求从受信任位置之外的位置加载可执行文件：\n\n" + path +
                      L"\n\n是否加载此文件？\n（是：加载一次；否：不加载）";
  if (Ask(kUntrustedTitle, text, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES) {
    return true;
  }
  TheLog().Note(L"script not loaded: " + path);
  return false;
}

void Cad::AskPendingScript() {
  std::wstring path;
  std::string bytes;
  path.swap(pendingScript_);
  bytes.swap(pendingBytes_);
  bool load = AskToLoad(path);
  busy_ = false;
  if (load) ApplyScript(path, bytes);  // busy again while it runs
  if (!busy_) ReadTypeAhead();
}

}  // namespace standin
