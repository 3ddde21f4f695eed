// Plain words for DLP error codes and function names, for log lines and
// failure reasons.
#include "link/dlp_functions.h"

#include <cstdio>
#include <utility>

namespace platform::link {
namespace {

constexpr std::pair<DlpFunction, const char*> kFunctionNames[] = {
    {DlpFunction::kReadUserInfo, "ReadUserInfo"},
    {DlpFunction::kWriteUserInfo, "WriteUserInfo"},
    {DlpFunction::kReadSysInfo, "ReadSysInfo"},
    {DlpFunction::kGetSysDateTime, "GetSysDateTime"},
    {DlpFunction::kSetSysDateTime, "SetSysDateTime"},
    {DlpFunction::kReadStorageInfo, "ReadStorageInfo"},
    {DlpFunction::kReadDBList, "ReadDBList"},
    {DlpFunction::kOpenDB, "OpenDB"},
    {DlpFunction::kCreateDB, "CreateDB"},
    {DlpFunction::kCloseDB, "CloseDB"},
    {DlpFunction::kDeleteDB, "DeleteDB"},
    {DlpFunction::kReadAppBlock, "ReadAppBlock"},
    {DlpFunction::kWriteAppBlock, "WriteAppBlock"},
    {DlpFunction::kReadSortBlock, "ReadSortBlock"},
    {DlpFunction::kWriteSortBlock, "WriteSortBlock"},
    {DlpFunction::kReadNextModifiedRec, "ReadNextModifiedRec"},
    {DlpFunction::kReadRecord, "ReadRecord"},
    {DlpFunction::kWriteRecord, "WriteRecord"},
    {DlpFunction::kDeleteRecord, "DeleteRecord"},
    {DlpFunction::kReadResource, "ReadResource"},
    {DlpFunction::kWriteResource, "WriteResource"},
    {DlpFunction::kCleanUpDatabase, "CleanUpDatabase"},
    {DlpFunction::kResetSyncFlags, "ResetSyncFlags"},
    {DlpFunction::kAddSyncLogEntry, "AddSyncLogEntry"},
    {DlpFunction::kReadOpenDBInfo, "ReadOpenDBInfo"},
    {DlpFunction::kOpenConduit, "OpenConduit"},
    {DlpFunction::kEndOfSync, "EndOfSync"},
    {DlpFunction::kResetRecordIndex, "ResetRecordIndex"},
    {DlpFunction::kReadRecordIDList, "ReadRecordIDList"},
    {DlpFunction::kReadNextRecInCategory, "ReadNextRecInCategory"},
    {DlpFunction::kReadAppPreference, "ReadAppPreference"},
    {DlpFunction::kWriteAppPreference, "WriteAppPreference"},
    {DlpFunction::kReadNetSyncInfo, "ReadNetSyncInfo"},
    {DlpFunction::kWriteNetSyncInfo, "WriteNetSyncInfo"},
    {DlpFunction::kFindDB, "FindDB"},
};

}  // namespace

const char* DlpErrorText(int error) {
  switch (error) {
    case kDlpErrNone:
      return "no error";
    case kDlpErrSystem:
      return "the handheld's system failed";
    case kDlpErrIllegalRequest:
      return "the handheld does not know this request";
    case kDlpErrMemory:
      return "the handheld is out of working memory";
    case kDlpErrParameter:
      return "a value in the request is not valid";
    case kDlpErrNotFound:
      return "not found on the handheld";
    case kDlpErrNoneOpen:
      return "no database is open";
    case kDlpErrAlreadyOpen:
      return "the database is already open";
    case kDlpErrTooManyOpen:
      return "too many databases are open";
    case kDlpErrAlreadyExists:
      return "it already exists on the handheld";
    case kDlpErrCannotOpen:
      return "the database cannot be opened";
    case kDlpErrRecordDeleted:
      return "the record is deleted";
    case kDlpErrRecordBusy:
      return "the record is in use";
    case kDlpErrNotSupported:
      return "the handheld does not support this on that database";
    case kDlpErrReadOnly:
      return "the database is read-only";
    case kDlpErrNotEnoughSpace:
      return "the handheld has not enough storage space";
    case kDlpErrLimitExceeded:
      return "a size limit was exceeded";
    case kDlpErrCancelled:
      return "the HotSync was cancelled on the handheld";
    case kDlpErrBadWrapper:
      return "the request's arguments are malformed";
    case kDlpErrArgumentMissing:
      return "the request lacks an argument";
    case kDlpErrBadArgumentSize:
      return "an argument of the request has the wrong size";
    default:
      return "unknown DLP error";
  }
}

std::string DlpFunctionName(uint8_t function) {
  for (const auto& [code, name] : kFunctionNames) {
    if (static_cast<uint8_t>(code) == function) return name;
  }
  char text[16];
  std::snprintf(text, sizeof text, "function 0x%02X", function);
  return text;
}

}  // namespace platform::link
