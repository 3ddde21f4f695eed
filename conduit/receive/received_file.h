// SaveReceivedFile: one record received from the handheld becomes a PC file
// in the data directory and a new entry (kind 1, action "Received") at the
// end of the file list.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "file_list_store.h"  // store/
#include "receive/received_record.h"

namespace conduit::receive {

// Where received files go and what they are listed under.
struct ReceiveDestination {
  std::string dataDirectory;  // not empty
  store::FileListStore& fileList;
  std::string userName;  // the HotSync user's; empty when unknown
};

// Writes the PC file of `record` and appends its entry, with a new ID that
// no entry has. 0, or -1 with `why` set when the record was refused or the
// file could not be made; nothing is written or listed then.
int SaveReceivedFile(std::span<const uint8_t> record, const RecordDescription& description,
                     ReceiveDestination& destination, std::string& why);

}  // namespace conduit::receive
