// The text test of the PC file search: does a file contain a text? Letters
// are compared without regard to case, and every byte of the file below 0x20
// or from 0x80 up counts as a space, so "A B" finds "A\tB" and a text with
// such a byte of its own never matches. An empty text matches every file
// that holds at least one byte.
//
// Files are read in large blocks that overlap by the text's length less one,
// so a match that spans two blocks is found. Candidate positions are found
// many bytes at a time by testing two of the text's rarest bytes at once;
// only those positions are compared in full.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace conduit::search {

class TextMatcher {
 public:
  explicit TextMatcher(std::string_view text);

  // True when `bytes` contains the text.
  bool Contains(std::span<const uint8_t> bytes) const;

  // True when the regular file at `path` contains the text; false when it
  // cannot be opened or read, or is not a regular file. Stops reading at the
  // first match. The read buffer is kept for the next file.
  bool FileContains(const std::string& path);

  // Bytes read from a file per block.
  static constexpr size_t kBlockSize = 256 * 1024;

 private:
  // Anchor byte test: (byte | orMask) == value.
  struct Anchor {
    size_t offset = 0;
    uint8_t orMask = 0;
    uint8_t value = 0;
  };

  bool MatchesAt(const uint8_t* window) const;
  bool ContainsScalar(std::span<const uint8_t> bytes, size_t from) const;

  std::vector<uint8_t> m_folded;  // the text with a-z as A-Z
  bool m_canMatch = true;         // false when the text holds a byte no file byte folds to
  bool m_hasAnchors = false;      // false when every byte of the text is a space
  Anchor m_first;
  Anchor m_second;
  std::unique_ptr<uint8_t[]> m_buffer;
};

// The text test as the walk uses it: the file `name` in `folder`.
bool FileContainsText(const std::string& folder, const std::string& name, std::string_view text);

}  // namespace conduit::search
