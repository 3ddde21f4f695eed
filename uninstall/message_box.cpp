// One write per message, so lines of several processes never interleave.
#include "message_box.h"

#include <unistd.h>

#include <cerrno>
#include <string>

namespace uninstall {

void ShowMessageBox(std::string_view caption, std::string_view text) {
  std::string line;
  line.reserve(caption.size() + text.size() + 3);
  line.append(caption).append(": ").append(text).append("\n");
  size_t written = 0;
  while (written < line.size()) {
    const ssize_t n = write(STDERR_FILENO, line.data() + written, line.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    written += static_cast<size_t>(n);
  }
}

}  // namespace uninstall
