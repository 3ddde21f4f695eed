// Feeds arbitrary bytes to the settings-file reader, then checks that what it
// read survives being written and read again, key for key and value for
// value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "settings/ini_escape.h"
#include "settings/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace platform::settings;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  IniFile first = IniFile::Parse(text);
  IniFile second = IniFile::Parse(first.Serialise());
  if (second.Entries().size() != first.Entries().size()) std::abort();
  for (const IniEntry& entry : first.Entries()) {
    const IniEntry* again = second.Find(entry.key);
    if (again == nullptr || DecodeValue(again->stored) != DecodeValue(entry.stored)) std::abort();
  }
  std::string value(text.substr(0, 64));
  if (DecodeValue(EncodeValue(value)) != value) std::abort();
  return 0;
}
