// The operations that OpenConduit runs. Each one hands the work to the part
// of the conduit that does it.
#include "convert/conversion_session.h"
#include "convert/convert.h"
#include "search/pc_file_search.h"
#include "sync_log.h"
#include "sync_operations.h"
#include "transfer/fetch.h"
#include "transfer/receive.h"
#include "transfer/send_listed_files.h"

namespace conduit {

namespace {

// Adds the listed files this HotSync will convert to the conversions it
// expects, unless the fetch before the sending counted them already.
void ExpectListedConversions(const SyncContext& context) {
  ConversionSession* session = ConversionSession::Current();
  if (session == nullptr || session->Expected() != 0) return;
  session->ExpectConversions(
      transfer::CountListedConversions(context.fileList, context.fileIndex, GetHandheldUserName()));
}

class ConduitSyncOperations final : public SyncOperations {
 public:
  uint8_t Search(SyncContext&, bool& stopAfterSearch) override {
    return search::RunSearch(stopAfterSearch);
  }

  int32_t Fetch(SyncContext& context, FetchMode mode) override {
    // Counted before the first conversion; the fetch adds its own.
    ExpectListedConversions(context);
    return transfer::FetchSelectedFiles(mode);
  }

  int32_t Receive(SyncContext& context, const SaveFileList& saveFileList) override {
    return transfer::ReceiveHandheldFiles(context, saveFileList);
  }

  int32_t SendListedFiles(SyncContext& context, const SaveFileList& saveNewIds) override {
    ExpectListedConversions(context);
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
