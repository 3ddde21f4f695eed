// Adding a file to a user's install queue.
//
// Every queued file gets a folder of its own in the queue, named by an
// eight-digit number one above the highest there, and keeps its own file
// name inside it: two files of the same name are both kept, a name that
// starts with '.' is an ordinary name, and the numbers give the order in
// which the files were queued. The folder is filled under a temporary name
// that starts with '.' and then renamed into place, so the HotSync Manager
// never sees a half-written entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace hotsync {

// The largest file queued: more than any handheld holds.
constexpr size_t kMaxInstallFileBytes = size_t{64} * 1024 * 1024;

// Reads the file at `path` into `bytes`: only a regular file, opened
// without blocking (a named pipe or a device never stalls the caller), and
// at most kMaxInstallFileBytes. Returns kPltErrNone, kPltErrNoFile or
// kPltErrTooLarge.
int32_t ReadInstallableFile(const std::string& path, std::vector<uint8_t>& bytes);

// Queues `bytes` as the file `name` in the queue folder `queue`, which
// exists. Returns kPltErrNone or kPltErrQueue.
int32_t AddToInstallQueue(const std::string& queue, const std::string& name,
                          const std::vector<uint8_t>& bytes);

}  // namespace hotsync
