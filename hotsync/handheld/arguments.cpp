// Parsing the companion's command lines.
#include "handheld/arguments.h"

#include <charconv>

namespace handheld {

std::optional<Arguments> Arguments::Parse(std::span<const std::string_view> words,
                                          std::span<const OptionSpec> options, std::string* error) {
  Arguments arguments;
  bool optionsEnded = false;
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string_view word = words[i];
    if (optionsEnded || word.size() < 2 || word.substr(0, 2) != "--") {
      arguments.m_positional.emplace_back(word);
      continue;
    }
    if (word == "--") {
      optionsEnded = true;
      continue;
    }
    const OptionSpec* spec = nullptr;
    for (const OptionSpec& candidate : options) {
      if (candidate.name == word) spec = &candidate;
    }
    if (spec == nullptr) {
      *error = "unknown option '" + std::string(word) + "'";
      return std::nullopt;
    }
    std::string value;
    if (spec->takesValue) {
      if (++i == words.size()) {
        *error = std::string(word) + " needs a value";
        return std::nullopt;
      }
      value = std::string(words[i]);
    }
    arguments.m_values[std::string(word)] = value;
  }
  return arguments;
}

std::optional<std::string> Arguments::Value(std::string_view option) const {
  auto found = m_values.find(std::string(option));
  if (found == m_values.end()) return std::nullopt;
  return found->second;
}

std::optional<bool> ParseOnOff(std::string_view text) {
  for (std::string_view on : {"on", "yes", "1", "true"}) {
    if (text == on) return true;
  }
  for (std::string_view off : {"off", "no", "0", "false"}) {
    if (text == off) return false;
  }
  return std::nullopt;
}

std::optional<int64_t> ParseNumber(std::string_view text, int64_t lowest, int64_t highest) {
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < lowest ||
      value > highest) {
    return std::nullopt;
  }
  return value;
}

}  // namespace handheld
