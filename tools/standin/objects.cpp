#include "objects.h"

#include <map>

#include "cad.h"
#include "log.h"

namespace standin {
namespace {

bool quitRequested = false;

std::wstring BoolText(bool value) { return value ? L"true" : L"false"; }

std::wstring ProgramPath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

// ModelSpace, PaperSpace, Utility: held by clients, never used.
class Placeholder : public Dispatch {
 public:
  explicit Placeholder(const wchar_t* name) : Dispatch(name, {L"Name"}), name_(name) {}

 protected:
  void Call(const std::wstring&, bool, const Args&, VARIANT* result) override {
    TheLog().Line(L"get " + TypeName() + L".Name");
    SetString(result, name_);
  }

 private:
  std::wstring name_;
};

class AcadState : public Dispatch {
 public:
  AcadState() : Dispatch(L"AcadState", {L"IsQuiescent"}) {}

 protected:
  void Call(const std::wstring&, bool, const Args&, VARIANT* result) override {
    TheLog().Line(L"get AcadState.IsQuiescent");
    SetBool(result, TheCad().Quiescent());
  }
};

class Document : public Dispatch {
 public:
  explicit Document(int id)
      : Dispatch(L"Document",
                 {L"Name", L"FullName", L"ModelSpace", L"PaperSpace", L"Utility", L"Open",
                  L"SendCommand", L"Close", L"Saved", L"GetVariable", L"SetVariable"}),
        id_(id) {}

 protected:
  void Call(const std::wstring& member, bool put, const Args& args, VARIANT* result) override {
    Cad& cad = TheCad();
    cad.EnterCall();
    if (member == L"Open") {
      std::wstring path = args.String(0);
      TheLog().Line(L"Document.Open " + path);
      cad.Reopen(id_, path);
    } else if (member == L"SendCommand") {
      std::wstring text = args.String(0);
      TheLog().Line(L"Document.SendCommand " + Quote(text));
      cad.At(id_);
      if (cad.ActiveId() != id_) throw CallError{E_FAIL, L"The document is not active"};
      cad.Feed(text, false);
    } else if (member == L"Close") {
      bool save = args.Bool(0, true);
      TheLog().Line(L"Document.Close " + BoolText(save));
      cad.Close(id_, save);
    } else if (member == L"GetVariable") {
      GetVariable(cad, id_, args, result);
    } else if (member == L"SetVariable") {
      SetVariable(cad, id_, args);
    } else {
      TheLog().Line(L"get Document." + member);
      const Drawing& drawing = cad.At(id_);
      if (member == L"Name")
        SetString(result, drawing.name);
      else if (member == L"FullName")
        SetString(result, drawing.path);
      else if (member == L"Saved")
        SetBool(result, drawing.applied.empty());
      else
        SetObject(result, Space(member));
    }
  }

 private:
  IDispatch* Space(const std::wstring& member) {
    auto& slot = spaces_[member];
    if (!slot) slot = new Placeholder(member.c_str());
    return slot;
  }
  int id_;
  std::map<std::wstring, Dispatch*> spaces_;  // owned for the life of the server
};

// One Document object per open drawing, so that a client sees the same object twice.
IDispatch* DocumentFor(int id) {
  static std::map<int, Document*> documents;
  auto& slot = documents[id];
  if (!slot) slot = new Document(id);
  return slot;
}

class Documents : public Dispatch {
 public:
  Documents() : Dispatch(L"Documents", {L"Add", L"Open", L"Count"}) {}

 protected:
  void Call(const std::wstring& member, bool, const Args& args, VARIANT* result) override {
    Cad& cad = TheCad();
    cad.EnterCall();
    if (member == L"Count") {
      TheLog().Line(L"get Documents.Count");
      V_VT(result) = VT_I4;
      V_I4(result) = cad.Count();
      return;
    }
    // Add without a template: a new drawing of the program's defaults.
    std::wstring path = member == L"Add" && args.Count() == 0 ? L"" : args.String(0);
    TheLog().Line(L"Documents." + member + L" " + path);
    int id = member == L"Add" ? cad.Add(path) : cad.Open(path);
    SetObject(result, DocumentFor(id));
  }
};

class Application : public Dispatch {
 public:
  // The state query under the profile's name, or none.
  Application()
      : Dispatch(L"Application",
                 {L"Visible", L"ActiveDocument", L"Caption", L"FullName", L"Documents",
                  TheCad().Settings().stateMethod.c_str(), L"Quit", L"Name", L"Version"}) {}

 protected:
  void Call(const std::wstring& member, bool put, const Args& args, VARIANT* result) override {
    Cad& cad = TheCad();
    if (member == cad.Settings().stateMethod) {
      TheLog().Line(L"get Application." + member);
      auto* state = new AcadState;
      SetObject(result, state);
      state->Release();
      return;
    }
    cad.EnterCall();
    if (member == L"Visible" && put) {
      bool visible = args.Bool(0, true);
      TheLog().Line(L"put Application.Visible " + BoolText(visible));
      ShowWindow(cad.Window(), visible ? SW_SHOW : SW_HIDE);
    } else if (member == L"Quit") {
      TheLog().Line(L"Application.Quit");
      quitRequested = true;
      PostMessageW(cad.Window(), WM_NULL, 0, 0);
    } else {
      TheLog().Line(L"get Application." + member);
      Get(member, result);
    }
  }

 private:
  void Get(const std::wstring& member, VARIANT* result) {
    Cad& cad = TheCad();
    if (member == L"Visible") {
      SetBool(result, IsWindowVisible(cad.Window()) != FALSE);
    } else if (member == L"ActiveDocument") {
      if (!cad.IsOpen(cad.ActiveId())) throw CallError{E_FAIL, L"No document is open"};
      SetObject(result, DocumentFor(cad.ActiveId()));
    } else if (member == L"Caption") {
      wchar_t title[512] = {};
      GetWindowTextW(cad.Window(), title, 512);
      SetString(result, cad.Settings().captionDiffers ? std::wstring(title) + L" *" : title);
    } else if (member == L"FullName") {
      SetString(result, ProgramPath());
    } else if (member == L"Documents") {
      if (!documents_) documents_ = new Documents;
      SetObject(result, documents_);
    } else if (member == L"Name") {
      SetString(result, cad.Settings().product);
    } else {
      SetString(result, cad.Settings().version);
    }
  }
  Dispatch* documents_ = nullptr;
};

}  // namespace

Dispatch* NewApplication() { return new Application; }
bool QuitRequested() { return quitRequested; }

}  // namespace standin
