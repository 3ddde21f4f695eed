// The operations that OpenConduit runs. Each one hands the work to the part
// of the conduit that does it; an operation this build does not carry says
// so in the HotSync log and reports failure, so the handheld never hears
// that work was done when it was not.
#include "sync_log.h"
#include "sync_operations.h"

namespace conduit {

namespace {

class ConduitSyncOperations final : public SyncOperations {
 public:
  uint8_t Search(SyncContext&, bool&) override {
    LogWarning("Searching PC files is not available in this build");
    return RequestPreference::kStatusFailure;
  }

  int32_t Fetch(SyncContext&, FetchMode) override {
    LogWarning("Fetching files is not available in this build");
    return kErrOperationUnavailable;
  }

  int32_t Receive(SyncContext&) override {
    LogWarning("Receiving handheld files is not available in this build");
    return kErrOperationUnavailable;
  }

  void SendListedFiles(SyncContext&) override {
    LogWarning("Sending listed files is not available in this build");
  }
};

}  // namespace

SyncOperations& ConduitOperations() {
  static ConduitSyncOperations operations;
  return operations;
}

}  // namespace conduit
