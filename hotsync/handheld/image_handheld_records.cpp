// The image handheld's records, resources and application preferences.
// Reads answer the whole size and the piece asked for; writes change the
// open database, which is written back when it is closed.
#include <algorithm>

#include "handheld/image_handheld.h"

namespace handheld {

using namespace platform::link;
using platform::Failure;
using platform::Result;
namespace pdb = platform::pdb;
namespace syncmgr = platform::syncmgr;

namespace {

// As many record IDs as one reply carries.
constexpr size_t kMostIdsInReply = (kDlpReadToEnd - RecordIdList::kSize) / 4;

Failure TooLargeToHold() {
  return Failure{"it is larger than the handheld's largest record", kDlpErrNotEnoughSpace};
}

}  // namespace

Result<RecordReply> ImageHandheld::ReplyOf(uint8_t handle, Result<syncmgr::HandheldRecord> found,
                                           uint16_t offset, uint16_t length) {
  if (!found) return AsDlpFailure(found.Error());
  const pdb::PalmDatabase& database = *m_databases.Database(handle);
  if (database.records[found->index].data.size() > kDlpReadToEnd) return TooLarge();
  RecordReply reply;
  reply.recordId = found->id;
  reply.index = found->index;
  reply.size = static_cast<uint16_t>(found->data.size());
  reply.attributes = found->attributes;
  reply.category = found->category;
  reply.data = Piece(found->data, offset, length);
  return reply;
}

Result<RecordReply> ImageHandheld::ReadRecord(const ReadRecordRequest& request) {
  Result<const pdb::PalmDatabase*> open = Open(request.handle, Kind::kRecords);
  if (!open) return open.Error();
  uint16_t index = request.index;
  if (request.by == ReadRecordRequest::By::kId) {
    const std::optional<size_t> found = (*open)->FindRecord(request.recordId);
    if (!found) return Failure{"no record of that ID", kDlpErrNotFound};
    index = static_cast<uint16_t>(*found);
  }
  return ReplyOf(request.handle,
                 m_databases.ReadRecordByIndex(request.handle, index, kDlpReadToEnd),
                 request.offset, request.length);
}

Result<RecordReply> ImageHandheld::ReadNextModifiedRec(const DbHandle& request) {
  if (Result<const pdb::PalmDatabase*> open = Open(request.handle, Kind::kRecords); !open) {
    return open.Error();
  }
  return ReplyOf(request.handle, m_databases.ReadNextModifiedRecord(request.handle, kDlpReadToEnd),
                 0, kDlpReadToEnd);
}

Result<RecordReply> ImageHandheld::ReadNextRecInCategory(const NextInCategoryRequest& request) {
  if (Result<const pdb::PalmDatabase*> open = Open(request.handle, Kind::kRecords); !open) {
    return open.Error();
  }
  return ReplyOf(
      request.handle,
      m_databases.ReadNextRecordInCategory(request.handle, request.category, kDlpReadToEnd), 0,
      kDlpReadToEnd);
}

Result<RecordIdReply> ImageHandheld::WriteRecord(const WriteRecordRequest& request) {
  Result<const pdb::PalmDatabase*> open = Open(request.handle, Kind::kRecords, Access::kWrite);
  if (!open) return open.Error();
  if (request.data.size() > kLargestRecord) return TooLargeToHold();
  if (request.recordId > pdb::kMaxUniqueId) {
    return Failure{"a record ID has 24 bits", kDlpErrParameter};
  }
  syncmgr::HandheldRecord record;
  record.id = request.recordId;
  record.attributes = request.attributes;
  record.category = request.category & pdb::kRecordCategoryMask;
  record.data = request.data;
  Result<uint32_t> id = AsDlp(m_databases.WriteRecord(request.handle, record));
  if (!id) return id.Error();
  return RecordIdReply{*id};
}

Result<void> ImageHandheld::DeleteRecord(const DeleteRecordRequest& request) {
  Result<const pdb::PalmDatabase*> open = Open(request.handle, Kind::kRecords, Access::kWrite);
  if (!open) return open.Error();
  switch (request.which) {
    case DeleteRecordRequest::Which::kOne:
      return AsDlp(m_databases.DeleteRecord(request.handle, request.recordId));
    case DeleteRecordRequest::Which::kAll:
      return AsDlp(m_databases.PurgeAllRecords(request.handle));
    case DeleteRecordRequest::Which::kCategory:
      break;
  }
  const auto inCategory = [&](const pdb::PalmRecord& record) {
    return record.Category() == (request.category & pdb::kRecordCategoryMask);
  };
  const auto& records = (*open)->records;
  if (std::any_of(records.begin(), records.end(), inCategory)) {
    std::erase_if(m_databases.ChangeDatabase(request.handle)->records, inCategory);
  }
  return {};
}

Result<RecordIdList> ImageHandheld::ReadRecordIDList(const ReadRecordIdListRequest& request) {
  Result<const pdb::PalmDatabase*> open = Open(request.handle, Kind::kRecords);
  if (!open) return open.Error();
  const auto& records = (*open)->records;
  const size_t most = std::min<size_t>(request.maxCount, kMostIdsInReply);
  RecordIdList list;
  for (size_t index = request.start; index < records.size() && list.ids.size() < most; ++index) {
    list.ids.push_back(records[index].uniqueId);
  }
  return list;
}

Result<ResourceReply> ImageHandheld::ReadResource(const ReadResourceRequest& request) {
  Result<const pdb::PalmDatabase*> open = Open(request.handle, Kind::kResources);
  if (!open) return open.Error();
  const auto& resources = (*open)->resources;
  size_t index = request.index;
  if (request.by == ReadResourceRequest::By::kType) {
    const auto found = std::find_if(resources.begin(), resources.end(), [&](const auto& resource) {
      return resource.type == request.type && resource.id == request.id;
    });
    index = static_cast<size_t>(found - resources.begin());
  }
  if (index >= resources.size()) return Failure{"no such resource", kDlpErrNotFound};
  const pdb::PalmResource& resource = resources[index];
  if (resource.data.size() > kDlpReadToEnd) return TooLarge();
  return ResourceReply{resource.type, resource.id, static_cast<uint16_t>(index),
                       static_cast<uint16_t>(resource.data.size()),
                       Piece(resource.data, request.offset, request.length)};
}

Result<void> ImageHandheld::WriteResource(const WriteResourceRequest& request) {
  if (request.data.size() > kLargestRecord) return TooLargeToHold();
  Result<const pdb::PalmDatabase*> open = Open(request.handle, Kind::kResources, Access::kWrite);
  if (!open) return open.Error();
  const bool exists = (*open)->FindResource(request.type, request.id) != nullptr;
  if (!exists && (*open)->resources.size() >= pdb::kMaxEntries) {
    return Failure{"the database holds as many resources as it can", kDlpErrNotEnoughSpace};
  }
  pdb::PalmDatabase& database = *m_databases.ChangeDatabase(request.handle);
  if (pdb::PalmResource* resource = database.FindResource(request.type, request.id)) {
    resource->data = request.data;
  } else {
    database.resources.push_back(pdb::PalmResource{request.type, request.id, request.data});
  }
  return {};
}

Result<PreferenceReply> ImageHandheld::ReadAppPreference(const ReadPreferenceRequest& request) {
  Result<syncmgr::PreferenceRead> read = AsDlp(
      m_databases.ReadPreference({request.creator, request.id, request.saved}, request.maxBytes));
  if (!read) return read.Error();
  if (read->size > kDlpReadToEnd) return TooLarge();
  return PreferenceReply{read->version, static_cast<uint16_t>(read->size), std::move(read->data)};
}

Result<void> ImageHandheld::WriteAppPreference(const WritePreferenceRequest& request) {
  return AsDlp(m_databases.WritePreference({request.creator, request.id, request.saved},
                                           request.version, request.data));
}

}  // namespace handheld
