// DLP argument layouts about the handheld and the HotSync itself: system
// and user information, the clock, memory cards, network HotSync settings,
// the HotSync log and the end of the HotSync. Integers are big-endian;
// offsets are within the argument. Dates are 8 bytes (dlp_message.h).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/dlp_arguments.h"

namespace platform::link {

struct DlpVersion {
  uint16_t major = 0;
  uint16_t minor = 0;
  bool operator==(const DlpVersion&) const = default;
};

// The DLP version this system speaks.
constexpr DlpVersion kDlpHostVersion{1, 4};

// ReadSysInfo request, argument 0x20 (from DLP 1.2 on; none before):
//   0  the desktop's DLP version: major u16, minor u16
struct SysInfoRequest {
  DlpVersion hostVersion = kDlpHostVersion;  // major 0: no argument

  static constexpr size_t kSize = 4;
  DlpArguments Encode() const;
  static Result<SysInfoRequest> Decode(const DlpArguments& arguments);
  bool operator==(const SysInfoRequest&) const = default;
};

// ReadSysInfo reply.
//   argument 0x20
//     0  ROM software version u32 (0xMMmfsbbb)
//     4  localization id u32
//     8  unused u8
//     9  product id size u8
//    10  product id
//   argument 0x21 (DLP 1.2 and later)
//     0  the handheld's DLP version: major u16, minor u16
//     4  its compatibility version: major u16, minor u16
//     8  the largest record it can hold u32
struct SysInfo {
  uint32_t romVersion = 0;
  uint32_t locale = 0;
  std::vector<uint8_t> productId;
  DlpVersion dlpVersion;  // major 0: a handheld before DLP 1.2 (no argument 0x21)
  DlpVersion compatibilityVersion;
  uint32_t maxRecordSize = 0;

  static constexpr size_t kSize = 4 + 4 + 1 + 1;
  static constexpr size_t kVersionSize = 4 + 4 + 4;
  Result<DlpArguments> Encode() const;
  static Result<SysInfo> Decode(const DlpArguments& arguments);
  bool operator==(const SysInfo&) const = default;
};

// The longest user name, without its NUL.
constexpr size_t kDlpMaxUserNameLength = 40;

// ReadUserInfo reply, argument 0x20:
//   0  user id u32 (0: none)
//   4  viewer id u32
//   8  id of the PC of the last HotSync u32 (0: none)
//  12  date of the last successful HotSync
//  20  date of the last HotSync
//  28  user name size u8, its NUL included (0: no name)
//  29  password size u8 (0: no password)
//  30  user name, then the encrypted password
struct UserInfo {
  uint32_t userId = 0;
  uint32_t viewerId = 0;
  uint32_t lastSyncPc = 0;
  DlpDate lastSuccessfulSync;
  DlpDate lastSync;
  std::string name;
  std::vector<uint8_t> password;

  static constexpr size_t kSize = 4 + 4 + 4 + DlpDate::kSize * 2 + 1 + 1;
  Result<DlpArguments> Encode() const;
  static Result<UserInfo> Decode(const DlpArguments& arguments);
  bool operator==(const UserInfo&) const = default;
};

// Which fields a WriteUserInfo changes.
enum : uint8_t {
  kUserInfoModUserId = 0x80,
  kUserInfoModSyncPc = 0x40,
  kUserInfoModSyncDate = 0x20,
  kUserInfoModName = 0x10,
  kUserInfoModViewerId = 0x08,
};

// WriteUserInfo request, argument 0x20:
//   0  user id u32
//   4  viewer id u32
//   8  id of the PC of the last HotSync u32
//  12  date of the last HotSync
//  20  the fields to change u8 (kUserInfoMod...)
//  21  user name size u8, its NUL included
//  22  user name, NUL-terminated
struct WriteUserInfoRequest {
  uint32_t userId = 0;
  uint32_t viewerId = 0;
  uint32_t lastSyncPc = 0;
  DlpDate lastSync;
  uint8_t modified = 0;
  std::string name;

  static constexpr size_t kSize = 4 + 4 + 4 + DlpDate::kSize + 1 + 1;
  Result<DlpArguments> Encode() const;
  static Result<WriteUserInfoRequest> Decode(const DlpArguments& arguments);
  bool operator==(const WriteUserInfoRequest&) const = default;
};

// GetSysDateTime reply and SetSysDateTime request, argument 0x20: a date.
struct SysDateTime {
  DlpDate when;

  DlpArguments Encode() const;
  static Result<SysDateTime> Decode(const DlpArguments& arguments);
  bool operator==(const SysDateTime&) const = default;
};

// ReadStorageInfo request, argument 0x20:
//   0  first card number u8
//   1  unused u8
struct StorageInfoRequest {
  uint8_t firstCard = 0;

