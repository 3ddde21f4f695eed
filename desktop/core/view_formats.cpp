// Size, date and list-column texts of the desktop program.
#include "view_formats.h"

#include <algorithm>
#include <cstdio>

namespace desktop {

std::string FormatSize(int64_t size) {
  char text[32];
  if (size < 1000) {
    std::snprintf(text, sizeof(text), "%lld bytes", static_cast<long long>(size));
  } else if (size < 1000000) {
    std::snprintf(text, sizeof(text), "%lldK", static_cast<long long>((size + 500) / 1000));
  } else {
    std::snprintf(text, sizeof(text), "%lldM", static_cast<long long>((size + 500000) / 1000000));
  }
  return text;
}

std::string FormatDateTime(const store::HandheldDateTime& stamp) {
  const auto& b = stamp.bytes;
  int month = b[2], day = b[3], year = b[1], hour = b[4], minute = b[5];
  // Noon to 12:59 is "pm" and keeps its 12; hours 0 to 11 are "am" as
  // they stand, so midnight reads 0:xx.
  bool afternoon = hour >= 12;
  int shownHour = hour > 12 ? hour - 12 : hour;
  char text[64];
  std::snprintf(text, sizeof(text), "%d/%d/%02d %d:%02d %s\r\n", month, day, year, shownHour,
                minute, afternoon ? "pm" : "am");
  return text;
}

namespace {

const char* ActionColumnText(uint16_t action) {
  switch (action) {
    case store::kActionAlways:
      return "Always Send";
    case store::kActionDontSend:
      return "No Action";
    case store::kActionOneTime:
      return "Send Once";
    case store::kActionIfChanged:
      return "Send if Changed";
    default:
      return "Received";
  }
}

const char* FormatColumnText(uint16_t format) {
  switch (format) {
    case store::kContentText:
      return "Text";
    case store::kContentBitmap:
      return "Image";
    case store::kFormatPc:
      return "PC";
    default:
      return "Palm";
  }
}

unsigned char Upper(char c) {
  auto u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') ? static_cast<unsigned char>(u - 'a' + 'A') : u;
}

}  // namespace

ListRowTexts RowTextsOf(const store::FileListEntry& entry) {
  ListRowTexts row;
  bool pcFile = entry.kind == store::kPcFile;
  row.source = pcFile ? "PC" : "Palm";
  row.image = pcFile ? kImagePcFile : kImageHandheldFile;
  row.name = entry.title;
  row.action = ActionColumnText(entry.action);
  row.format = FormatColumnText(entry.format);
  return row;
}

int CompareListTexts(std::string_view a, std::string_view b) {
  size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    unsigned char x = Upper(a[i]), y = Upper(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace desktop
