// The image handheld's databases: the list, finding, opening, creating,
// closing and deleting them, their two blocks and the calls that tidy a
// database after a HotSync.
#include <algorithm>

#include "handheld/image_handheld.h"

namespace handheld {

using namespace platform::link;
using platform::Failure;
using platform::Result;
using platform::pdb::PalmDatabase;
namespace pdb = platform::pdb;
namespace syncmgr = platform::syncmgr;

namespace {

// As many databases as a real handheld put in one page of the list.
constexpr size_t kDbListPageSize = 20;

Failure NotOnCard() {
  return Failure{"the handheld has only card 0", kDlpErrNotFound};
}

bool IsValidName(const std::string& name) {
  return !name.empty() && name.size() <= pdb::kMaxNameLength &&
         name.find('\0') == std::string::npos;
}

DbInfo InfoOf(const PalmDatabase& database, uint16_t index, bool open) {
  DbInfo info;
  info.miscFlags = kDbMiscRamBased;
  info.attributes = static_cast<uint16_t>(database.attributes | (open ? pdb::kDbAttrOpen : 0));
  info.type = database.type;
  info.creator = database.creator;
  info.version = database.version;
  info.modificationNumber = database.modificationNumber;
  info.created = DlpDate::FromPcTime(database.created);
  info.modified = DlpDate::FromPcTime(database.modified);
  info.backedUp = DlpDate::FromPcTime(database.backedUp);
  info.index = index;
  info.name = database.name;
  return info;
}

// The sizes of the database as it would be stored; the largest record only
// when asked.
DbSizes SizesOf(const PalmDatabase& database, bool withLargest) {
  DbSizes sizes;
  const bool resources = database.IsResourceDatabase();
  sizes.records =
      static_cast<uint32_t>(resources ? database.resources.size() : database.records.size());
  size_t largest = 0;
  size_t data = 0;
  const auto count = [&](const std::vector<uint8_t>& bytes) {
    data += bytes.size();
    largest = std::max(largest, bytes.size());
  };
  for (const pdb::PalmRecord& record : database.records) {
    if (!resources) count(record.data);
  }
  for (const pdb::PalmResource& resource : database.resources) {
    if (resources) count(resource.data);
  }
  const size_t entries =
      sizes.records * (resources ? pdb::kResourceEntrySize : pdb::kRecordEntrySize);
  sizes.appBlockSize = static_cast<uint32_t>(database.appInfo.size());
  sizes.sortBlockSize = static_cast<uint32_t>(database.sortInfo.size());
  sizes.dataBytes = static_cast<uint32_t>(data);
  sizes.totalBytes = static_cast<uint32_t>(pdb::kHeaderSize + entries + pdb::kPlaceholderSize +
                                           sizes.appBlockSize + sizes.sortBlockSize + data);
  if (withLargest) sizes.maxRecordSize = static_cast<uint32_t>(largest);
  return sizes;
}

bool Matches(const PalmDatabase& database, const FindDbRequest& request) {
  return (request.type == 0 || database.type == request.type) &&
         (request.creator == 0 || database.creator == request.creator);
}

}  // namespace

uint8_t ImageHandheld::HandleOf(const std::string& name) const {
  for (size_t handle = 1; handle <= syncmgr::kMaxOpenDatabases; ++handle) {
    const PalmDatabase* database = m_databases.Database(static_cast<uint8_t>(handle));
    if (database != nullptr && database->name == name) return static_cast<uint8_t>(handle);
  }
  return 0;
}

Result<DbInfo> ImageHandheld::Describe(const std::string& name, uint16_t index) const {
  if (const uint8_t handle = HandleOf(name)) {
    return InfoOf(*m_databases.Database(handle), index, true);
  }
  PalmDatabase database;
  pdb::PdbError why = pdb::PdbError::kNone;
  const pdb::ImageError error = m_image.LoadDatabase(name, &database, &why);
  if (error == pdb::ImageError::kNone) return InfoOf(database, index, false);
  std::string reason = "database \"" + name + "\": " + pdb::Describe(error);
  if (error == pdb::ImageError::kDamaged) reason += std::string(" (") + pdb::Describe(why) + ")";
  return Failure{reason, kDlpErrCannotOpen};
}

Result<DbListPage> ImageHandheld::ReadDBList(const ReadDbListRequest& request) {
  if (request.card != 0) return NotOnCard();
  if ((request.flags & kDbListRam) == 0) {
    return Failure{"the handheld lists only RAM databases", kDlpErrNotFound};
  }
  const std::vector<std::string> names = m_image.ListDatabases();
  if (request.start >= names.size()) return Failure{"no more databases", kDlpErrNotFound};
  const size_t pageSize = (request.flags & kDbListMultiple) ? kDbListPageSize : 1;
  DbListPage page;
  for (size_t index = request.start; index < names.size() && index < 0xFFFF; ++index) {
    if (page.databases.size() == pageSize) break;
    page.lastIndex = static_cast<uint16_t>(index);
    Result<DbInfo> info = Describe(names[index], page.lastIndex);
    if (!info) {
      // A file no handheld could hold is left out of the list, not the HotSync.
      m_warnings << "handheld: warning: " << info.Reason() << "; not listed\n";
      continue;
    }
    page.databases.push_back(std::move(info).Value());
  }
  page.more = page.lastIndex + size_t{1} < names.size();
  return page;
}

Result<FindDbReply> ImageHandheld::Found(const PalmDatabase& database, const FindDbRequest& request,
                                         uint16_t index) const {
  const bool byHandle = request.by == FindDbRequest::By::kHandle;
  FindDbReply reply;
  if (request.options & kFindDbAttributes) {
    const uint8_t handle = HandleOf(database.name);
    // An ID of the database's own on the card, from its place in the list.
    const uint32_t localId = index == kDbIndexUnknown ? 0 : uint32_t{index} + 1;
    reply.found = FoundDb{0, localId, handle, InfoOf(database, index, handle != 0)};
  }
  if (request.options & kFindDbSizes) {
    reply.sizes = SizesOf(database, byHandle && (request.options & kFindDbMaxRecordSize));
  }
  return reply;
}

Result<FindDbReply> ImageHandheld::FindDB(const FindDbRequest& request) {
  if (request.by == FindDbRequest::By::kHandle) {
    Result<const PalmDatabase*> open = Open(request.handle, Kind::kAny);
    if (!open) return open.Error();
    return Found(**open, request, kDbIndexUnknown);
  }
  const std::vector<std::string> names = m_image.ListDatabases();
  if (request.by == FindDbRequest::By::kName) {
    if (request.card != 0) return NotOnCard();
    const auto place = std::find(names.begin(), names.end(), request.name);
    if (place == names.end()) return Failure{"no database of that name", kDlpErrNotFound};
    const auto index = static_cast<uint16_t>(place - names.begin());
    PalmDatabase database;
    if (const uint8_t handle = HandleOf(request.name)) {
      database = *m_databases.Database(handle);
    } else if (m_image.LoadDatabase(request.name, &database) != pdb::ImageError::kNone) {
      return Failure{"the database cannot be read", kDlpErrCannotOpen};
    }
    return Found(database, request, index);
  }
  if (request.searchFlags & kFindDbNewSearch) m_typeSearchNext = 0;
  for (size_t index = m_typeSearchNext; index < names.size(); ++index) {
    PalmDatabase database;
    if (m_image.LoadDatabase(names[index], &database) != pdb::ImageError::kNone) continue;
    if (!Matches(database, request)) continue;
    m_typeSearchNext = index + 1;
    return Found(database, request, static_cast<uint16_t>(index));
  }
  m_typeSearchNext = names.size();
  return Failure{"no more databases of that type and creator", kDlpErrNotFound};
}

Result<DbHandle> ImageHandheld::OpenDB(const OpenDbRequest& request) {
  Result<uint8_t> handle =
      AsDlp(m_databases.OpenDatabase(request.name, request.card, request.mode));
  if (!handle) return handle.Error();
  return DbHandle{*handle};
}

Result<DbHandle> ImageHandheld::CreateDB(const CreateDbRequest& request) {
  if (!IsValidName(request.name)) {
    return Failure{"a database name is 1 to 31 characters", kDlpErrParameter};
  }
  if (request.card != 0) return NotOnCard();
  const auto attributes = static_cast<uint16_t>(request.attributes & ~pdb::kDbAttrOpen);
  const syncmgr::NewDatabase spec{request.name, request.card, request.creator,
                                  request.type, attributes,   request.version};
  Result<uint8_t> handle = AsDlp(m_databases.CreateDatabase(spec));
  if (!handle) return handle.Error();
  return DbHandle{*handle};
}

Result<void> ImageHandheld::CloseDB(const CloseDbRequest& request) {
  if (!request.all) return AsDlp(m_databases.CloseDatabase(request.handle));
  CloseEverything();
  return {};
}

Result<void> ImageHandheld::DeleteDB(const DeleteDbRequest& request) {
  if (request.card != 0) return NotOnCard();
  if (HandleOf(request.name) != 0) return Failure{"the database is open", kDlpErrAlreadyOpen};
  switch (m_image.DeleteDatabase(request.name)) {
    case pdb::ImageError::kNone:
      return {};
    case pdb::ImageError::kNotFound:
    case pdb::ImageError::kBadName:
      return Failure{"no database of that name", kDlpErrNotFound};
    default:
      m_warnings << "handheld: warning: cannot delete database \"" << request.name << "\"\n";
      return Failure{"the database could not be deleted", kDlpErrSystem};
  }
}

Result<OpenDbInfo> ImageHandheld::ReadOpenDBInfo(const DbHandle& request) {
  Result<uint16_t> count = AsDlp(m_databases.RecordCount(request.handle));
  if (!count) return count.Error();
  return OpenDbInfo{*count};
}

Result<DbBlock> ImageHandheld::ReadAppBlock(const ReadBlockRequest& request) {
  Result<const PalmDatabase*> open = Open(request.handle, Kind::kAny);
  if (!open) return open.Error();
  if ((*open)->appInfo.size() > kDlpReadToEnd) return TooLarge();
  Result<std::vector<uint8_t>> block =
      AsDlp(m_databases.ReadAppInfo(request.handle, kDlpReadToEnd));
  if (!block) return block.Error();
  return DbBlock{static_cast<uint16_t>(block->size()),
                 Piece(*block, request.offset, request.length)};
}

Result<DbBlock> ImageHandheld::ReadSortBlock(const ReadBlockRequest& request) {
  Result<const PalmDatabase*> open = Open(request.handle, Kind::kAny);
  if (!open) return open.Error();
  const std::vector<uint8_t>& block = (*open)->sortInfo;
  if (block.empty()) return Failure{"the database has no sort-info block", kDlpErrNotFound};
  if (block.size() > kDlpReadToEnd) return TooLarge();
  return DbBlock{static_cast<uint16_t>(block.size()), Piece(block, request.offset, request.length)};
}

Result<void> ImageHandheld::WriteAppBlock(const WriteBlockRequest& request) {
  if (Result<const PalmDatabase*> open = Open(request.handle, Kind::kAny, Access::kWrite); !open) {
    return open.Error();
  }
  return AsDlp(m_databases.WriteAppInfo(request.handle, request.data));
}

Result<void> ImageHandheld::WriteSortBlock(const WriteBlockRequest& request) {
  Result<PalmDatabase*> open = OpenToChange(request.handle, Kind::kAny);
  if (!open) return open.Error();
  (*open)->sortInfo = request.data;
  return {};
}

Result<void> ImageHandheld::CleanUpDatabase(const DbHandle& request) {
  if (Result<const PalmDatabase*> open = Open(request.handle, Kind::kAny, Access::kWrite); !open) {
    return open.Error();
  }
  return AsDlp(m_databases.PurgeDeletedRecords(request.handle));
}

Result<void> ImageHandheld::ResetSyncFlags(const DbHandle& request) {
  Result<const PalmDatabase*> open = Open(request.handle, Kind::kAny, Access::kWrite);
  if (!open) return open.Error();
  const auto dirty = [](const pdb::PalmRecord& record) {
    return (record.attributes & pdb::kRecordDirty) != 0;
  };
  const bool blockDirty = ((*open)->attributes & pdb::kDbAttrAppInfoDirty) != 0;
  if (!blockDirty && std::none_of((*open)->records.begin(), (*open)->records.end(), dirty)) {
    return {};
  }
  PalmDatabase& database = *m_databases.ChangeDatabase(request.handle);
  database.attributes &= static_cast<uint16_t>(~pdb::kDbAttrAppInfoDirty);
  for (pdb::PalmRecord& record : database.records) {
    record.attributes &= static_cast<uint8_t>(~pdb::kRecordDirty);
  }
  return {};
}

Result<void> ImageHandheld::ResetRecordIndex(const DbHandle& request) {
  return AsDlp(m_databases.ResetRecordIndex(request.handle));
}

}  // namespace handheld
