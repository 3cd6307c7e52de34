#pragma once
// The check every drawing of a run passes before AutoCAD is given anything: a run that would
// stop half way at a drawing it cannot save does not begin. Each drawing gets the first reason
// that applies; the refusal lists them in list order. The file system is asked through
// DrawingProbe (drawing_check_win on Windows).
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "run/run_inputs.h"

namespace kavro::run {

// What the file system says about one drawing.
struct DrawingFileState {
  bool isFile = true;     // it exists and is no folder
  bool readOnly = false;  // its read-only attribute
  bool inUse = false;     // it cannot be opened for writing with no sharing
  // Who has it open, from the lock file AutoCAD leaves beside it; empty when unknown.
  std::wstring lockUser, lockMachine;
};

class DrawingProbe {
 public:
  virtual ~DrawingProbe() = default;
  // `existenceOnly`: only `isFile` is asked for.
  virtual DrawingFileState Probe(const std::wstring& path, bool existenceOnly) = 0;
};

struct DrawingProblem {
  size_t index = 0;  // list position
  std::wstring page, drawing, reason;
};

// Whether a drawing's script can be written in the script file's code page.
using ScriptEncodable = std::function<bool(std::wstring_view script)>;

// The first reason that applies to a drawing in `state` whose script is `encodable` or not.
std::optional<std::wstring> ProblemReason(const DrawingFileState& state, bool encodable);

// Checks the drawings at the `selection` positions of `inputs` (in that order); a null `probe`
// takes every file as fine. A drawing's script is asked about only when the template names its
// files: the template's own characters are checked before. `existenceOnly` (a preview, which
// saves nothing): not whether the drawing can be written.
std::vector<DrawingProblem> CheckDrawings(const RunInputs& inputs,
                                          const std::vector<size_t>& selection, DrawingProbe* probe,
                                          const ScriptEncodable& encodable,
                                          bool existenceOnly = false);
// Every drawing of `inputs`.
std::vector<DrawingProblem> CheckDrawings(const RunInputs& inputs, DrawingProbe* probe,
                                          const ScriptEncodable& encodable,
                                          bool existenceOnly = false);

// "第 P 页 <path>：<reason>".
std::wstring ProblemLine(const DrawingProblem& problem);

// The message of a refused run: the first kMostListedProblems lines, then how many in all.
inline constexpr size_t kMostListedProblems = 20;
std::wstring CheckRefusal(const std::vector<DrawingProblem>& problems);
// Its last line.
std::wstring CheckSummary(size_t problems);

// The user and the machine named by a drawing lock file (<name>.dwl), read as text.
struct LockOwner {
  std::wstring user, machine;
};
std::optional<LockOwner> LockOwnerOf(std::wstring_view dwlText);

}  // namespace kavro::run
