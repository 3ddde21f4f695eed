// Texts the desktop program shows for an entry: sizes and dates, the four
// columns of the file list, and the comparison the list sorts with. Every
// window of the program formats through these functions so that the list,
// the dialogs and the content pane agree.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "file_list_entry.h"
#include "handheld_date_time.h"

namespace desktop {

// "%ld bytes" below 1000, "%ldK" rounded to thousands below 1,000,000, else
// "%ldM" rounded to millions. Takes the store's unsigned 32-bit size without
// narrowing it, so a file of 2 GB or more never reads as a negative size.
std::string FormatSize(int64_t size);

// "month/day/yy h:mm am\r\n" for hours 0 to 11, "pm" from noon on (with
// the hour minus 12 when it is above 12, so noon reads 12:xx pm); the
// century is not shown, and an all-zero stamp reads "0/0/00 0:00 am". The
// text always ends with a carriage return and line feed.
std::string FormatDateTime(const store::HandheldDateTime& stamp);

// Image of a row in the list's image lists.
enum ListImage : int { kImagePcFile = 0, kImageHandheldFile = 1 };

// The four column texts of an entry's row and the image of its first column.
struct ListRowTexts {
  std::string source;  // "PC" or "Palm"
  std::string name;    // the title
  std::string action;  // "Always Send", "No Action", "Send Once", "Send if Changed", "Received"
  std::string format;  // "Text", "Image", "PC" or "Palm"
  int image = kImagePcFile;
};

ListRowTexts RowTextsOf(const store::FileListEntry& entry);

// The list's sort order: both texts in upper case (ASCII letters), compared
// byte by byte as unsigned values; -1, 0 or 1.
int CompareListTexts(std::string_view a, std::string_view b);

}  // namespace desktop
