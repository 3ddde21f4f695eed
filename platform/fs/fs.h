// File-system services as the system uses them: a file's status (with its
// creation time), folder listings with the PC's wildcards, folder creation,
// whole-file reads and writes that replace a file through a temporary file
// and a rename, the parts of a path, and the folder a program or a library
// was started or loaded from.
#pragma once

#include <sys/types.h>

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct FileStatus {
  bool isDirectory = false;
  bool isRegularFile = false;  // not a folder, pipe, device or socket
  uint64_t size = 0;
  // Birth time where the file system keeps one, else the last-write time.
  time_t creationTime = 0;
  time_t lastWriteTime = 0;
};

// Status of the file or folder at `path`; nothing when it cannot be read.
std::optional<FileStatus> GetFileStatus(const std::string& path);

// True when anything stands at `path`, a link (even one to nothing)
// included.
bool PathExists(const std::string& path);

// True when `name` matches `pattern`: `*` any run, `?` any one character,
// letters compared without regard to case, and "*.*" matches every name.
bool WildcardMatch(std::string_view pattern, std::string_view name);

struct DirectoryEntry {
  std::string name;
  bool isDirectory = false;
};

// Entries of `folder` whose names match `pattern`, in byte order of their
// names, without "." and "..". Empty when the folder cannot be listed.
std::vector<DirectoryEntry> ListDirectory(const std::string& folder, std::string_view pattern);

// The largest file ReadWholeFile reads unless told otherwise.
constexpr uint64_t kDefaultReadLimit = uint64_t{64} << 20;  // 64 MiB

// Whole contents of the regular file at `path`, at most `limit` bytes. The
// open never blocks, so a named pipe or a device in a file's place cannot
// hang the caller. Nothing when the file cannot be read; `*error` (when
// given) then holds the errno of the step that failed, EISDIR for a folder,
// kNotRegularFile for a pipe, device or socket, EFBIG above `limit`.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path,
                                                  uint64_t limit = kDefaultReadLimit,
                                                  int* error = nullptr);
// The first `count` bytes of the regular file at `path`, all of it when it
// is shorter; read and refused as ReadWholeFile reads and refuses.
std::optional<std::vector<uint8_t>> ReadFileStart(const std::string& path, size_t count,
                                                  int* error = nullptr);
// The error ReadWholeFile gives for a pipe, device or socket.
constexpr int kNotRegularFile = ENODEV;
// A reason for a failed read, for messages: "is not a regular file" for
// kNotRegularFile, "is too large" for EFBIG, the system's text otherwise.
std::string DescribeReadError(int error);

// Replaces `path` with `bytes`: writes a temporary file in the same folder,
// flushes it and renames it over `path`, so a failure at any point leaves the
// old file whole. A symbolic link is written through: the file it points to
// is replaced and the link stays. A file with no write permission bit is
// read-only and is not replaced (EACCES), whoever runs the program. Before
// writing, temporary files of earlier writes of the same file that were cut
// short (".<name>.XXXXXX", untouched for kStaleTemporaryAge) are removed.
// Returns 0, or the errno of the step that failed.
int WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes);
// How long a temporary file of WriteFileAtomically stays untouched before it
// counts as left behind by a write that was killed.
constexpr time_t kStaleTemporaryAge = 10 * 60;
// True when `candidate` is a name WriteFileAtomically gives its temporary
// files for `name`: "." + name + "." + six letters or digits.
bool IsTemporaryNameOf(std::string_view candidate, std::string_view name);

// The file that `path` names once every symbolic link in its last component
// is followed: a link's relative target is taken from the link's folder. The
// target need not exist. `path` itself when it is no link, or when the links
// loop or go deeper than the system allows.
std::string ResolveFinalLink(const std::string& path);

// Folder part of a path (before its last '/'), "" when it has none.
std::string FolderOfPath(std::string_view path);
// File name part of a path (after its last '/'), the whole path when it has
// none. A ':' or '\' is an ordinary character of a name here.
std::string FileNameOfPath(std::string_view path);

// The path of `program` in the first folder of PATH that holds it as an
// executable regular file; "" when none does.
std::string FindProgramOnPath(std::string_view program);

// Folder of the running program (from /proc/self/exe); "" when unknown.
std::string FolderOfRunningProgram();
// Folder of the module (a loaded library, or the program itself) that holds
// the code or data at `address`, by the module's real path; "" when unknown.
// A library passes the address of one of its own functions to find the
// folder it was loaded from, whatever the program that loaded it.
std::string FolderOfModuleAt(const void* address);

// Creates folder `path` and any missing parents with `mode`. Returns 0 when
// it is a folder afterwards (an empty path asks for nothing), ENOTDIR when a
// file stands in its place, or the errno of the step that failed.
int MakeFolders(const std::string& path, mode_t mode);

}  // namespace platform
