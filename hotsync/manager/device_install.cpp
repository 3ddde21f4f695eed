// A queued database file written onto the handheld through DLP, as a
// backup tool restores one: delete the old database, create the new one,
// write its blocks and entries, close it.
#include "manager/device_install.h"

#include "fs/fs.h"
#include "pdb/palm_database.h"

namespace hotsync {
namespace {

using platform::Failure;
using platform::Result;
using platform::link::DlpClient;
using platform::pdb::PalmDatabase;
using Outcome = InstallAttempt::Outcome;

// Database files larger than this are no handheld program.
constexpr size_t kMaxInstallBytes = size_t{64} << 20;

Result<void> WriteEntries(DlpClient& dlp, uint8_t handle, const PalmDatabase& database) {
  if (!database.appInfo.empty()) {
    if (Result<void> written = dlp.WriteAppBlock(handle, database.appInfo); !written)
      return written;
  }
  if (!database.sortInfo.empty()) {
    if (Result<void> written = dlp.WriteSortBlock(handle, database.sortInfo); !written) {
      return written;
    }
  }
  for (const platform::pdb::PalmResource& resource : database.resources) {
    if (Result<void> written =
            dlp.WriteResource({handle, resource.type, resource.id, resource.data});
        !written) {
      return written;
    }
  }
  for (const platform::pdb::PalmRecord& record : database.records) {
    const Result<uint32_t> written =
        dlp.WriteRecord({handle, record.uniqueId, static_cast<uint8_t>(record.attributes & 0xF0),
                         record.Category(), record.data});
    if (!written) return Failure{written.Reason(), written.Code()};
  }
  return {};
}

Result<void> InstallDatabase(DlpClient& dlp, const PalmDatabase& database) {
  // A database of the same name is replaced; none there is no failure.
  if (Result<void> deleted = dlp.DeleteDB(database.name);
      !deleted && deleted.Code() != platform::link::kDlpErrNotFound) {
    return deleted;
  }
  const Result<uint8_t> handle = dlp.CreateDB(
      {database.creator, database.type, 0, database.attributes, database.version, database.name});
  if (!handle) return Failure{handle.Reason(), handle.Code()};
  Result<void> written = WriteEntries(dlp, *handle, database);
  Result<void> closed = dlp.CloseDB(*handle);
  if (written && !closed) written = closed;
  // A half-written database is not left behind while the link still works.
  if (!written && written.Code() != platform::link::kDlpLinkFailure) {
    (void)dlp.DeleteDB(database.name);
  }
  return written;
}

}  // namespace

Installer HandheldInstaller(DlpClient& dlp) {
  return [&dlp](const std::string& path) {
    int error = 0;
    const auto bytes = platform::ReadWholeFile(path, kMaxInstallBytes, &error);
    if (!bytes) {
      return InstallAttempt{Outcome::kKept, {}, platform::DescribeReadError(error)};
    }
    platform::pdb::PdbError pdbError = platform::pdb::PdbError::kNone;
    const std::optional<PalmDatabase> database =
        platform::pdb::ParsePalmDatabase(*bytes, &pdbError);
    if (!database) {
      return InstallAttempt{Outcome::kRejected, {}, platform::pdb::Describe(pdbError)};
    }
    if (database->name.empty()) {
      return InstallAttempt{Outcome::kRejected, {}, "the database has no name"};
    }
    if (Result<void> installed = InstallDatabase(dlp, *database); !installed) {
      return InstallAttempt{
          Outcome::kKept, {}, "the handheld refused it (" + installed.Reason() + ")"};
    }
    return InstallAttempt{Outcome::kInstalled, database->name, {}};
  };
}

}  // namespace hotsync
