// A Palm OS handheld played from an image folder in a network HotSync: the
// handheld's answer to each DLP call, from and into the image.
//
// It answers as a Palm OS 4.1 handheld speaking DLP 1.2 with one card (0)
// of RAM databases: the image's databases. Database handles, loading, the
// write-back of a changed database when it is closed, records by index,
// record writes and deletes, the category walk, the application-info block
// and preferences are ImageBackend's; the calls the Sync Manager never makes
// (the database list, records by ID, the modified walk, the ID list,
// resources, the sort block, sync flags) work on the open database it
// exposes. Errors are DLP errors, as a handheld gives them.
//
// What a handheld keeps about its HotSyncs lives in handheld.ini, [User]:
//   Id=                  the user ID the desktop gave (decimal)
//   ViewerId=            the viewer ID (decimal)
//   LastSyncPc=          the ID of the PC of the last HotSync (decimal)
//   LastSync=            the last HotSync's date, as the desktop wrote it
//   LastSuccessfulSync=  that date again, once the HotSync ended well
// Dates read "2026-12-01 09:30:00" (the handheld's local time).
//
// The HotSync log the desktop leaves on the handheld is the file
// kHotSyncLogName beside the databases, begun anew at each HotSync.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "link/dlp_handheld.h"
#include "pdb/handheld_image.h"
#include "syncmgr/image_backend.h"

namespace handheld {

constexpr const char* kHotSyncLogName = "HotSync log.txt";
// The largest record or resource the handheld holds.
constexpr uint32_t kLargestRecord = 0xFFE1;

struct HandheldBehaviour {
  // OpenConduit answers that the user cancelled the HotSync on the handheld.
  bool cancelConduits = false;
  // The desktop this handheld reaches for a network HotSync, as
  // ReadNetSyncInfo reports it.
  std::string desktopHost;
};

class ImageHandheld final : public platform::link::DlpHandheld {
 public:
  // Failures the desktop does not hear of in words (a database that cannot
  // be written back, a damaged file) are told on `warnings`.
  ImageHandheld(platform::pdb::HandheldImage image, HandheldBehaviour behaviour,
                std::ostream& warnings);
  ~ImageHandheld() override;
  ImageHandheld(const ImageHandheld&) = delete;
  ImageHandheld& operator=(const ImageHandheld&) = delete;

  // Begins the HotSync log anew.
  void BeginHotSync();
  // Closes every database still open, writing back what changed, as at
  // the end of any HotSync: after EndOfSync, or when the link fails.
  void CloseEverything();
  // How the desktop ended the HotSync (kDlpEnd...); nothing before EndOfSync.
  std::optional<uint16_t> EndStatus() const { return m_endStatus; }
  std::string HotSyncLogPath() const;

  // The handheld and its user.
  platform::Result<platform::link::SysInfo> ReadSysInfo(
      const platform::link::SysInfoRequest& request) override;
  platform::Result<platform::link::UserInfo> ReadUserInfo() override;
  platform::Result<void> WriteUserInfo(
      const platform::link::WriteUserInfoRequest& request) override;
  platform::Result<platform::link::SysDateTime> GetSysDateTime() override;
  platform::Result<void> SetSysDateTime(const platform::link::SysDateTime& request) override;
  platform::Result<platform::link::StorageInfo> ReadStorageInfo(
      const platform::link::StorageInfoRequest& request) override;
  platform::Result<platform::link::NetSyncInfo> ReadNetSyncInfo() override;
  platform::Result<void> WriteNetSyncInfo(
      const platform::link::WriteNetSyncInfoRequest& request) override;

  // The HotSync.
  platform::Result<void> OpenConduit() override;
  platform::Result<void> AddSyncLogEntry(const platform::link::SyncLogEntry& request) override;
  platform::Result<void> EndOfSync(const platform::link::EndOfSyncRequest& request) override;

