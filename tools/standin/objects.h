#pragma once
// The automation objects: Application (what "AutoCAD.Application" gives), Documents,
// Document, AcadState and placeholders for ModelSpace, PaperSpace and Utility.
#include "dispatch.h"

namespace standin {

// A new Application object (one reference owned by the caller).
Dispatch* NewApplication();

// Set by Application.Quit: the message loop ends.
bool QuitRequested();

}  // namespace standin
