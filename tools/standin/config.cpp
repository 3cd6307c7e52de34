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

void Read(const std::string& value, int& out) { out = Number(value); }
void Read(const std::string& value, bool& out) { out = Number(value) != 0; }
void Read(const std::string& value, std::wstring& out) { out = kavro::win::FromUtf8(value); }

std::string Written(int value) { return std::to_string(value); }
std::string Written(bool value) { return value ? "1" : "0"; }
std::string Written(const std::wstring& value) { return kavro::win::ToUtf8(value); }

void Apply(Config& c, const std::string& key, const std::string& value) {
#define KAVRO_STANDIN_READ(type, name, initial, meaning) \
  if (key == #name) return Read(value, c.name);
  KAVRO_STANDIN_SETTINGS(KAVRO_STANDIN_READ)
#undef KAVRO_STANDIN_READ
}

}  // namespace

Config ParseConfig(const std::string& text) {
  Config config;
  std::istringstream lines(text);
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

std::string ConfigText(const Config& c) {
  std::string text;
#define KAVRO_STANDIN_WRITE(type, name, initial, meaning) \
  text += "# " meaning "\r\n" #name "=" + Written(c.name) + "\r\n";
  KAVRO_STANDIN_SETTINGS(KAVRO_STANDIN_WRITE)
#undef KAVRO_STANDIN_WRITE
  return text;
}

Config ReadConfig(const std::wstring& path) {
  std::string bytes;
  if (path.empty() || !kavro::win::ReadWholeFile(path, &bytes).ok) {
    return Config{};
  }
  return ParseConfig(bytes);
}

}  // namespace standin
