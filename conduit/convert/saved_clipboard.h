// Saving the whole clipboard before a conversion that copies through it,
// and putting it back afterwards, every format as it was. Internal to the
// conversions.
#pragma once

#include <cstdint>
#include <vector>

namespace conduit {

struct SavedClipboardFormat {
  uint32_t format = 0;
  std::vector<uint8_t> data;  // a copy of the format's block
};

// Copies every clipboard format, in the clipboard's order, and empties the
// clipboard.
std::vector<SavedClipboardFormat> SaveClipboard();

// Empties the clipboard and hands every saved copy back to it, in order.
void RestoreClipboard(std::vector<SavedClipboardFormat> saved);

}  // namespace conduit
