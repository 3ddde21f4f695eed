// One call of OpenConduit: the fixed order of a synchronisation and the life
// cycle of the handheld's request.
//
// The handheld writes an odd request code with status 0xFF. On success the
// conduit answers with the even "done" code and status 0 (a search answers
// with its own status); on failure the request stays odd with status 1 and
// is carried out again only once the handheld sets status 0xFF again. While
// no request is pending the conduit only sends the listed files.
#include "sync_driver.h"

#include <vector>

#include "conduit_identity.h"
#include "data_directory.h"
#include "fs/fs.h"
#include "notify.h"  // store/
#include "request_preference_buffer.h"
#include "sync_log.h"
#include "syncmgr/syncmgr.h"

namespace conduit {

namespace {

constexpr char kConduitName[] = "Vellamore";
constexpr uint8_t kPreferenceStructVersion = 1;
constexpr uint16_t kRequestPreferenceId = 0;

// What carrying out the request left to do.
struct RequestOutcome {
  bool writePreference = false;
  int32_t result = 0;
};

CRawPreferenceInfo PreferenceRequest(records::RequestPreference& preference) {
  CRawPreferenceInfo request{};
  request.m_version = kPreferenceStructVersion;
  request.m_creator = records::kCreatorId;
  request.m_prefId = kRequestPreferenceId;
  request.m_backedUp = 1;
  request.m_nBufSize = static_cast<int32_t>(records::RequestPreference::kSize);
  request.m_pBuffer = preference.bytes.data();
  return request;
}

// Reads the bytes of a preference longer than the request record into
// `tail`; they belong to the handheld application. False when the whole
// preference cannot be read.
bool ReadPreferenceTail(records::RequestPreference& preference, uint16_t size,
                        std::vector<uint8_t>& tail) {
  std::vector<uint8_t> whole(size);
  CRawPreferenceInfo request = PreferenceRequest(preference);
  request.m_reqBytes = size;
  request.m_nBufSize = size;
  request.m_pBuffer = whole.data();
  if (SyncReadAppPreference(&request) != kSyncErrNone || request.m_retBytes != size) return false;
  tail.assign(whole.begin() + records::RequestPreference::kSize, whole.end());
  return true;
}

// Reads the request preference into the context. A preference shorter than
// 18 bytes leaves zeros after its end; a longer one keeps the rest for the
// write. When it cannot be read, imageMode is 1 and false is returned.
bool ReadRequestPreference(SyncContext& context) {
  records::RequestPreference& preference = context.preference;
  preference.bytes.fill(0);
  context.preferenceTail.clear();
  CRawPreferenceInfo request = PreferenceRequest(preference);
  request.m_reqBytes = static_cast<uint16_t>(records::RequestPreference::kSize);
  if (SyncReadAppPreference(&request) == kSyncErrNone &&
      (request.m_actSize <= records::RequestPreference::kSize ||
       ReadPreferenceTail(preference, request.m_actSize, context.preferenceTail))) {
    return true;
  }
  preference.bytes.fill(0);
  preference.SetImageMode(1);
  return false;
}

// Writes the request record back, followed by the handheld's own bytes.
bool WriteRequestPreference(SyncContext& context) {
  std::vector<uint8_t> whole(context.preference.bytes.begin(), context.preference.bytes.end());
  whole.insert(whole.end(), context.preferenceTail.begin(), context.preferenceTail.end());
  CRawPreferenceInfo request = PreferenceRequest(context.preference);
  request.m_nBufSize = static_cast<int32_t>(whole.size());
  request.m_pBuffer = whole.data();
  return SyncWriteAppPreference(&request) == kSyncErrNone;
}

// Records the outcome of a fetch or receive: the "done" code and status 0 on
// success, status 1 with the request left as it was on failure.
RequestOutcome Conclude(records::RequestPreference& preference, int32_t result, uint8_t doneCode) {
  if (result == 0) {
    preference.SetRequest(doneCode);
    preference.SetStatus(records::RequestPreference::kStatusSuccess);
  } else {
    preference.SetStatus(records::RequestPreference::kStatusFailure);
  }
  return {true, result};
}

RequestOutcome RunFetch(SyncContext& context, SyncOperations& operations, FetchMode mode,
                        uint8_t doneCode) {
  return Conclude(context.preference, operations.Fetch(context, mode), doneCode);
}

RequestOutcome RunSearch(SyncContext& context, SyncOperations& operations) {
  bool stopAfterSearch = true;
  const uint8_t status = operations.Search(context, stopAfterSearch);
  if (!stopAfterSearch) {
    // The search asked for its results at once: go on as a fetch request.
    return RunFetch(context, operations, FetchMode::kConvert, records::kRequestFetchDone);
  }
  context.preference.SetRequest(records::kRequestSearchDone);
  context.preference.SetStatus(status);
  return {true, 0};
}

// Saves "Vellamore.dat"; after the final save the desktop program is told
// to reload it. 0 when there is nothing to save.
int32_t SaveFileList(SyncContext& context, bool notify) {
  if (!context.HasDataDirectory() || !context.fileListSavable) return 0;
  if (context.fileList.Save(store::FileListStore::PathIn(context.dataDirectory)) != 0) {
    LogWarning("Couldn't save the file list");
    return kErrFileListNotSaved;
  }
  if (notify) {
    context.fileListLock.Unlock();
    store::NotifyReload();
  }
  return 0;
}

RequestOutcome CarryOutRequest(SyncContext& context, SyncOperations& operations) {
  records::RequestPreference& preference = context.preference;
  switch (preference.Request()) {
    case records::kRequestSearch:
      return RunSearch(context, operations);
    case records::kRequestFetch:
      return RunFetch(context, operations, FetchMode::kConvert, records::kRequestFetchDone);
    case records::kRequestFax:
      return RunFetch(context, operations, FetchMode::kFax, records::kRequestFaxDone);
    case records::kRequestEmail:
      return RunFetch(context, operations, FetchMode::kEmail, records::kRequestEmailDone);
    case records::kRequestPcFormat:
      return RunFetch(context, operations, FetchMode::kPcFormat, records::kRequestPcFormatDone);
    case records::kRequestReceive:
      // The received files are listed before the handheld hears of them.
      return Conclude(preference,
                      operations.Receive(
                          context, [&context] { return SaveFileList(context, /*notify=*/false); }),
                      records::kRequestReceiveDone);
    default:
      return {};  // nothing requested
  }
}

void LoadLists(SyncContext& context) {
  if (std::optional<std::string> directory = ReadDataDirectory()) {
    context.dataDirectory = std::move(*directory);
  } else {
    LogWarning("Couldn't locate data directory.");
  }
  if (context.HasDataDirectory()) {
    const std::string path = store::FileListStore::PathIn(context.dataDirectory);
    // Without the lock (a folder where it cannot be made) the HotSync goes
    // on; a save that then fails says so.
    context.fileListLock.Lock(
        path, [] { LogText("Waiting for another program to finish changing the file list"); });
    const bool loaded =
        context.fileList.Load(path, store::FileListStore::MissingStore::kZeroHeader);
    context.fileListSavable = loaded || !platform::GetFileStatus(path).has_value();
    if (!context.fileListSavable) LogWarning("Couldn't read the file list");
  }
  context.fileIndex.Load();
}

// Sends the listed files, then saves the list with what the sending
// recorded; the first failure's code.
int32_t SendListedFilesAndSave(SyncContext& context, SyncOperations& operations) {
  const int32_t sent = operations.SendListedFiles(
      context, [&context] { return SaveFileList(context, /*notify=*/false); });
  // A list that could not be saved moments ago is not tried again.
  if (sent == kErrFileListNotSaved) return sent;
  const int32_t saved = SaveFileList(context, /*notify=*/true);
  return sent != 0 ? sent : saved;
}

// Steps from reading the request preference to saving the file list;
// returns the result of the call: the request's failure first, then the
// sending's or the save's.
int32_t RunRequestAndSend(SyncContext& context, SyncOperations& operations) {
  records::RequestPreference& preference = context.preference;
  RequestOutcome outcome;
  if (ReadRequestPreference(context) &&
      preference.Status() == records::RequestPreference::kStatusPending) {
    outcome = CarryOutRequest(context, operations);
  }
  if (outcome.writePreference && !WriteRequestPreference(context)) {
    LogWarning("Couldn't write state information");
    return outcome.result;
  }
  int32_t sent = SendListedFilesAndSave(context, operations);
  // A list that is there but cannot be read sent nothing it names.
  if (sent == 0 && context.HasDataDirectory() && !context.fileListSavable) {
    sent = kErrFileListNotRead;
  }
  return outcome.result != 0 ? outcome.result : sent;
}

}  // namespace

int32_t RunSynchronisation(int32_t syncType, SyncOperations& operations) {
  if (syncType == kSyncTypeDoNothing) {
    LogText("Vellamore configured to do nothing.");
    return 0;
  }
  CONDHANDLE handle = 0;
  if (const int32_t registered = SyncRegisterConduit(&handle); registered != kSyncErrNone) {
    return registered;
  }
  LogEntry("", LogActivity::kSyncStarted);

  int32_t result = 0;
  try {
    SyncContext context(RequestPreferenceBuffer());
    LoadLists(context);
    result = RunRequestAndSend(context, operations);
  } catch (...) {
    LogWarning("Vellamore stopped on an internal error");
    result = kErrInternal;
  }

  LogEntry(kConduitName, result == 0 ? LogActivity::kSyncFinished : LogActivity::kSyncFailed);
  SyncUnRegisterConduit(handle);
  return result;
}

int32_t OpenConduitWith(const CSyncProperties* properties, SyncOperations& operations) {
  if (properties == nullptr) return kConduitErrNoInArgs;
  return RunSynchronisation(properties->m_SyncType, operations);
}

}  // namespace conduit
