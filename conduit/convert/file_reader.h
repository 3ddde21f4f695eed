// Reading a PC file for conversion: its times, and its bytes up to a bound.
// Only regular files are read, and opening never blocks, so a named pipe or
// a device among the requested paths cannot stall a HotSync.
#pragma once

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>

#include "convert/convert.h"

namespace conduit {

struct FileContents {
  int status = kConvOk;  // kConvCannotOpen, kConvCannotRead or kConvNoMemory
  std::string bytes;     // every byte read, NULs included
  bool cut = false;      // the file held more than the bound
  time_t creationTime = 0;
  time_t lastWriteTime = 0;
};

// Opens `path`, takes its size n from its status and reads n bytes, or only
// `bound` of them when n is larger (then `cut` is set). Fewer bytes than
// asked for is kConvCannotRead. No bound reads the whole file.
FileContents ReadFileForConversion(const std::string& path, std::optional<size_t> bound);

// The text of a record read from a file: its bytes up to the first NUL.
void EndAtFirstNul(std::string& text);

}  // namespace conduit
