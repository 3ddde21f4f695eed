// New PC entries for chosen files.
#include "new_entry.h"

#include <algorithm>
#include <limits>

#include "fs/fs.h"

namespace desktop {

std::string CutText(std::string_view text, size_t maxBytes) {
  if (text.size() <= maxBytes) return std::string(text);
  size_t end = maxBytes;
  // Step back over continuation bytes (10xxxxxx) to the start of the
  // character that would be split.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return std::string(text.substr(0, end));
}

std::string WithArgument(std::string_view pattern, std::string_view argument) {
  std::string text(pattern);
  size_t at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, argument);
  return text;
}

std::optional<store::FileListEntry> BuildNewEntry(const NewEntryRequest& request) {
  std::optional<platform::FileStatus> status = platform::GetFileStatus(request.path);
  if (!status) return std::nullopt;

  store::FileListEntry entry;
  entry.id = request.id;
  entry.title = CutText(request.title, kMaxTitleLength);
  entry.path = request.path;
  entry.user = request.user;
  entry.kind = store::kPcFile;
  entry.format = request.format;
  entry.category = request.category;
  entry.action = store::kActionIfChanged;
  entry.isPrivate = 0;
  entry.changed = 1;
  entry.size =
      static_cast<uint32_t>(std::min<uint64_t>(status->size, std::numeric_limits<uint32_t>::max()));
  entry.created = store::HandheldDateTime::FromPcTime(status->creationTime, false);
  entry.modified = store::HandheldDateTime::FromPcTime(status->lastWriteTime, false);
  return entry;
}

}  // namespace desktop
