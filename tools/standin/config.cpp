#include "config.h"

#include <sstream>

#include "win/file_win.h"
#include "win/text_win.h"

namespace standin {
namespace {

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  size_t e = s.find_last_not_of(" \t\r\n");
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

int Number(const std::string& s) {
  try {
    return std::stoi(s);
  } catch (...) {
    return 0;
  }
}

void Apply(Config& c, const std::string& key, const std::string& value) {
  if (key == "log")
    c.logPath = kavro::win::FromUtf8(value);
  else if (key == "openMs")
    c.openMs = Number(value);
  else if (key == "scriptMs")
    c.scriptMs = Number(value);
  else if (key == "saveMs")
    c.saveMs = Number(value);
  else if (key == "asyncScripts")
    c.asyncScripts = Number(value) != 0;
  else if (key == "failAt")
    c.failAt = Number(value);
  else if (key == "crashAt")
    c.crashAt = Number(value);
  else if (key == "hangAt")
    c.hangAt = Number(value);
  else if (key == "hangMs")
    c.hangMs = Number(value);
  else if (key == "ansiWindow")
    c.ansiWindow = Number(value) != 0;
  else if (key == "captionDiffers")
    c.captionDiffers = Number(value) != 0;
}

}  // namespace

Config ReadConfig(const std::wstring& path) {
  Config config;
  std::string bytes;
  if (path.empty() || !kavro::win::ReadWholeFile(path, &bytes).ok) {
    return config;
  }
  std::istringstream lines(bytes);
  std::string line;
  while (std::getline(lines, line)) {
    line = Trim(line);
    size_t eq = line.find('=');
    if (line.empty() || line[0] == '#' || eq == std::string::npos) {
      continue;
    }
    Apply(config, Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
  }
  return config;
}

}  // namespace standin
