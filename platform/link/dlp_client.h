// The desktop's end of DLP: one method per call, over any DesktopLink.
//
// Every method returns the reply's layout or a Failure:
//   - the handheld answered with a DLP error: code is that error
//     (kDlpErr..., dlp_functions.h), reason its plain words;
//   - the request could not be encoded (a name or block too long for its
//     field): code kDlpErrParameter, and nothing was sent;
//   - the link failed, or the handheld's reply does not answer the request
//     (another function, a missing or short argument, bytes that do not
//     parse): code kDlpLinkFailure. The HotSync cannot go on after this.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "link/dlp_calls.h"
#include "link/dlp_link.h"

namespace platform::link {

// The code of a failure that is not the handheld's DLP error.
constexpr int kDlpLinkFailure = -1;

class DlpClient {
 public:
  explicit DlpClient(DesktopLink& link) : m_link(link) {}

  // The handheld and its user.
  Result<SysInfo> ReadSysInfo();
  Result<UserInfo> ReadUserInfo();
  Result<void> WriteUserInfo(const WriteUserInfoRequest& request);
  Result<DlpDate> GetSysDateTime();
  Result<void> SetSysDateTime(const DlpDate& when);
  Result<StorageInfo> ReadStorageInfo(uint8_t firstCard = 0);
  Result<NetSyncInfo> ReadNetSyncInfo();
  Result<void> WriteNetSyncInfo(const WriteNetSyncInfoRequest& request);

  // The HotSync.
  Result<void> OpenConduit();
  Result<void> AddSyncLogEntry(const std::string& text);
  Result<void> EndOfSync(uint16_t status = kDlpEndNormal);

  // Databases. ReadDBList returns one page; ReadAllDBs pages from index 0
  // until the handheld answers kDlpErrNotFound.
  Result<DbListPage> ReadDBList(const ReadDbListRequest& request);
  Result<std::vector<DbInfo>> ReadAllDBs(uint8_t flags = kDbListRam, uint8_t card = 0);
  Result<FindDbReply> FindDB(const FindDbRequest& request);
  Result<uint8_t> OpenDB(const std::string& name, uint8_t mode, uint8_t card = 0);
  Result<uint8_t> CreateDB(const CreateDbRequest& request);
  Result<void> CloseDB(uint8_t handle);
  Result<void> CloseAllDBs();
  Result<void> DeleteDB(const std::string& name, uint8_t card = 0);
  Result<uint16_t> ReadOpenDBInfo(uint8_t handle);
  Result<DbBlock> ReadAppBlock(const ReadBlockRequest& request);
  Result<void> WriteAppBlock(uint8_t handle, std::span<const uint8_t> block);
  Result<DbBlock> ReadSortBlock(const ReadBlockRequest& request);
  Result<void> WriteSortBlock(uint8_t handle, std::span<const uint8_t> block);
  Result<void> CleanUpDatabase(uint8_t handle);
  Result<void> ResetSyncFlags(uint8_t handle);
  Result<void> ResetRecordIndex(uint8_t handle);

  // Records, resources and preferences.
  Result<RecordReply> ReadRecord(const ReadRecordRequest& request);
  Result<RecordReply> ReadNextModifiedRec(uint8_t handle);
  Result<RecordReply> ReadNextRecInCategory(uint8_t handle, uint8_t category);
  // The record's id: the new one when request.recordId is 0.
  Result<uint32_t> WriteRecord(const WriteRecordRequest& request);
  Result<void> DeleteRecord(const DeleteRecordRequest& request);
  Result<std::vector<uint32_t>> ReadRecordIDList(const ReadRecordIdListRequest& request);
  Result<ResourceReply> ReadResource(const ReadResourceRequest& request);
  Result<void> WriteResource(const WriteResourceRequest& request);
  Result<PreferenceReply> ReadAppPreference(const ReadPreferenceRequest& request);
  Result<void> WriteAppPreference(const WritePreferenceRequest& request);

  // One call: encodes the request, checks and decodes the reply.
  template <typename Call>
  Result<typename Call::Reply> Make(const typename Call::Request& request);

 private:
  // Sends one request; the reply, checked to answer `function` without error.
  Result<DlpReply> Exchange(DlpFunction function, const DlpArguments& arguments);

  DesktopLink& m_link;
};

template <typename Call>
Result<typename Call::Reply> DlpClient::Make(const typename Call::Request& request) {
  Result<DlpArguments> arguments = EncodedArguments(request.Encode());
  if (!arguments) return arguments.Error();
  Result<DlpReply> reply = Exchange(Call::kFunction, *arguments);
  if (!reply) return reply.Error();
  Result<typename Call::Reply> decoded = Call::Reply::Decode(reply->arguments);
  if (!decoded) {
    return Failure{"the handheld's " + DlpFunctionName(static_cast<uint8_t>(Call::kFunction)) +
                       " reply is malformed: " + decoded.Reason(),
                   kDlpLinkFailure};
  }
  return decoded;
}

}  // namespace platform::link
