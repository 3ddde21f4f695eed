// `hotsync configure CREATOR`: the conduit's ConfigureConduit chooses the
// action for the next HotSyncs; the manager keeps the choice.
#include "common/conduit_library.h"
#include "condmgr/condmgr.h"
#include "condmgr/registrations.h"
#include "manager/hotsync_commands.h"
#include "syncmgr/conduit_abi.h"

namespace hotsync {
namespace {

// Stores what the conduit chose; returns the exit status.
int StoreChoice(const Registration& registration, const CSyncPreference& preference,
                std::ostream& out, std::ostream& err) {
  const char* creator = registration.creator.c_str();
  const int32_t type = preference.m_SyncType;
  if (preference.m_SyncPref != kSyncPrefPermanent && preference.m_SyncPref != kSyncPrefTemporary) {
    out << "The conduit confirmed without a preference (" << preference.m_SyncPref
        << "); nothing changed.\n";
    return kExitOk;
  }
  int32_t result = kCmErrNone;
  if (preference.m_SyncPref == kSyncPrefPermanent) {
    result = CmSetSyncType(creator, type);
    // A new default replaces a choice made for the next HotSync only.
    if (result == kCmErrNone) result = CmSetNextSyncType(creator, -1);
  } else {
    result = CmSetNextSyncType(creator, type);
  }
  if (result != kCmErrNone) {
    err << "hotsync: cannot keep sync type " << type << " for " << registration.creator << ": "
        << DescribeConduitManagerError(result) << "\n";
    return kExitConduitFailed;
  }
  out << "Conduit " << registration.creator << ": sync type " << type << " (" << SyncTypeName(type)
      << ")"
      << (preference.m_SyncPref == kSyncPrefPermanent ? " set as the default.\n"
                                                      : " for the next HotSync only.\n");
  return kExitOk;
}

}  // namespace

int RunConfigure(const std::string& creator, std::ostream& out, std::ostream& err) {
  Registration registration;
  if (int32_t result = GetRegistration(creator, &registration); result != kCmErrNone) {
    err << "hotsync: conduit " << creator << ": " << DescribeConduitManagerError(result) << "\n";
    return kExitUnusable;
  }
  const std::string path = ResolveLibraryPath(registration.library, ProgramFolder());
  std::string reason;
  std::optional<ConduitLibrary> library = ConduitLibrary::Open(path, &reason);
  if (!library) {
    err << "hotsync: cannot load \"" << path << "\": " << reason << "\n";
    return kExitUnusable;
  }
  auto configure = library->Export<ConfigureConduitFn>("ConfigureConduit");
  if (configure == nullptr) {
    err << "hotsync: \"" << path << "\" has no ConfigureConduit\n";
    return kExitUnusable;
  }

  CSyncPreference preference{};
  preference.m_SyncPref = kSyncPrefNone;
  preference.m_SyncType =
      registration.nextSyncType >= 0 ? registration.nextSyncType : registration.syncType;
  const int32_t result = configure(&preference);
  if (result == -1) {
    out << "Cancelled; nothing changed.\n";
    return kExitOk;
  }
  if (result != 0) {
    err << "hotsync: ConfigureConduit returned " << result << "; nothing changed\n";
    return kExitConduitFailed;
  }
  return StoreChoice(registration, preference, out, err);
}

}  // namespace hotsync
