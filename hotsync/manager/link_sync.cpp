// The HotSync of a handheld over a link, step by step. The handheld is asked only what the
// HotSync needs; a link that fails ends the HotSync at once, logged, and
// nothing after it is attempted.
#include "manager/link_sync.h"

#include <random>
#include <set>

#include "common/hotsync_home.h"
#include "common/hotsync_settings.h"
#include "condmgr/condmgr.h"
#include "fs/fs.h"
#include "link/dlp_client.h"
#include "manager/device_backup.h"
#include "manager/device_install.h"
#include "manager/hotsync_steps.h"
#include "pdb/palm_database.h"
#include "syncmgr/sync_backend_session.h"
#include "text/transcode.h"

namespace hotsync {
namespace {

using platform::Result;
using platform::link::DlpClient;

// The handheld's user as the PC sees it.
struct HandheldUser {
  std::string name;    // UTF-8
  uint32_t id = 0;     // as the handheld gave it; 0 for a handheld never synced
  uint32_t newId = 0;  // the ID this HotSync gives it when it had none
};

class LinkHotSync {
 public:
  LinkHotSync(platform::link::DesktopLink& link, std::string_view over, std::ostream& out,
              std::ostream& err)
      : m_link(link), m_dlp(link), m_over(over), m_out(out), m_err(err) {}

  int Run();

 private:
  // Each step: false when the HotSync ends there (already told and logged).
  bool ReadHandheld();
  bool BeginSession();
  bool AdmitUser();
  int RunConduitsOfHandheld();
  void FinishOnHandheld(bool succeeded);
  // Ends a HotSync that could not begin: the reason on the terminal, on the
  // handheld's log when the link still works, and the handheld told.
  int Refuse(const std::string& reason, int status);
  void Log(const std::string& text, int32_t activity);
  bool LinkLost() const { return m_link.Broken(); }

