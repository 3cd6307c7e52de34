#pragma once
// How a benchmark reads its settings from the environment (KAVRO_BENCH_…).
#include <cstdlib>
#include <string>
#include <vector>

namespace kavro::bench {

// The variable's value, or `otherwise` when it is unset or empty.
inline std::string Setting(const char* name, const char* otherwise) {
  const char* value = std::getenv(name);
  return value && *value ? value : otherwise;
}

// The positive numbers of a comma-separated list ("20,40"); anything else is passed over.
inline std::vector<size_t> Numbers(const std::string& list) {
  std::vector<size_t> numbers;
  for (size_t at = 0; at <= list.size();) {
    size_t end = list.find(',', at);
    if (end == std::string::npos) end = list.size();
    long value = std::strtol(list.substr(at, end - at).c_str(), nullptr, 10);
    if (value > 0) numbers.push_back(static_cast<size_t>(value));
    at = end + 1;
  }
  return numbers;
}

}  // namespace kavro::bench
