// Feeds arbitrary bytes to the store loader as the contents of
// "Vellamore.dat" and checks that saving gives back exactly the header
// (zero-padded when short) and every whole entry, byte for byte.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "file_list_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> input(data, size);
  store::FileListStore store;
  store.LoadFromBytes(input);

  size_t header = store::FileListStore::kHeaderSize;
  size_t entrySize = store::FileListEntry::kSize;
  size_t whole = size < header ? 0 : (size - header) / entrySize;
  if (store.Entries().size() != whole) abort();

  std::vector<uint8_t> expected(header, 0);
  std::copy_n(input.begin(), std::min(size, header), expected.begin());
  if (size > header) {
    expected.insert(expected.end(), input.begin() + header,
                    input.begin() + header + whole * entrySize);
  }
  if (store.ToBytes() != expected) abort();

  if (!store.Entries().empty()) {
    const store::FileListEntry& first = store.Entries().front();
    if (store.FindById(first.id) != &first) abort();
    uint16_t id = store.NewId();
    for (const store::FileListEntry& entry : store.Entries()) {
      if (entry.id == id) abort();
    }
  }
  return 0;
}
