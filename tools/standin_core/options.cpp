#include "options.h"

#include <cwctype>

namespace standin::core {
namespace {

// "/I", "-i" and "/i" name the same option; anything else is no option.
std::wstring OptionName(const std::wstring& arg) {
  if (arg.size() < 2 || (arg[0] != L'/' && arg[0] != L'-')) return {};
  std::wstring name = arg.substr(1);
  for (auto& c : name) c = static_cast<wchar_t>(std::towlower(c));
  return name;
}

}  // namespace

ParsedOptions ParseOptions(const std::vector<std::wstring>& args) {
  Options options;
  auto fail = [](std::wstring error) { return ParsedOptions{std::nullopt, std::move(error)}; };
  for (size_t i = 0; i < args.size(); ++i) {
    std::wstring name = OptionName(args[i]);
    // How many values the option takes, and where they go.
    std::vector<std::wstring*> values;
    if (name == L"i") {
      values = {&options.drawing};
    } else if (name == L"s") {
      values = {&options.script};
    } else if (name == L"l") {
      values = {&options.language};
    } else if (name == L"isolate") {
      values = {&options.isolateUser, &options.isolateFolder};
    } else if (name == L"readonly") {
      options.readOnly = true;
    } else {
      return fail(L"Unknown argument \"" + args[i] + L"\".");
    }
    for (std::wstring* value : values) {
      if (i + 1 >= args.size() || args[i + 1].empty() || !OptionName(args[i + 1]).empty()) {
        return fail(L"Option \"" + args[i] + L"\" needs a value.");
      }
      *value = args[++i];
    }
  }
  if (options.drawing.empty()) return fail(L"No drawing given (/i).");
  if (options.script.empty()) return fail(L"No script given (/s).");
  return ParsedOptions{options, {}};
}

std::wstring UsageText() {
  return L"Usage: accoreconsole.exe /i <drawing> /s <script> [/l <language>] "
         L"[/isolate <user> <folder>] [/readonly]";
}

}  // namespace standin::core
