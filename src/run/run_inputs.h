#pragma once
// What a run is given: the drawings, the script template, the start page and the generation.
// Every engine runs from these; the journal records them.
#include <string>
#include <vector>

namespace kavro::run {

// What the run read from the main window when it began.
struct RunInputs {
  std::vector<std::wstring> drawings;  // the whole list, as the list shows it
  std::wstring scriptTemplate;         // Text1
  std::wstring startPage;              // Text2
  bool r2000 = true;                   // Option2 (false: R14)
  std::wstring cad{};                  // the CAD program chosen (a class name); empty: 自动
  std::wstring engine{};  // kavro.com's engine, "core" or "cloud"; empty: the desktop program
  bool operator==(const RunInputs&) const = default;
};

}  // namespace kavro::run
