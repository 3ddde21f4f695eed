// One HotSync of a handheld image folder: the user of the image, the
// install queue, every registered conduit's OpenConduit with its sync type,
// and the log.
#include <cstring>
#include <vector>

#include "common/hotsync_home.h"
#include "condmgr/condmgr.h"
#include "condmgr/registrations.h"
#include "fs/file_lock.h"
#include "manager/hotsync_commands.h"
#include "manager/hotsync_steps.h"
#include "manager/install_queue.h"
#include "pdb/handheld_image.h"
#include "syncmgr/syncmgr.h"

namespace hotsync {
namespace {

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
  InstallQueuedFiles(InstallQueueFolder(home, *user), ImageInstaller(image), out);

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