  static constexpr size_t kSize = 2;
  DlpArguments Encode() const;
  static Result<StorageInfoRequest> Decode(const DlpArguments& arguments);
  bool operator==(const StorageInfoRequest&) const = default;
};

// One memory card in a ReadStorageInfo reply:
//   0  size u8: the whole entry, rounded up to even
//   1  card number u8
//   2  card version u16
//   4  creation date
//  12  ROM size u32
//  16  RAM size u32
//  20  free RAM u32
//  24  card name size u8
//  25  maker name size u8
//  26  card name, then maker name (no NULs), padded to even
struct CardInfo {
  uint8_t number = 0;
  uint16_t version = 0;
  DlpDate created;
  uint32_t romSize = 0;
  uint32_t ramSize = 0;
  uint32_t freeRam = 0;
  std::string name;
  std::string maker;

  static constexpr size_t kSize = 1 + 1 + 2 + DlpDate::kSize + 4 * 3 + 1 + 1;
  Result<void> EncodeTo(ByteWriter& writer) const;
  static Result<CardInfo> DecodeFrom(ByteReader& reader);
  bool operator==(const CardInfo&) const = default;
};

// The database counts of a ReadStorageInfo reply (DLP 1.1 and later).
struct StorageCounts {
  uint16_t romDatabases = 0;
  uint16_t ramDatabases = 0;
  std::array<uint8_t, 16> reserved{};  // kept as read

  static constexpr size_t kSize = 2 + 2 + 16;
  bool operator==(const StorageCounts&) const = default;
};

// ReadStorageInfo reply.
//   argument 0x20
//     0  number of the last card returned u8
//     1  more u8 (not 0: more cards follow)
//     2  unused u8
//     3  card count u8
//     4  the cards (CardInfo)
//   argument 0x21: StorageCounts
//     0  ROM database count u16
//     2  RAM database count u16
//     4  16 reserved bytes
struct StorageInfo {
  uint8_t lastCard = 0;
  bool more = false;
  std::vector<CardInfo> cards;
  std::optional<StorageCounts> counts;

  static constexpr size_t kSize = 4;
  Result<DlpArguments> Encode() const;
  static Result<StorageInfo> Decode(const DlpArguments& arguments);
  bool operator==(const StorageInfo&) const = default;
};

// Which fields a WriteNetSyncInfo changes.
enum : uint8_t {
  kNetSyncModLanSync = 0x80,
  kNetSyncModHostName = 0x40,
  kNetSyncModAddress = 0x20,
  kNetSyncModMask = 0x10,
};

// The handheld's network HotSync settings: the ReadNetSyncInfo reply,
// argument 0x20:
//   0  LAN HotSync on u8
//   1  reserved u8
//   2  16 reserved bytes (kept)
//  18  PC host name size u16, its NUL included (0: none)
//  20  PC address size u16, its NUL included (0: none)
//  22  PC subnet mask size u16, its NUL included (0: none)
//  24  host name, address, subnet mask, each NUL-terminated
struct NetSyncInfo {
  bool lanSync = false;
  std::array<uint8_t, 16> reserved{};
  std::string hostName;
  std::string address;
  std::string mask;

  static constexpr size_t kSize = 1 + 1 + 16 + 2 * 3;
  Result<DlpArguments> Encode() const;
  static Result<NetSyncInfo> Decode(const DlpArguments& arguments);
  bool operator==(const NetSyncInfo&) const = default;
};

// WriteNetSyncInfo request, argument 0x20: as NetSyncInfo, but
//   0  the fields to change u8 (kNetSyncMod...)
//   1  LAN HotSync on u8
struct WriteNetSyncInfoRequest {
  uint8_t modified = 0;
  NetSyncInfo info;

  Result<DlpArguments> Encode() const;
  static Result<WriteNetSyncInfoRequest> Decode(const DlpArguments& arguments);
  bool operator==(const WriteNetSyncInfoRequest&) const = default;
};

// AddSyncLogEntry request, argument 0x20: the text, NUL-terminated.
struct SyncLogEntry {
  std::string text;

  DlpArguments Encode() const;
  static Result<SyncLogEntry> Decode(const DlpArguments& arguments);
  bool operator==(const SyncLogEntry&) const = default;
};

// How a HotSync ended.
enum : uint16_t {
  kDlpEndNormal = 0,
  kDlpEndOutOfMemory = 1,
  kDlpEndUserCancelled = 2,
  kDlpEndOther = 3,
  kDlpEndIncompatible = 4,
};

// EndOfSync request, argument 0x20:
//   0  how the HotSync ended u16 (kDlpEnd...)
struct EndOfSyncRequest {
  uint16_t status = kDlpEndNormal;

  static constexpr size_t kSize = 2;
  DlpArguments Encode() const;
  static Result<EndOfSyncRequest> Decode(const DlpArguments& arguments);
  bool operator==(const EndOfSyncRequest&) const = default;
};

}  // namespace platform::link
