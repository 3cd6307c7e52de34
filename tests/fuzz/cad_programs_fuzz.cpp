// The registry's class names and LocalServer32 texts read into the list of CAD programs, and a
// --cad name chosen from it. Input: the name, then one key a line as "class<TAB>clsid<TAB>server".
#include <set>
#include <string>
#include <vector>

#include "fuzz_text.h"
#include "run/cad_programs.h"

namespace {

using kavro::fuzz::Check;
using kavro::fuzz::Split;
using namespace kavro::run;

void CheckServerProgram(const std::wstring& text) {
  std::wstring program = ServerProgram(text);
  Check(text.find(program) != std::wstring::npos, "the program is a part of the text");
  size_t first = text.find_first_not_of(L" \t");
  if (first != std::wstring::npos && text[first] == L'"') {
    Check(program.find(L'"') == std::wstring::npos, "no quote in a quoted program");
  }
  if (!program.empty()) {
    Check(program.front() != L' ' && program.back() != L' ', "no blank around the program");
    std::wstring core = CoreConsoleBeside(program);
    Check(core.empty() || core.size() > 17, "the console path ends with its file name");
  }
}

void CheckList(const std::vector<CadProgram>& programs) {
  std::set<std::wstring> names;
  for (size_t i = 0; i < programs.size(); ++i) {
    const CadProgram& p = programs[i];
    Check(!p.program.empty() && !p.clsid.empty() && !p.classNames.empty(), "a whole entry");
    Check(!p.coreConsole || p.product == CadProduct::AutoCad, "a console only for AutoCAD");
    for (const auto& name : p.classNames) {
      auto parsed = ParseCadClassName(name);
      Check(parsed && parsed->product == p.product, "every class name of the product");
      Check(names.insert(kavro::fuzz::AsciiLower(name)).second, "a class name leads to one entry");
    }
    if (i > 0) {
      const CadProgram& before = programs[i - 1];
      Check(before.product < p.product || (before.product == p.product && before.order >= p.order),
            "products in order, each newest first");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::wstring> lines = Split(kavro::fuzz::WideText(data, size), L'\n');
  std::vector<CadClassKey> keys;
  std::set<std::wstring> seen;  // the registry's key names are unique, whatever their case
  for (size_t i = 1; i < lines.size(); ++i) {
    std::vector<std::wstring> fields = Split(lines[i], L'\t');
    fields.resize(3);
    CheckServerProgram(fields[2]);
    if (seen.insert(kavro::fuzz::AsciiLower(fields[0])).second)
      keys.push_back({fields[0], fields[1], fields[2]});
  }
  std::vector<CadProgram> programs =
      FindCadPrograms(keys, [](std::wstring_view path) { return path.size() % 2 == 0; });
  CheckList(programs);

  CadChoice choice = ChooseCad(programs, lines[0]);
  Check(choice.outcome != CadChoice::Outcome::Found || choice.index < programs.size(),
        "a program of the list");
  // Every offer finds its own program.
  CadChoice none = ChooseCad(programs, L"");
  Check(none.offers.size() == programs.size(), "an empty name offers every program");
  for (size_t i = 0; i < none.offers.size(); ++i) {
    CadChoice again = ChooseCad(programs, none.offers[i]);
    Check(again.outcome == CadChoice::Outcome::Found && again.index == i, "an offer finds it");
  }
  return 0;
}
