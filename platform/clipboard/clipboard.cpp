// The process's clipboard: an ordered list of formats and their blocks.
#include "clipboard/clipboard.h"

#include <algorithm>
#include <utility>

namespace platform::clipboard {
namespace {

struct Entry {
  uint32_t format;
  std::vector<uint8_t> data;
};

struct State {
  bool open = false;
  std::vector<Entry> entries;
};

State& TheClipboard() {
  static State state;
  return state;
}

std::vector<Entry>::iterator Find(uint32_t format) {
  std::vector<Entry>& entries = TheClipboard().entries;
  return std::find_if(entries.begin(), entries.end(),
                      [format](const Entry& entry) { return entry.format == format; });
}

}  // namespace

bool Open() {
  return !std::exchange(TheClipboard().open, true);
}

bool Close() {
  return std::exchange(TheClipboard().open, false);
}

bool Empty() {
  if (!TheClipboard().open) return false;
  TheClipboard().entries.clear();
  return true;
}

bool Set(uint32_t format, std::vector<uint8_t> data) {
  if (!TheClipboard().open) return false;
  const auto found = Find(format);
  if (found != TheClipboard().entries.end()) {
    found->data = std::move(data);
  } else {
    TheClipboard().entries.push_back(Entry{format, std::move(data)});
  }
  return true;
}

std::vector<uint32_t> Formats() {
  std::vector<uint32_t> formats;
  for (const Entry& entry : TheClipboard().entries) formats.push_back(entry.format);
  return formats;
}

std::optional<std::vector<uint8_t>> Get(uint32_t format) {
  const auto found = Find(format);
  if (found == TheClipboard().entries.end()) return std::nullopt;
  return found->data;
}

}  // namespace platform::clipboard
