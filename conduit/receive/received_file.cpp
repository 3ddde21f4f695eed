// Saving a received record: plan the PC file, create it under a free name,
// then list it.
#include "receive/received_file.h"

#include "receive/pc_path.h"

namespace conduit::receive {

int SaveReceivedFile(std::span<const uint8_t> record, const RecordDescription& description,
                     ReceiveDestination& destination, std::string& why) {
  std::optional<PcFilePlan> plan = PlanReceivedFile(record, description, why);
  if (!plan) return -1;
  std::optional<std::string> written = CreateReceivedFile(
      destination.dataDirectory, plan->entry.path, plan->variant, plan->bytes, why);
  if (!written) return -1;
  store::FileListEntry& entry = plan->entry;
  entry.id = destination.fileList.NewId();
  entry.receivedCopy = std::move(*written);
  entry.user = destination.userName;
  destination.fileList.Append(std::move(entry));
  return 0;
}

}  // namespace conduit::receive
