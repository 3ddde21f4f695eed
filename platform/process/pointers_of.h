// The null-ended array of C strings that exec and posix_spawn take, for an
// argument list or an environment. Internal to the room.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Pointers into `texts`, which must outlive them.
inline std::vector<char*> PointersOf(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  pointers.reserve(texts.size() + 1);
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace platform
