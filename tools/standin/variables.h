#pragma once
// Document.GetVariable and Document.SetVariable: the system variables a client may read and set.
// Names are matched without regard to case; an unknown name fails with E_INVALIDARG.
#include <windows.h>
#include <oaidl.h>

#include <string>

#include "dispatch.h"

namespace standin {

struct SystemVariables {
  bool filedia = true;
  int secureLoad = 1;         // 0 loads anything, 1 asks for untrusted scripts, 2 refuses them
  std::wstring trustedPaths;  // ";"-separated folders; "\..." at the end covers a tree
  int logFileMode = 0;        // 1: each drawing's command history goes to its file
  int proxyNotice = 1;
  int dwgCheck = 1;
};

class Cad;

// Log the call on the drawing `document`, then answer it (integers as VT_I2, text as VT_BSTR).
// Throw CallError.
void GetVariable(Cad& cad, int document, const Args& args, VARIANT* result);
void SetVariable(Cad& cad, int document, const Args& args);

}  // namespace standin
