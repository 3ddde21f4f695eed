// One HotSync: the user of the handheld image, the install queue, every
// registered conduit's OpenConduit with its sync type, and the log.
#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

#include "common/conduit_library.h"
#include "common/hotsync_home.h"
#include "condmgr/condmgr.h"
#include "condmgr/registrations.h"
#include "fs/file_lock.h"
#include "manager/hotsync_commands.h"
#include "manager/install_queue.h"
#include "pdb/handheld_image.h"
#include "syncmgr/conduit_abi.h"
#include "syncmgr/syncmgr.h"

namespace hotsync {
namespace {

// Ends the Sync Manager's session on every way out.
class SyncSession {
 public:
  SyncSession() = default;
  SyncSession(const SyncSession&) = delete;
  SyncSession& operator=(const SyncSession&) = delete;
  ~SyncSession() {
    if (m_open) SyncSessionEnd();
  }
  int32_t Begin(const std::string& image, const std::string& log) {
    const int32_t result = SyncSessionBegin(image.c_str(), log.c_str());
    m_open = result == kSyncErrNone;
    return result;
  }

 private:
  bool m_open = false;
};

// The sync type for this HotSync, and whether it is the one-shot type that
// is to be cleared afterwards.
struct ChosenType {
  int32_t syncType = 0;
  bool oneShot = false;
};

ChosenType ChooseSyncType(const Registration& registration, const SyncOptions& options) {
  if (options.syncType) return {*options.syncType, false};
  if (registration.nextSyncType >= 0) return {registration.nextSyncType, true};
  return {registration.syncType, false};
}

// Loads the conduit and calls OpenConduit. Returns its result, or nothing
// when the conduit could not be called.
std::optional<int32_t> CallOpenConduit(const Registration& registration, int32_t syncType,
                                       const std::string& user, const std::string& userFolder,
                                       std::ostream& err) {
  const std::string path = ResolveLibraryPath(registration.library, ProgramFolder());
  std::string reason;
  std::optional<ConduitLibrary> library = ConduitLibrary::Open(path, &reason);
  if (!library) {
    err << "hotsync: conduit " << registration.creator << ": cannot load \"" << path
        << "\": " << reason << "\n";
    return std::nullopt;
  }
  auto openConduit = library->Export<OpenConduitFn>("OpenConduit");
  if (openConduit == nullptr) {
    err << "hotsync: conduit " << registration.creator << ": \"" << path
        << "\" has no OpenConduit\n";
    return std::nullopt;
  }
  CSyncProperties properties{};
  properties.m_SyncType = syncType;
  std::strncpy(properties.m_UserName, user.c_str(), sizeof properties.m_UserName - 1);
  std::strncpy(properties.m_PathName, userFolder.c_str(), sizeof properties.m_PathName - 1);
  return openConduit(nullptr, &properties);
}

// Runs every conduit; returns the number that failed.
int RunConduits(const std::vector<Registration>& registrations, const SyncOptions& options,
                const std::string& user, const std::string& userFolder, std::ostream& out,
                std::ostream& err) {
  int failed = 0;
  for (const Registration& registration : registrations) {
    const ChosenType chosen = ChooseSyncType(registration, options);
    out << "Conduit " << registration.creator
        << (registration.name.empty() ? "" : " (" + registration.name + ")") << ": sync type "
        << chosen.syncType << " (" << SyncTypeName(chosen.syncType) << ")"
        << (chosen.oneShot ? ", for this HotSync only" : "") << "\n";
    std::optional<int32_t> result =
        CallOpenConduit(registration, chosen.syncType, user, userFolder, err);
    if (!result) {
      ++failed;
      continue;
    }
    out << "Conduit " << registration.creator << " returned " << *result << "\n";
    if (*result != 0) ++failed;
    if (chosen.oneShot && CmSetNextSyncType(registration.creator.c_str(), -1) != kCmErrNone) {
      err << "hotsync: could not clear the next-HotSync type of " << registration.creator << "\n";
    }
  }
  return failed;
}

// The log text as the log file writes it: CR LF, LF and CR each as "\n".
std::string OneLine(std::string_view text) {
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      line += "\\n";
    } else {
      line += text[i];
    }
  }
  return line;
}

// What a log entry's activity number means.
const char* ActivityMeaning(int32_t activity) {
  switch (activity) {
    case kSyncLogText:
      return "note";
    case kSyncLogStart:
      return "started";
    case kSyncLogEnd:
      return "done";
    case kSyncLogEndWithFailure:
      return "done with failure";
    case kSyncLogWarning:
      return "warning or error";
    default:
      return "other";
  }
}

// Prints each log entry on the terminal as the conduit writes it, so that a
// long HotSync shows what it is doing: "  19 started\tVellamore".
void PrintLogEntry(const char* text, int32_t activity, void* context) {
  std::ostream& out = *static_cast<std::ostream*>(context);
  out << "  " << activity << " " << ActivityMeaning(activity) << "\t" << OneLine(text) << std::endl;
}