  platform::link::DesktopLink& m_link;
  DlpClient m_dlp;
  std::string_view m_over;
  std::ostream& m_out;
  std::ostream& m_err;
  std::string m_home;
  HandheldUser m_user;
  SyncSession m_session;
};

void LinkHotSync::Log(const std::string& text, int32_t activity) {
  m_out << text << "\n";
  LogAddEntry(text.c_str(), activity, 0);
}

int LinkHotSync::Refuse(const std::string& reason, int status) {
  m_err << "hotsync: " << reason << "\n";
  if (m_session.IsOpen()) LogAddEntry(reason.c_str(), kSyncLogWarning, 0);
  if (!LinkLost()) {
    (void)m_dlp.AddSyncLogEntry(platform::text::TranscodeUtf8ToWindows1252(reason) + "\n");
    (void)m_dlp.EndOfSync(platform::link::kDlpEndOther);
  }
  return status;
}

bool LinkHotSync::ReadHandheld() {
  if (Result<platform::link::SysInfo> system = m_dlp.ReadSysInfo(); !system) {
    Refuse("the handheld did not say what it is: " + system.Reason(), kExitConduitFailed);
    return false;
  }
  Result<platform::link::UserInfo> user = m_dlp.ReadUserInfo();
  if (!user) {
    Refuse("the handheld did not give its user: " + user.Reason(), kExitConduitFailed);
    return false;
  }
  m_user.name = platform::text::HandheldNameToUtf8(user->name);
  m_user.id = user->userId;
  return true;
}

// The first HotSync of a user remembers the handheld's user ID; another
// handheld that gives the same name is refused before anything is sent.
bool LinkHotSync::AdmitUser() {
  if (m_user.name.empty()) {
    Refuse(
        "a handheld without a user name asked to HotSync; it was refused. Give the handheld "
        "a user name and HotSync again.",
        kExitUnusable);
    return false;
  }
  if (m_user.id == 0) {
    std::random_device random;
    while (m_user.newId == 0) m_user.newId = random();
  }
  const uint32_t id = m_user.id != 0 ? m_user.id : m_user.newId;
  const std::optional<uint32_t> known = RememberedUserId(m_home, m_user.name);
  if (known && *known != id) {
    Refuse("a handheld that is not the one of \"" + m_user.name +
               "\" asked to HotSync as that user; it was refused. If it is the user's new or "
               "reset handheld, allow it with: hotsync users forget \"" +
               m_user.name + "\"",
           kExitConduitFailed);
    return false;
  }
  if (known) return true;
  // A handheld never synchronised gets its ID before the PC remembers it:
  // remembered first, a HotSync that failed before its end would leave the
  // handheld without the ID and refused from then on.
  if (m_user.newId != 0) {
    platform::link::WriteUserInfoRequest info;
    info.userId = m_user.newId;
    info.modified = platform::link::kUserInfoModUserId;
    if (Result<void> given = m_dlp.WriteUserInfo(info); !given) {
      Refuse("the handheld did not take its user ID: " + given.Reason(), kExitConduitFailed);
      return false;
    }
  }
  if (Result<void> kept = RememberUserId(m_home, m_user.name, id); !kept) {
    m_err << "hotsync: warning: " << kept.Reason() << "\n";
  }
  return true;
}

// The session, logged in the user's log; a handheld without a user name
// in the HotSync Manager's own log.
bool LinkHotSync::BeginSession() {
  m_home = HotSyncHome();
  const bool newUser =
      !m_user.name.empty() && !platform::PathExists(UserFolder(m_home, m_user.name));
  if (m_home.empty() || (!m_user.name.empty() && !MakeUserFolder(m_home, m_user.name, m_err))) {
    Refuse("the HotSync data folder cannot be used", kExitUnusable);
    return false;
  }
  if (newUser) m_out << "New HotSync user \"" << m_user.name << "\".\n";
  const std::string log =
      m_user.name.empty() ? m_home + "/" + kLogFileName : UserLogPath(m_home, m_user.name);
  std::unique_ptr<platform::syncmgr::Backend> backend =
      platform::syncmgr::MakeDeviceBackend(m_link);
  if (const int32_t result = m_session.BeginOn(std::move(backend), log); result != kSyncErrNone) {
    Refuse("the Sync Manager cannot begin a HotSync (error " + std::to_string(result) + ")",
           kExitUnusable);
    return false;
  }
  return true;
}

// The conduits whose creator has a database on the handheld, each after the
// handheld has been told a conduit starts (the user may cancel there).
int LinkHotSync::RunConduitsOfHandheld() {
  std::vector<Registration> registrations;
  if (const int32_t result = ListRegistrations(&registrations); result != kCmErrNone) {
    Log("HotSync failed: " + DescribeConduitManagerError(result), kSyncLogWarning);
    return 1;
  }
  Result<std::vector<platform::link::DbInfo>> databases = m_dlp.ReadAllDBs();
  if (!databases) {
    Log("HotSync failed: the handheld did not list its databases: " + databases.Reason(),
        kSyncLogWarning);
    return 1;
  }
  std::set<std::string> creators;
  for (const auto& database : *databases) {
    creators.insert(platform::pdb::FourCCText(database.creator));
  }
  bool cancelled = false;
  const BeforeConduit gate = [&](const Registration& registration) {
    if (!creators.contains(registration.creator)) return ConduitGate::kPass;
    Result<void> opened = m_dlp.OpenConduit();
    if (opened) return ConduitGate::kRun;
    cancelled = opened.Code() == platform::link::kDlpErrCancelled;
    Log(cancelled ? "HotSync cancelled on the handheld."
                  : "HotSync failed: the handheld did not start the conduit " +
                        registration.creator + ": " + opened.Reason(),
        kSyncLogWarning);
    return ConduitGate::kStop;
  };
  const LogPrinter printer(m_out);
  const int failed = RunConduits(registrations, SyncOptions{}, m_user.name,
                                 UserFolder(m_home, m_user.name), m_out, m_err, gate);
  return failed + (cancelled || LinkLost() ? 1 : 0);
}

// The log of this HotSync on the handheld, its user information (this PC
// and the date), and the end of the HotSync.
void LinkHotSync::FinishOnHandheld(bool succeeded) {
  if (LinkLost()) return;
  const int32_t entries = SyncLogEntryCount();
  for (int32_t index = 0; index < entries; ++index) {
    char text[1024] = {};
    int32_t activity = 0;
    if (SyncLogEntry(index, text, sizeof text, &activity) != kSyncErrNone) continue;
    (void)m_dlp.AddSyncLogEntry(platform::text::TranscodeUtf8ToWindows1252(text) + "\n");
  }
  platform::link::WriteUserInfoRequest info;
  info.lastSync = platform::link::DlpDate::FromPcTime(time(nullptr));
  info.modified = platform::link::kUserInfoModSyncDate;
  if (Result<uint32_t> pc = ThisPcId(m_home)) {
    info.lastSyncPc = *pc;
    info.modified |= platform::link::kUserInfoModSyncPc;
  } else {
    m_err << "hotsync: warning: this PC's ID is not written to the handheld: " << pc.Reason()
          << "\n";
  }
  if (succeeded) {
    (void)m_dlp.WriteUserInfo(info);
  }
  if (!LinkLost()) {
    (void)m_dlp.EndOfSync(succeeded ? platform::link::kDlpEndNormal : platform::link::kDlpEndOther);
  }
}

int LinkHotSync::Run() {
  if (Result<void> shaken = m_link.Handshake(); !shaken) {
    m_err << "hotsync: a connection that is not a handheld's HotSync was closed: "
          << shaken.Reason() << "\n";
    return kExitConduitFailed;
  }
  if (!ReadHandheld()) return kExitConduitFailed;
  // The install queue, the conduits and the backup each stop at a lost link;
  // the HotSync is then logged as failed.
  if (!BeginSession()) return kExitUnusable;
  if (!AdmitUser()) return m_user.name.empty() ? kExitUnusable : kExitConduitFailed;
  m_out << "HotSync of \"" << m_user.name << "\" over " << m_over << "\n";
  InstallQueuedFiles(InstallQueueFolder(m_home, m_user.name), HandheldInstaller(m_dlp), m_out);
  int failed = RunConduitsOfHandheld();
  if (!LinkLost()) {
    const std::string backupFolder = UserFolder(m_home, m_user.name) + "/" + kBackupFolderName;
    const BackupSummary backup = BackUpHandheld(m_dlp, backupFolder, m_user.name, m_out);
    if (backup.failed > 0) {
      Log("Backup: " + std::to_string(backup.failed) +
              " database(s) of the handheld could not be "
              "copied to \"" +
              backupFolder + "\".",
          kSyncLogWarning);
    }
    failed += backup.failed;
  }
  if (LinkLost()) Log("HotSync failed: the connection to the handheld was lost.", kSyncLogWarning);
  // The databases are closed before the handheld is told the HotSync ended.
  m_session.End();
  FinishOnHandheld(failed == 0);
  if (LinkLost() && failed == 0) {
    // Everything was done, but the handheld never heard the HotSync end: it
    // shows the HotSync as failed, and so does this one.
    m_err << "hotsync: the connection to the handheld was lost as the HotSync ended\n";
    ++failed;
  }
  m_out << (failed == 0 ? "HotSync complete.\n" : "HotSync finished with errors.\n");
  return failed == 0 ? kExitOk : kExitConduitFailed;
}

}  // namespace

int RunLinkHotSync(platform::link::DesktopLink& link, std::string_view over, std::ostream& out,
                   std::ostream& err) {
  const int status = LinkHotSync(link, over, out, err).Run();
  link.Close();
  return status;
}

}  // namespace hotsync
