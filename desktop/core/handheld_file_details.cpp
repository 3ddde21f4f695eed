// Texts of the Handheld File Details dialog.
#include "handheld_file_details.h"

#include "file_list_filter.h"
#include "view_formats.h"

namespace desktop {

HandheldFileDetailsTexts DescribeForHandheldDetails(const store::FileListEntry& entry,
                                                    const store::FileListStore::Header& header) {
  HandheldFileDetailsTexts texts;
  texts.file = entry.title;
  texts.location = entry.receivedCopy;
  texts.size = FormatSize(entry.size);
  texts.created = FormatDateTime(entry.created);
  texts.modified = FormatDateTime(entry.modified);
  texts.lastDownloaded = FormatDateTime(entry.lastSent);
  texts.user = entry.user;
  // A category number beyond the header's sixteen labels has no name.
  CategoryLabels labels = CategoryLabelsOf(header);
  if (entry.category < labels.size()) texts.category = labels[entry.category];
  texts.isPrivate = entry.isPrivate != 0 ? "Yes" : "No";
  return texts;
}

}  // namespace desktop
