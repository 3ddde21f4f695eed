// Command-line arguments of the handheld companion: positional words and
// "--name value" or "--flag" options checked against a command's list, and
// the value forms the commands take (on/off, bounded numbers).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace handheld {

struct OptionSpec {
  std::string_view name;  // with its leading "--"
  bool takesValue;
};

class Arguments {
 public:
  // Nothing, and the reason in `*error`, for an unknown option or an option
  // whose value is missing.
  static std::optional<Arguments> Parse(std::span<const std::string_view> words,
                                        std::span<const OptionSpec> options, std::string* error);

  const std::vector<std::string>& Positional() const { return m_positional; }
  bool Has(std::string_view option) const { return m_values.count(std::string(option)) != 0; }
  std::optional<std::string> Value(std::string_view option) const;

 private:
  std::vector<std::string> m_positional;
  std::map<std::string, std::string> m_values;
};

// "on", "yes", "1", "true" and "off", "no", "0", "false".
std::optional<bool> ParseOnOff(std::string_view text);
// A decimal number from `lowest` to `highest`.
std::optional<int64_t> ParseNumber(std::string_view text, int64_t lowest, int64_t highest);

}  // namespace handheld