  // Databases.
  platform::Result<platform::link::DbListPage> ReadDBList(
      const platform::link::ReadDbListRequest& request) override;
  platform::Result<platform::link::FindDbReply> FindDB(
      const platform::link::FindDbRequest& request) override;
  platform::Result<platform::link::DbHandle> OpenDB(
      const platform::link::OpenDbRequest& request) override;
  platform::Result<platform::link::DbHandle> CreateDB(
      const platform::link::CreateDbRequest& request) override;
  platform::Result<void> CloseDB(const platform::link::CloseDbRequest& request) override;
  platform::Result<void> DeleteDB(const platform::link::DeleteDbRequest& request) override;
  platform::Result<platform::link::OpenDbInfo> ReadOpenDBInfo(
      const platform::link::DbHandle& request) override;
  platform::Result<platform::link::DbBlock> ReadAppBlock(
      const platform::link::ReadBlockRequest& request) override;
  platform::Result<void> WriteAppBlock(const platform::link::WriteBlockRequest& request) override;
  platform::Result<platform::link::DbBlock> ReadSortBlock(
      const platform::link::ReadBlockRequest& request) override;
  platform::Result<void> WriteSortBlock(const platform::link::WriteBlockRequest& request) override;
  platform::Result<void> CleanUpDatabase(const platform::link::DbHandle& request) override;
  platform::Result<void> ResetSyncFlags(const platform::link::DbHandle& request) override;
  platform::Result<void> ResetRecordIndex(const platform::link::DbHandle& request) override;

  // Records, resources and preferences.
  platform::Result<platform::link::RecordReply> ReadRecord(
      const platform::link::ReadRecordRequest& request) override;
  platform::Result<platform::link::RecordReply> ReadNextModifiedRec(
      const platform::link::DbHandle& request) override;
  platform::Result<platform::link::RecordReply> ReadNextRecInCategory(
      const platform::link::NextInCategoryRequest& request) override;
  platform::Result<platform::link::RecordIdReply> WriteRecord(
      const platform::link::WriteRecordRequest& request) override;
  platform::Result<void> DeleteRecord(const platform::link::DeleteRecordRequest& request) override;
  platform::Result<platform::link::RecordIdList> ReadRecordIDList(
      const platform::link::ReadRecordIdListRequest& request) override;
  platform::Result<platform::link::ResourceReply> ReadResource(
      const platform::link::ReadResourceRequest& request) override;
  platform::Result<void> WriteResource(
      const platform::link::WriteResourceRequest& request) override;
  platform::Result<platform::link::PreferenceReply> ReadAppPreference(
      const platform::link::ReadPreferenceRequest& request) override;
  platform::Result<void> WriteAppPreference(
      const platform::link::WritePreferenceRequest& request) override;

 private:
  // What a call needs of the database open under its handle.
  enum class Kind { kAny, kRecords, kResources };
  enum class Access { kRead, kWrite };

  // The DLP failure for a failure of the image backend; failures the
  // desktop cannot act on are told on the warnings stream too.
  platform::Failure AsDlpFailure(const platform::Failure& failure) const;
  template <typename T>
  platform::Result<T> AsDlp(platform::Result<T> result) const {
    if (result) return result;
    return AsDlpFailure(result.Error());
  }
  // The database open under `handle`, checked for the call's kind and
  // access (a write through a handle opened without write access is
  // refused as read only).
  platform::Result<const platform::pdb::PalmDatabase*> Open(uint8_t handle, Kind kind,
                                                            Access access = Access::kRead) const;
  // The same, to change it.
  platform::Result<platform::pdb::PalmDatabase*> OpenToChange(uint8_t handle, Kind kind);
  // The handle a database of that name is open under, or 0.
  uint8_t HandleOf(const std::string& name) const;
  // The database as ReadDBList and FindDB describe it, from memory when it
  // is open, else from its file.
  platform::Result<platform::link::DbInfo> Describe(const std::string& name, uint16_t index) const;
  platform::Result<platform::link::FindDbReply> Found(const platform::pdb::PalmDatabase& database,
                                                      const platform::link::FindDbRequest& request,
                                                      uint16_t index) const;
  // The reply for a record the image backend found in the handle's
  // database: its whole size and `length` bytes from `offset`.
  platform::Result<platform::link::RecordReply> ReplyOf(
      uint8_t handle, platform::Result<platform::syncmgr::HandheldRecord> found, uint16_t offset,
      uint16_t length);
  // `length` bytes of `bytes` from `offset` (kDlpReadToEnd: to the end).
  static std::vector<uint8_t> Piece(std::span<const uint8_t> bytes, uint16_t offset,
                                    uint16_t length);
  // The failure for a record or block larger than DLP's size fields.
  static platform::Failure TooLarge();
  // Keeps the last HotSync's date as the last successful one's.
  void MarkSyncSuccessful();

  platform::pdb::HandheldImage m_image;
  platform::syncmgr::ImageBackend m_databases;
  HandheldBehaviour m_behaviour;
  std::ostream& m_warnings;
  std::optional<uint16_t> m_endStatus;
  // Where the next FindDB by type and creator goes on looking.
  size_t m_typeSearchNext = 0;
};

}  // namespace handheld
