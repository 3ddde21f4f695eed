// Reading a PC file for conversion: its times, and its bytes up to a bound.
// Only regular files are read, and opening never blocks, so a named pipe or
// a device among the requested paths cannot stall a HotSync. A file that
// cannot be read comes back with a reason a person can act on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "convert/convert.h"

namespace conduit {

// Why a file named a moment ago cannot be read: it is no longer there.
constexpr std::string_view kVanishedReason = "it vanished before it could be read";

struct FileContents {
  ConversionStatus status = kConvOk;  // kConvCannotOpen, kConvCannotRead or kConvNoMemory
  std::string failure;                // why the file could not be read; empty when it was
  std::string bytes;                  // every byte read, NULs included
  bool cut = false;                   // the file held more than the bound
  uint64_t size = 0;                  // the file's whole size
  time_t creationTime = 0;
  time_t lastWriteTime = 0;
};

// Opens `path`, takes its size n from its status and reads n bytes, or only
// `bound` of them when n is larger (then `cut` is set). Fewer bytes than
// asked for is kConvCannotRead. A bound of 0 only looks at the file.
FileContents ReadFileForConversion(const std::string& path, size_t bound);

// A conversion result without a record, carrying the reader's failure.
ConversionResult UnreadFile(const FileContents& file);

// The text of a record read from a file: its bytes up to the first NUL.
void EndAtFirstNul(std::string& text);

}  // namespace conduit
