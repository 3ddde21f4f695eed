// The DLP function codes this system speaks, the error codes a handheld
// answers with, and their meaning in plain words.
//
// A reply carries its request's function code with the reply bit set
// (dlp_message.h) and one of the error codes below; any error but kNone
// means the reply has no arguments.
#pragma once

#include <cstdint>
#include <string>

namespace platform::link {

enum class DlpFunction : uint8_t {
  kReadUserInfo = 0x10,
  kWriteUserInfo = 0x11,
  kReadSysInfo = 0x12,
  kGetSysDateTime = 0x13,
  kSetSysDateTime = 0x14,
  kReadStorageInfo = 0x15,
  kReadDBList = 0x16,
  kOpenDB = 0x17,
  kCreateDB = 0x18,
  kCloseDB = 0x19,
  kDeleteDB = 0x1A,
  kReadAppBlock = 0x1B,
  kWriteAppBlock = 0x1C,
  kReadSortBlock = 0x1D,
  kWriteSortBlock = 0x1E,
  kReadNextModifiedRec = 0x1F,
  kReadRecord = 0x20,
  kWriteRecord = 0x21,
  kDeleteRecord = 0x22,
  kReadResource = 0x23,
  kWriteResource = 0x24,
  kCleanUpDatabase = 0x26,
  kResetSyncFlags = 0x27,
  kAddSyncLogEntry = 0x2A,
  kReadOpenDBInfo = 0x2B,
  kOpenConduit = 0x2E,
  kEndOfSync = 0x2F,
  kResetRecordIndex = 0x30,
  kReadRecordIDList = 0x31,
  kReadNextRecInCategory = 0x32,
  kReadAppPreference = 0x34,
  kWriteAppPreference = 0x35,
  kReadNetSyncInfo = 0x36,
  kWriteNetSyncInfo = 0x37,
  kFindDB = 0x39,
};

// The error code of a DLP reply.
enum DlpError : uint16_t {
  kDlpErrNone = 0,
  kDlpErrSystem = 1,
  kDlpErrIllegalRequest = 2,
  kDlpErrMemory = 3,
  kDlpErrParameter = 4,
  kDlpErrNotFound = 5,
  kDlpErrNoneOpen = 6,
  kDlpErrAlreadyOpen = 7,
  kDlpErrTooManyOpen = 8,
  kDlpErrAlreadyExists = 9,
  kDlpErrCannotOpen = 10,
  kDlpErrRecordDeleted = 11,
  kDlpErrRecordBusy = 12,
  kDlpErrNotSupported = 13,
  kDlpErrReadOnly = 15,
  kDlpErrNotEnoughSpace = 16,
  kDlpErrLimitExceeded = 17,
  kDlpErrCancelled = 18,
  kDlpErrBadWrapper = 19,
  kDlpErrArgumentMissing = 20,
  kDlpErrBadArgumentSize = 21,
};

// The error in plain words ("the database is not on the handheld"); codes
// this system does not know read "unknown DLP error".
const char* DlpErrorText(int error);

// The function's name as written here ("ReadDBList"), or "function 0xNN".
std::string DlpFunctionName(uint8_t function);

}  // namespace platform::link
