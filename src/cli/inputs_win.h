#pragma once
// A command-line run's inputs, read from the files the main window saves: the drawing list (in
// the list box's order, as loading it into the window would give), or a folder standing for the
// drawings under it (as dropping it on the list would give), and the script template.
#include <optional>
#include <string>

#include "cli/command_line.h"
#include "record/journal.h"

namespace kavro::cli {

// The inputs of `line` (a run), or none with `error` saying what is wrong: a file that cannot be
// read, an empty list or a folder without drawings, a template (or a drawing's name that it uses)
// the code page cannot hold, a start page that cannot be used.
std::optional<run::RunInputs> ReadRunInputs(const CommandLine& line, std::wstring* error);

// The same checks for inputs taken from a journal.
std::optional<std::wstring> RefusalOfInputs(const run::RunInputs& inputs);

}  // namespace kavro::cli
