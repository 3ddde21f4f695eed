// The steps every HotSync takes, whichever handheld it runs on.
#include "manager/hotsync_steps.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <string_view>

#include "common/conduit_library.h"
#include "common/hotsync_home.h"
#include "condmgr/condmgr.h"
#include "syncmgr/conduit_abi.h"
#include "syncmgr/sync_backend_session.h"

namespace hotsync {
namespace {

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

// Where the progress of the conduit being called is shown. A conduit's
// progress function takes no context, and one conduit runs at a time.
thread_local std::ostream* t_progressOut = nullptr;

// The progress function handed to each conduit: one line on the terminal,
// as the conduit says it ("Converting letter.docx (3 of 10)...").
void ShowProgress(const char* text) {
  if (t_progressOut != nullptr && text != nullptr) *t_progressOut << "  " << text << std::endl;
}

// Loads the conduit and calls OpenConduit, with its progress shown on `out`.
// Returns its result, or nothing when the conduit could not be called.
std::optional<int32_t> CallOpenConduit(const Registration& registration, int32_t syncType,
                                       const std::string& user, const std::string& userFolder,
                                       std::ostream& out, std::ostream& err) {
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
  t_progressOut = &out;
  ConduitProgressFn progress = &ShowProgress;
  const int32_t result = openConduit(reinterpret_cast<void*>(progress), &properties);
  t_progressOut = nullptr;
  return result;
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

}  // namespace

int32_t SyncSession::Begin(const std::string& image, const std::string& log) {
  const int32_t result = SyncSessionBegin(image.c_str(), log.c_str());
  m_open = result == kSyncErrNone;
  return result;
}

int32_t SyncSession::BeginOn(std::unique_ptr<platform::syncmgr::Backend> backend,
                             const std::string& log) {
  const int32_t result = platform::syncmgr::BeginSessionOn(std::move(backend), log.c_str());
  m_open = result == kSyncErrNone;
  return result;
}

void SyncSession::End() {
  if (m_open) SyncSessionEnd();
  m_open = false;
}

LogPrinter::LogPrinter(std::ostream& out) {
  SyncSetLogObserver(&PrintLogEntry, &out);
}
LogPrinter::~LogPrinter() {
  SyncSetLogObserver(nullptr, nullptr);
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

int RunConduits(const std::vector<Registration>& registrations, const SyncOptions& options,
                const std::string& user, const std::string& userFolder, std::ostream& out,
                std::ostream& err, const BeforeConduit& before) {
  int failed = 0;
  for (const Registration& registration : registrations) {
    const ConduitGate gate = before ? before(registration) : ConduitGate::kRun;
    if (gate == ConduitGate::kStop) break;
    if (gate == ConduitGate::kPass) continue;
    const ChosenType chosen = ChooseSyncType(registration, options);
    out << "Conduit " << registration.creator
        << (registration.name.empty() ? "" : " (" + registration.name + ")") << ": sync type "
        << chosen.syncType << " (" << SyncTypeName(chosen.syncType) << ")"
        << (chosen.oneShot ? ", for this HotSync only" : "") << "\n";
    std::optional<int32_t> result =
        CallOpenConduit(registration, chosen.syncType, user, userFolder, out, err);
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

}  // namespace hotsync
