// What the content pane shows for an entry that it describes rather than
// opens: a PC file on the send list, or a file received from the handheld
// and kept in PC format. Each text breaks its lines with "\r\n", as the
// PC's texts do; the pane shows them as plain line breaks.
#pragma once

#include <string>

#include "file_list_entry.h"

namespace desktop {

// The pane's title over an entry: "<title> - PC File" or
// "<title> - Handheld File".
std::string PcFilePaneTitle(const store::FileListEntry& entry);
std::string HandheldFilePaneTitle(const store::FileListEntry& entry);

// "FILE DESCRIPTION", the send action, path, dates, size, format and when
// the file was last sent (or that it never was).
std::string DescribePcFile(const store::FileListEntry& entry);

// "FILE DESCRIPTION", that the file came from the handheld, its path,
// dates, size, format and when the PC received it.
std::string DescribeReceivedFile(const store::FileListEntry& entry);

}  // namespace desktop
