// Reading the files that the conduit writes for what it received from the
// handheld, and writing the received texts, as the content pane shows and
// saves them.
// They are UTF-8 Linux text files, lines ended by "\n" (an older file may
// have "\r\n"); the pane holds plain "\n" line breaks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace desktop {

// A received text is read in pieces of this many bytes; each piece counts
// up to its first NUL, so a NUL hides the rest of its piece only.
inline constexpr size_t kTextPieceSize = 30000;

struct ReceivedText {
  enum class Status {
    kRead,
    kNotFound,    // no file at the path, or it went away before it was read
    kCannotOpen,  // the file is there but cannot be read (see `error`)
  };
  Status status = Status::kRead;
  std::string text;  // UTF-8, line breaks as the file has them
  int error = 0;     // errno of the failed read
};

// A received file's bytes (a picture's), read whole through the bounded
// reader: a pipe in the file's place cannot hang the program.
struct ReceivedBytes {
  ReceivedText::Status status = ReceivedText::Status::kRead;
  std::vector<uint8_t> bytes;
  int error = 0;  // errno of the failed read
};
ReceivedBytes ReadReceivedBytes(const std::string& path);

// Reads the text file at `path`: only a regular file, never more than the
// bounded reader allows, and never a byte past what was read.
ReceivedText ReadReceivedText(const std::string& path);

// The bytes of a file read in kTextPieceSize pieces, each kept up to its
// first NUL.
std::string JoinTextPieces(std::span<const uint8_t> bytes);

// Bytes of a PC text as UTF-8: well-formed UTF-8 stays as it is; any other
// byte is taken as a Windows-1252 character, so that no byte turns into a
// replacement character that a save would then write back.
std::string DecodePcText(std::string_view bytes);

// The pane's text with every "\r\n" made "\n", as Linux text files end
// their lines; a lone "\r" stays.
std::string WithLinuxLineBreaks(std::string_view paneText);

// Writes `paneText` to `path` (UTF-8, "\n" line breaks) through a
// temporary file and a rename, so a failed write leaves the earlier file
// whole. 0, or the errno of the step that failed.
int WriteTextFile(const std::string& path, std::string_view paneText);

}  // namespace desktop
