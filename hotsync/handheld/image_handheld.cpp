// The image handheld's DLP errors, handle checks, the HotSync itself (the
// conduits, the log, the end) and what it tells about its system: the ROM
// and DLP versions, the clock, its one memory card, its network settings.
#include "handheld/image_handheld.h"

#include <algorithm>
#include <ctime>
#include <fstream>
#include <utility>

#include "fs/fs.h"

namespace handheld {

using namespace platform::link;
using platform::Failure;
using platform::Result;
namespace syncmgr = platform::syncmgr;

namespace {

// A Palm OS 4.1 handheld as one answered a recorded HotSync.
constexpr uint32_t kRomVersion = 0x04103000;
constexpr uint32_t kLocale = 0x00010000;
constexpr uint8_t kProductId[] = {0x00, 0x02, 0x00, 0x00};
constexpr DlpVersion kHandheldDlpVersion{1, 2};
constexpr DlpVersion kCompatibilityVersion{3, 0};

// Its memory card.
constexpr uint16_t kCardVersion = 1;
constexpr DlpDate kCardMade{2001, 10, 9, 13, 33, 37};
constexpr uint32_t kRomSize = 0x001A7FFC;
constexpr uint32_t kRamSize = 0x00800000;

struct CodePair {
  int32_t syncCode;
  uint16_t dlpError;
};

// Each image failure as the DLP error a handheld answers in its place.
constexpr CodePair kDlpErrorOf[] = {
    {kSyncErrNotFound, kDlpErrNotFound},
    {kSyncErrNoRecord, kDlpErrNotFound},
    {kSyncErrNoAppInfo, kDlpErrNotFound},
    {kSyncErrNoPreference, kDlpErrNotFound},
    {kSyncErrBadHandle, kDlpErrParameter},
    {kSyncErrBadArgument, kDlpErrParameter},
    {kSyncErrReadOnly, kDlpErrReadOnly},
    {kSyncErrTooManyOpen, kDlpErrTooManyOpen},
    {kSyncErrExists, kDlpErrAlreadyExists},
    {kSyncErrDamaged, kDlpErrCannotOpen},
    {kSyncErrIo, kDlpErrSystem},
};

// The RAM the image's database files leave free.
uint32_t FreeRam(const platform::pdb::HandheldImage& image) {
  uint64_t used = 0;
  for (const std::string& name : image.ListDatabases()) {
    if (const auto path = image.FindDatabaseFile(name)) {
      if (const auto status = platform::GetFileStatus(*path)) used += status->size;
    }
  }
  return used >= kRamSize ? 0 : kRamSize - static_cast<uint32_t>(used);
}

}  // namespace

ImageHandheld::ImageHandheld(platform::pdb::HandheldImage image, HandheldBehaviour behaviour,
                             std::ostream& warnings)
    : m_image(image),
      m_databases(std::move(image)),
      m_behaviour(std::move(behaviour)),
      m_warnings(warnings) {}

ImageHandheld::~ImageHandheld() {
  CloseEverything();
}

Failure ImageHandheld::AsDlpFailure(const Failure& failure) const {
  for (const CodePair& pair : kDlpErrorOf) {
    if (pair.syncCode != failure.code) continue;
    if (pair.dlpError == kDlpErrSystem || pair.dlpError == kDlpErrCannotOpen) {
      m_warnings << "handheld: warning: " << failure.reason << "\n";
    }
    return Failure{failure.reason, pair.dlpError};
  }
  m_warnings << "handheld: warning: " << failure.reason << "\n";
  return Failure{failure.reason, kDlpErrSystem};
}

Result<const platform::pdb::PalmDatabase*> ImageHandheld::Open(uint8_t handle, Kind kind,
                                                               Access access) const {
  const std::optional<syncmgr::OpenedDatabase> opened = m_databases.Opened(handle);
  if (!opened) return Failure{"no database is open under that handle", kDlpErrParameter};
  if (kind == Kind::kRecords && opened->resource) {
    return Failure{"a resource database has no records", kDlpErrNotSupported};
  }
  if (kind == Kind::kResources && !opened->resource) {
    return Failure{"a record database has no resources", kDlpErrNotSupported};
  }
  if (access == Access::kWrite && !opened->CanWrite()) {
    return Failure{"the database was opened without write access", kDlpErrReadOnly};
  }
  return m_databases.Database(handle);
}

Result<platform::pdb::PalmDatabase*> ImageHandheld::OpenToChange(uint8_t handle, Kind kind) {
  if (Result<const platform::pdb::PalmDatabase*> open = Open(handle, kind, Access::kWrite); !open) {
    return open.Error();
  }
  return m_databases.ChangeDatabase(handle);
}

std::vector<uint8_t> ImageHandheld::Piece(std::span<const uint8_t> bytes, uint16_t offset,
                                          uint16_t length) {
  if (offset >= bytes.size()) return {};
  const std::span<const uint8_t> rest = bytes.subspan(offset);
  const size_t count =
      length == kDlpReadToEnd ? rest.size() : std::min<size_t>(length, rest.size());
  return std::vector<uint8_t>(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(count));
}

Failure ImageHandheld::TooLarge() {
  return Failure{"it is larger than DLP can carry", kDlpErrLimitExceeded};
}

void ImageHandheld::BeginHotSync() {
  std::ofstream log(HotSyncLogPath(), std::ios::binary | std::ios::trunc);
  if (!log) m_warnings << "handheld: warning: cannot write \"" << HotSyncLogPath() << "\"\n";
}

void ImageHandheld::CloseEverything() {
  for (size_t handle = 1; handle <= syncmgr::kMaxOpenDatabases; ++handle) {
    if (!m_databases.Opened(static_cast<uint8_t>(handle))) continue;
    if (Result<void> closed = m_databases.CloseDatabase(static_cast<uint8_t>(handle)); !closed) {
      m_warnings << "handheld: warning: a database could not be written back: " << closed.Reason()
                 << "\n";
    }
  }
}

std::string ImageHandheld::HotSyncLogPath() const {
  return m_image.Folder() + "/" + kHotSyncLogName;
}

Result<void> ImageHandheld::OpenConduit() {
  if (m_behaviour.cancelConduits) {
    return Failure{"the user cancelled the HotSync on the handheld", kDlpErrCancelled};
  }
  return {};
}

Result<void> ImageHandheld::AddSyncLogEntry(const platform::link::SyncLogEntry& request) {
  // A log that cannot be written is no reason to stop the HotSync.
  std::ofstream log(HotSyncLogPath(), std::ios::binary | std::ios::app);
  log << request.text;
  if (!log) m_warnings << "handheld: warning: cannot write \"" << HotSyncLogPath() << "\"\n";
  return {};
}

Result<void> ImageHandheld::EndOfSync(const EndOfSyncRequest& request) {
  m_endStatus = request.status;
  if (request.status == kDlpEndNormal) MarkSyncSuccessful();
  CloseEverything();
  return {};
}

Result<SysInfo> ImageHandheld::ReadSysInfo(const SysInfoRequest&) {
  SysInfo info;
  info.romVersion = kRomVersion;
  info.locale = kLocale;
  info.productId.assign(std::begin(kProductId), std::end(kProductId));
  info.dlpVersion = kHandheldDlpVersion;
  info.compatibilityVersion = kCompatibilityVersion;
  info.maxRecordSize = kLargestRecord;
  return info;
}

Result<SysDateTime> ImageHandheld::GetSysDateTime() {
  return SysDateTime{DlpDate::FromPcTime(std::time(nullptr))};
}

Result<void> ImageHandheld::SetSysDateTime(const SysDateTime&) {
  // The handheld's clock is the PC's: setting it changes nothing.
  return {};
}

Result<StorageInfo> ImageHandheld::ReadStorageInfo(const StorageInfoRequest& request) {
  if (request.firstCard != 0) return Failure{"the handheld has only card 0", kDlpErrNotFound};
  CardInfo card;
  card.version = kCardVersion;
  card.created = kCardMade;
  card.romSize = kRomSize;
  card.ramSize = kRamSize;
  card.freeRam = FreeRam(m_image);
  card.name = "PalmCard";
  card.maker = "Palm Computing";
  StorageInfo info;
  info.cards.push_back(std::move(card));
  info.counts = StorageCounts{0, static_cast<uint16_t>(m_image.ListDatabases().size()), {}};
  return info;
}

Result<NetSyncInfo> ImageHandheld::ReadNetSyncInfo() {
  NetSyncInfo info;
  info.lanSync = true;
  info.hostName = m_behaviour.desktopHost;
  return info;
}

Result<void> ImageHandheld::WriteNetSyncInfo(const WriteNetSyncInfoRequest&) {
  // Which desktop to reach is given on the command line each time.
  return {};
}

}  // namespace handheld
