// The operations that OpenConduit runs. Each one hands the work to the part
// of the conduit that does it.
#include "convert/convert.h"
#include "search/pc_file_search.h"
#include "sync_log.h"
#include "sync_operations.h"
#include "transfer/fetch.h"
#include "transfer/receive.h"
#include "transfer/send_listed_files.h"

namespace conduit {

namespace {

class ConduitSyncOperations final : public SyncOperations {
 public:
  uint8_t Search(SyncContext&, bool& stopAfterSearch) override {
    return search::RunSearch(stopAfterSearch);
  }

  int32_t Fetch(SyncContext&, FetchMode mode) override {
    return transfer::FetchSelectedFiles(mode);
  }

  int32_t Receive(SyncContext& context, const SaveFileList& saveFileList) override {
    return transfer::ReceiveHandheldFiles(context, saveFileList);
  }

  int32_t SendListedFiles(SyncContext& context, const SaveFileList& saveNewIds) override {
    return transfer::SendListedFiles(context.fileList, context.fileIndex, GetHandheldUserName(),
                                     saveNewIds);
  }
};

}  // namespace

SyncOperations& ConduitOperations() {
  static ConduitSyncOperations operations;
  return operations;
}

}  // namespace conduit
