// The clipboard saved around a spreadsheet conversion.
#include "convert/saved_clipboard.h"

#include "clipboard/clipboard.h"

namespace conduit {

namespace clipboard = platform::clipboard;

std::vector<SavedClipboardFormat> SaveClipboard() {
  std::vector<SavedClipboardFormat> saved;
  if (!clipboard::Open()) return saved;
  for (const uint32_t format : clipboard::Formats()) {
    if (std::optional<std::vector<uint8_t>> data = clipboard::Get(format)) {
      saved.push_back(SavedClipboardFormat{format, std::move(*data)});
    }
  }
  clipboard::Empty();
  clipboard::Close();
  return saved;
}

void RestoreClipboard(std::vector<SavedClipboardFormat> saved) {
  if (!clipboard::Open()) return;
  clipboard::Empty();
  for (SavedClipboardFormat& entry : saved) clipboard::Set(entry.format, std::move(entry.data));
  clipboard::Close();
}

}  // namespace conduit
