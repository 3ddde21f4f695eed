// Test support: whole files written and read, folders listed, texts of a
// piece repeated, and local times.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace vlmtest {

// Writes `bytes` as the whole file; throws std::runtime_error when it cannot.
void WriteFile(const std::string& path, std::string_view bytes);
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
// Writes `bytes` as `relative` below `folder`, making the folders between as
// needed; the file's path.
std::string WriteFileBelow(const std::string& folder, const std::string& relative,
                           std::string_view bytes);
// The file's bytes, empty when it cannot be read.
std::string ReadFile(const std::string& path);
// The names of what `folder` holds, sorted; none when it cannot be read.
std::vector<std::string> FileNamesIn(const std::string& folder);
// True when something (a file, a folder, ...) is at `path`.
bool FileExists(const std::string& path);
// `piece`, `count` times over.
std::string Repeated(std::string_view piece, size_t count);
// Sets the file's last-write (and last-access) time; throws std::runtime_error
// when it cannot.
void SetModifiedTime(const std::string& path, time_t time);
// A local time (in the process's time zone) as a PC time.
time_t LocalTime(int year, int month, int day, int hour, int minute, int second);

}  // namespace vlmtest