// Shows the log entries on `out` while it lives.
class LogPrinter {
 public:
  explicit LogPrinter(std::ostream& out) { SyncSetLogObserver(&PrintLogEntry, &out); }
  ~LogPrinter() { SyncSetLogObserver(nullptr, nullptr); }
  LogPrinter(const LogPrinter&) = delete;
  LogPrinter& operator=(const LogPrinter&) = delete;
};

// True when the image is a folder whose files can all be read; false after
// a message on `err`. A named pipe or device in a database file's place
// would hang or never end a read, so the HotSync refuses to start.
bool ImageIsUsable(const platform::pdb::HandheldImage& image, std::ostream& err) {
  if (!image.Exists()) {
    err << "hotsync: \"" << image.Folder() << "\" is not a handheld image folder\n";
    return false;
  }
  const std::vector<std::string> irregular = image.ListIrregularFiles();
  for (const std::string& name : irregular) {
    err << "hotsync: \"" << image.Folder() << "/" << name
        << "\" is not a regular file (a named pipe, device or socket); remove it or put the "
           "database file in its place\n";
  }
  return irregular.empty();
}

// Takes the image's lock for the whole HotSync. False after a message when
// another HotSync holds it; an image that cannot be locked at all (a folder
// we may not open) is synchronised without the lock, after a warning.
bool LockImage(const platform::pdb::HandheldImage& image, platform::FileLock& lock,
               std::ostream& err) {
  switch (image.TryLock(lock)) {
    case platform::FileLock::Result::kLocked:
      return true;
    case platform::FileLock::Result::kHeldElsewhere:
      err << "hotsync: the handheld in \"" << image.Folder()
          << "\" is busy: another HotSync is running on it\n";
      return false;
    case platform::FileLock::Result::kFailed:
      err << "hotsync: warning: cannot lock the handheld image \"" << image.Folder() << "\" ("
          << std::strerror(lock.Error()) << "); going on without the lock\n";
      return true;
  }
  return true;
}

// The image's user, or nothing after a message on `err`.
std::optional<std::string> ImageUser(const platform::pdb::HandheldImage& image, std::ostream& err) {
  std::optional<std::string> user = image.ReadUserName();
  if (!user || user->empty()) {
    err << "hotsync: the handheld in \"" << image.Folder()
        << "\" has no user name (handheld.ini, [User] Name=); give it one with "
           "'handheld create IMAGE --user NAME'\n";
    return std::nullopt;
  }
  return user;
}

// Makes the user's folder in the HotSync data folder; false after a message.
bool MakeUserFolder(const std::string& home, const std::string& user, std::ostream& err) {
  if (home.empty()) {
    err << "hotsync: no HotSync data folder: set HOTSYNC_HOME, XDG_DATA_HOME or HOME\n";
    return false;
  }
  const std::string folder = UserFolder(home, user);
  const int error = MakeFolders(folder);
  if (error == ENAMETOOLONG) {
    err << "hotsync: the user name \"" << user
        << "\" is too long for a folder name; give the handheld a shorter one with "
           "'handheld create IMAGE --user NAME --force'\n";
  } else if (error != 0) {
    err << "hotsync: cannot make the user's folder \"" << folder << "\": " << std::strerror(error)
        << " (set HOTSYNC_HOME to a writable folder)\n";
  }
  return error == 0;
}

}  // namespace

int RunHotSync(const SyncOptions& options, std::ostream& out, std::ostream& err) {
  const platform::pdb::HandheldImage image(options.imageFolder);
  if (!ImageIsUsable(image, err)) return kExitUnusable;
  platform::FileLock imageLock;
  if (!LockImage(image, imageLock, err)) return kExitConduitFailed;
  const std::optional<std::string> user = ImageUser(image, err);
  if (!user) return kExitUnusable;
  const std::string home = HotSyncHome();
  if (!MakeUserFolder(home, *user, err)) return kExitUnusable;
  const std::string userFolder = UserFolder(home, *user);
  std::vector<Registration> registrations;
  if (int32_t result = ListRegistrations(&registrations); result != kCmErrNone) {
    err << "hotsync: " << DescribeConduitManagerError(result) << "\n";
    return kExitUnusable;
  }

  out << "HotSync of \"" << *user << "\" on " << options.imageFolder << "\n";
  InstallQueuedFiles(InstallQueueFolder(home, *user), image, out);

  SyncSession session;
  if (int32_t result = session.Begin(options.imageFolder, UserLogPath(home, *user));
      result != kSyncErrNone) {
    err << "hotsync: the Sync Manager cannot open the image \"" << options.imageFolder
        << "\" (error 0x" << std::hex << result << std::dec << ")\n";
    return kExitUnusable;
  }
  if (registrations.empty()) out << "No conduits are registered.\n";
  int failed = 0;
  {
    const LogPrinter printer(out);
    failed = RunConduits(registrations, options, *user, userFolder, out, err);
  }
  out << (failed == 0 ? "HotSync complete.\n" : "HotSync finished with conduit errors.\n");
  return failed == 0 ? kExitOk : kExitConduitFailed;
}

}  // namespace hotsync
