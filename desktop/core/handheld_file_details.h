// What the read-only Handheld File Details dialog shows for an entry
// received from the handheld. The dialog only puts these texts into its
// labels.
#pragma once

#include <string>

#include "file_list_store.h"

namespace desktop {

struct HandheldFileDetailsTexts {
  std::string file;            // the title
  std::string location;        // the received copy's path
  std::string size;            // FormatSize
  std::string created;         // FormatDateTime, line break included
  std::string modified;        // FormatDateTime
  std::string lastDownloaded;  // FormatDateTime; an all-zero stamp reads 0/0/00 0:00 am
  std::string user;
  std::string category;   // the header's label at the entry's category
  std::string isPrivate;  // "Yes" or "No"
};

HandheldFileDetailsTexts DescribeForHandheldDetails(const store::FileListEntry& entry,
                                                    const store::FileListStore::Header& header);

}  // namespace desktop
