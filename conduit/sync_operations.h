// The pieces of work that one synchronisation carries out, behind one narrow
// interface: the PC file search, the fetch of selected files, the receiving
// of handheld files and the sending of the listed files. The synchronisation
// driver decides which to run and what the handheld is told afterwards; the
// operations do the work on the lists of a SyncContext.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "file_list_lock.h"   // store/
#include "file_list_store.h"  // store/
#include "handheld_file_index.h"
#include "handheld_records.h"  // records/

namespace conduit {

// What a fetch does with each selected file.
enum class FetchMode : uint8_t {
  kConvert = 0,   // converted for the handheld
  kPcFormat = 1,  // unchanged, in PC format
  kEmail = 2,     // handed on as an e-mail request
  kFax = 3,       // handed on as a fax request
};

// Result of a synchronisation stopped by an unexpected internal failure
// (such as memory running out).
constexpr int32_t kErrInternal = 0x4F02;
// Result of a synchronisation whose file list could not be saved.
constexpr int32_t kErrFileListNotSaved = 0x4F03;
// Result of a synchronisation whose file list exists but could not be read,
// so none of its files were sent.
constexpr int32_t kErrFileListNotRead = 0x4F04;
// Result of a receive request that could not save anything: there is no
// data directory or it cannot be made, its file list could not be read to
// list the files, or no record asked for could be saved.
constexpr int32_t kErrNothingReceived = 0x4F05;

// Saves the file list of the synchronisation as it stands: 0, or
// kErrFileListNotSaved after logging it.
using SaveFileList = std::function<int32_t()>;

// Everything one synchronisation works on. It lives for one call of
// OpenConduit, so the lists start empty at every call.
struct SyncContext {
  explicit SyncContext(records::RequestPreference& requestPreference)
      : preference(requestPreference) {}
  SyncContext(const SyncContext&) = delete;
  SyncContext& operator=(const SyncContext&) = delete;

  // False when the data directory could not be located: then nothing may be
  // read from or written into it, neither the file list nor received files.
  bool HasDataDirectory() const { return !dataDirectory.empty(); }

  // The folder of "Vellamore.dat" and of the files received from the
  // handheld; empty when it could not be located.
  std::string dataDirectory;
  // Held from loading "Vellamore.dat" to its last save, so that no other
  // writer's change made meanwhile is lost under the conduit's save.
  store::FileListLock fileListLock;
  // The entries of "Vellamore.dat", loaded at the start of the call and
  // saved at its end.
  store::FileListStore fileList;
  // False when "Vellamore.dat" exists but could not be read: it is then not
  // overwritten, so the user's list survives.
  bool fileListSavable = false;
  // "VlmrFilesDB" as it was when the synchronisation began.
  HandheldFileIndex fileIndex;
  // The request record read from the handheld (the process-wide buffer).
  records::RequestPreference& preference;
  // The preference's bytes after the request record, when the handheld
  // keeps more than 18: written back as they were read.
  std::vector<uint8_t> preferenceTail;
};

class SyncOperations {
 public:
  virtual ~SyncOperations() = default;

  // Runs the search that the handheld asked for. Returns the status byte for
  // the handheld: 0 done, 1 failed, 4 the search path does not exist.
  // `stopAfterSearch` comes in true; the search clears it when the found
  // files are to be fetched (converted) in the same synchronisation.
  virtual uint8_t Search(SyncContext& context, bool& stopAfterSearch) = 0;

  // Fetches the selected search results in `mode`. 0, or the error code of
  // the step that failed.
  virtual int32_t Fetch(SyncContext& context, FetchMode mode) = 0;

  // Brings the chosen handheld files to the PC as files in the data
  // directory with new list entries, and saves the list with `saveFileList`
  // before it returns. 0, or an error code when nothing was received or the
  // list naming the received files could not be saved. Writes no file when
  // the context has no data directory.
  virtual int32_t Receive(SyncContext& context, const SaveFileList& saveFileList) = 0;

  // Sends the listed files of the current HotSync user to "VlmrFilesDB" and
  // updates their entries. When entries take new IDs, the list is saved
  // with `saveNewIds` before the handheld database is committed. Returns 0,
  // or the error code of the step that failed, after logging it.
  virtual int32_t SendListedFiles(SyncContext& context, const SaveFileList& saveNewIds) = 0;
};

// The operations that OpenConduit uses.
SyncOperations& ConduitOperations();

}  // namespace conduit
