// The PC file a received record becomes: a name in the data directory taken
// from the handheld's name for it, numbered when the name is taken, and
// created so that no existing file is ever replaced.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "receive/received_record.h"

namespace conduit::receive {

// The highest number put between a name and its extension is one below it.
constexpr int kNameCounterLimit = 30000;
// The longest full path a received copy may have: the file list keeps it in
// a 128-byte field with its NUL.
constexpr size_t kMaxReceivedPathLength = 127;

// Candidate `counter` for a received file: the data directory, the file
// name out of the handheld's `sourcePath` (made on the handheld or on a
// Windows PC: never a folder part, never empty, "." or ".."; made valid
// UTF-8 with HandheldNameToUtf8), split at its
// last dot, with ".txt" or ".bmp" appended to the whole name unless it
// already ends so (without regard to case). Counter 0 is the name itself;
// 1 and up go between base name and extension (memo1.txt). The base name is
// cut to 51 bytes, the extension to 31, and the base name further so that
// the path fits kMaxReceivedPathLength, never inside a character. Nothing when even one
// character of base name does not fit.
std::optional<std::string> ChoosePcPath(std::string_view dataDirectory, std::string_view sourcePath,
                                        PathVariant variant, int counter);

// Creates the first free candidate exclusively (a name that exists, even
// one made by another program a moment before, is passed over, and so is a
// name the data directory uses for itself) and writes
// `bytes` into it. The full path, or nothing with `why` set when every
// candidate is taken or the file cannot be created or written (a file this
// call created is then removed).
std::optional<std::string> CreateReceivedFile(const std::string& dataDirectory,
                                              std::string_view sourcePath, PathVariant variant,
                                              std::span<const uint8_t> bytes, std::string& why);

}  // namespace conduit::receive
