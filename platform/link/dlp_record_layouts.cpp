// Encoding and decoding of the record, resource and preference layouts,
// in wire order.
#include "link/dlp_record_layouts.h"

#include <limits>

namespace platform::link {
namespace {

constexpr size_t kMaxSmall = std::numeric_limits<uint16_t>::max();
constexpr uint8_t kWriteRecordDataIncluded = 0x80;
constexpr uint8_t kDeleteAll = 0x80;
constexpr uint8_t kDeleteCategory = 0x40;
constexpr uint8_t kSortFirst = 0x80;

// The `size` bytes a size field announced, which the argument must hold.
Result<std::vector<uint8_t>> ReadSized(ByteReader& reader, size_t size, const char* what) {
  if (reader.Remaining() < size) return BadArgumentSize(what);
  const ByteSpan bytes = reader.Bytes(size);
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace

DlpArguments ReadRecordRequest::Encode() const {
  const bool byId = by == By::kId;
  ByteWriter writer(byId ? kByIdSize : kByIndexSize);
  writer.U8(handle);
  writer.U8(0);
  if (byId) {
    writer.U32Be(recordId);
  } else {
    writer.U16Be(index);
  }
  writer.U16Be(offset);
  writer.U16Be(length);
  return {MakeArgument(byId ? kDlpFirstArgument : kDlpSecondArgument, writer)};
}

Result<ReadRecordRequest> ReadRecordRequest::Decode(const DlpArguments& arguments) {
  ReadRecordRequest request;
  const bool byIndex = HasArgument(arguments, kDlpSecondArgument);
  request.by = byIndex ? By::kIndex : By::kId;
  Result<ByteReader> reader =
      byIndex ? ReadArgument(arguments, kDlpSecondArgument, kByIndexSize, "read request")
              : ReadArgument(arguments, kDlpFirstArgument, kByIdSize, "read request");
  if (!reader) return reader.Error();
  request.handle = reader->U8();
  reader->Skip(1);
  if (byIndex) {
    request.index = reader->U16Be();
  } else {
    request.recordId = reader->U32Be();
  }
  request.offset = reader->U16Be();
  request.length = reader->U16Be();
  return request;
}

Result<DlpArguments> RecordReply::Encode() const {
  if (data.size() > kMaxSmall) return TooLong("record", data.size(), kMaxSmall);
  ByteWriter writer(kSize + data.size());
  writer.U32Be(recordId);
  writer.U16Be(index);
  writer.U16Be(size);
  writer.U8(attributes);
  writer.U8(category);
  writer.Bytes(data);
  return DlpArguments{MakeArgument(kDlpFirstArgument, writer)};
}

Result<RecordReply> RecordReply::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "record");
  if (!reader) return reader.Error();
  RecordReply record;
  record.recordId = reader->U32Be();
  record.index = reader->U16Be();
  record.size = reader->U16Be();
  record.attributes = reader->U8();
  record.category = reader->U8();
  record.data = ReadBytesToEnd(*reader);
  return record;
}

DlpArguments WriteRecordRequest::Encode() const {
  ByteWriter writer(kSize + data.size());
  writer.U8(handle);
  writer.U8(kWriteRecordDataIncluded);
  writer.U32Be(recordId);
  writer.U8(attributes);
  writer.U8(category);
  writer.Bytes(data);
  return {MakeArgument(kDlpFirstArgument, writer)};
}

Result<WriteRecordRequest> WriteRecordRequest::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "record");
  if (!reader) return reader.Error();
  WriteRecordRequest request;
  request.handle = reader->U8();
  reader->Skip(1);
  request.recordId = reader->U32Be();
  request.attributes = reader->U8();
  request.category = reader->U8();
  request.data = ReadBytesToEnd(*reader);
  return request;
}

DlpArguments RecordIdReply::Encode() const {
  ByteWriter writer(kSize);
  writer.U32Be(recordId);
  return {MakeArgument(kDlpFirstArgument, writer)};
}

Result<RecordIdReply> RecordIdReply::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "record id");
  if (!reader) return reader.Error();
  return RecordIdReply{reader->U32Be()};
}

DlpArguments DeleteRecordRequest::Encode() const {
  ByteWriter writer(kSize);
  writer.U8(handle);
  switch (which) {
    case Which::kOne:
      writer.U8(0);
      writer.U32Be(recordId);
      break;
    case Which::kAll:
      writer.U8(kDeleteAll);
      writer.U32Be(0);
      break;
    case Which::kCategory:
      writer.U8(kDeleteCategory);
      writer.U32Be(category);
      break;
  }
  return {MakeArgument(kDlpFirstArgument, writer)};
}

Result<DeleteRecordRequest> DeleteRecordRequest::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "delete request");
  if (!reader) return reader.Error();
  DeleteRecordRequest request;
  request.handle = reader->U8();
  const uint8_t flags = reader->U8();
  const uint32_t id = reader->U32Be();
  if (flags & kDeleteAll) {
    request.which = Which::kAll;
  } else if (flags & kDeleteCategory) {
    request.which = Which::kCategory;
    request.category = static_cast<uint8_t>(id & 0xFF);
  } else {
    request.recordId = id;
  }
  return request;
}

DlpArguments ReadRecordIdListRequest::Encode() const {
  ByteWriter writer(kSize);
  writer.U8(handle);
  writer.U8(sort ? kSortFirst : 0);
  writer.U16Be(start);
  writer.U16Be(maxCount);
  return {MakeArgument(kDlpFirstArgument, writer)};
}

Result<ReadRecordIdListRequest> ReadRecordIdListRequest::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "id list request");
  if (!reader) return reader.Error();
  ReadRecordIdListRequest request;
  request.handle = reader->U8();
  request.sort = (reader->U8() & kSortFirst) != 0;
  request.start = reader->U16Be();
  request.maxCount = reader->U16Be();
  return request;
}

Result<DlpArguments> RecordIdList::Encode() const {
  if (ids.size() > kMaxSmall) return TooLong("record id list", ids.size(), kMaxSmall);
  ByteWriter writer(kSize + ids.size() * 4);
  writer.U16Be(static_cast<uint16_t>(ids.size()));
  for (uint32_t id : ids) writer.U32Be(id);
  return DlpArguments{MakeArgument(kDlpFirstArgument, writer)};
}

Result<RecordIdList> RecordIdList::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "record id list");
  if (!reader) return reader.Error();
  const uint16_t count = reader->U16Be();
  if (reader->Remaining() < size_t{count} * 4) return BadArgumentSize("record id list");
  RecordIdList list;
  list.ids.reserve(count);
  for (uint16_t i = 0; i < count; ++i) list.ids.push_back(reader->U32Be());
  return list;
}

DlpArguments NextInCategoryRequest::Encode() const {
  ByteWriter writer(kSize);
  writer.U8(handle);
  writer.U8(category);
  return {MakeArgument(kDlpFirstArgument, writer)};
}

Result<NextInCategoryRequest> NextInCategoryRequest::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "category request");
  if (!reader) return reader.Error();
  const uint8_t handle = reader->U8();
  return NextInCategoryRequest{handle, reader->U8()};
}

DlpArguments ReadResourceRequest::Encode() const {
  const bool byIndex = by == By::kIndex;
  ByteWriter writer(byIndex ? kByIndexSize : kByTypeSize);
  writer.U8(handle);
  writer.U8(0);
  if (byIndex) {
    writer.U16Be(index);
  } else {
    writer.U32Be(type);
    writer.U16Be(id);
  }
  writer.U16Be(offset);
  writer.U16Be(length);
  return {MakeArgument(byIndex ? kDlpFirstArgument : kDlpSecondArgument, writer)};
}

Result<ReadResourceRequest> ReadResourceRequest::Decode(const DlpArguments& arguments) {
  ReadResourceRequest request;
  const bool byType = HasArgument(arguments, kDlpSecondArgument);
  request.by = byType ? By::kType : By::kIndex;
  Result<ByteReader> reader =
      byType ? ReadArgument(arguments, kDlpSecondArgument, kByTypeSize, "resource request")
             : ReadArgument(arguments, kDlpFirstArgument, kByIndexSize, "resource request");
  if (!reader) return reader.Error();
  request.handle = reader->U8();
  reader->Skip(1);
  if (byType) {
    request.type = reader->U32Be();
    request.id = reader->U16Be();
  } else {
    request.index = reader->U16Be();
  }
  request.offset = reader->U16Be();
  request.length = reader->U16Be();
  return request;
}

Result<DlpArguments> ResourceReply::Encode() const {
  if (data.size() > kMaxSmall) return TooLong("resource", data.size(), kMaxSmall);
  ByteWriter writer(kSize + data.size());
  writer.U32Be(type);
  writer.U16Be(id);
  writer.U16Be(index);
  writer.U16Be(size);
  writer.Bytes(data);
  return DlpArguments{MakeArgument(kDlpFirstArgument, writer)};
}

Result<ResourceReply> ResourceReply::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "resource");
  if (!reader) return reader.Error();
  ResourceReply resource;
  resource.type = reader->U32Be();
  resource.id = reader->U16Be();
  resource.index = reader->U16Be();
  resource.size = reader->U16Be();
  resource.data = ReadBytesToEnd(*reader);
  return resource;
}

Result<DlpArguments> WriteResourceRequest::Encode() const {
  if (data.size() > kMaxSmall) return TooLong("resource", data.size(), kMaxSmall);
  ByteWriter writer(kSize + data.size());
  writer.U8(handle);
  writer.U8(0);
  writer.U32Be(type);
  writer.U16Be(id);
  writer.U16Be(static_cast<uint16_t>(data.size()));
  writer.Bytes(data);
  return DlpArguments{MakeArgument(kDlpFirstArgument, writer)};
}

Result<WriteResourceRequest> WriteResourceRequest::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "resource");
  if (!reader) return reader.Error();
  WriteResourceRequest request;
  request.handle = reader->U8();
  reader->Skip(1);
  request.type = reader->U32Be();
  request.id = reader->U16Be();
  const uint16_t size = reader->U16Be();
  Result<std::vector<uint8_t>> data = ReadSized(*reader, size, "resource");
  if (!data) return data.Error();
  request.data = std::move(data).Value();
  return request;
}

DlpArguments ReadPreferenceRequest::Encode() const {
  ByteWriter writer(kSize);
  writer.U32Be(creator);
  writer.U16Be(id);
  writer.U16Be(maxBytes);
  writer.U8(saved ? kDlpPreferenceSaved : 0);
  writer.U8(0);
  return {MakeArgument(kDlpFirstArgument, writer)};
}

Result<ReadPreferenceRequest> ReadPreferenceRequest::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader =
      ReadArgument(arguments, kDlpFirstArgument, kSize, "preference request");
  if (!reader) return reader.Error();
  ReadPreferenceRequest request;
  request.creator = reader->U32Be();
  request.id = reader->U16Be();
  request.maxBytes = reader->U16Be();
  request.saved = (reader->U8() & kDlpPreferenceSaved) != 0;
  return request;
}

Result<DlpArguments> PreferenceReply::Encode() const {
  if (data.size() > kMaxSmall) return TooLong("preference", data.size(), kMaxSmall);
  ByteWriter writer(kSize + data.size());
  writer.U16Be(version);
  writer.U16Be(size);
  writer.U16Be(static_cast<uint16_t>(data.size()));
  writer.Bytes(data);
  return DlpArguments{MakeArgument(kDlpFirstArgument, writer)};
}

Result<PreferenceReply> PreferenceReply::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "preference");
  if (!reader) return reader.Error();
  PreferenceReply preference;
  preference.version = reader->U16Be();
  preference.size = reader->U16Be();
  const uint16_t returned = reader->U16Be();
  Result<std::vector<uint8_t>> data = ReadSized(*reader, returned, "preference");
  if (!data) return data.Error();
  preference.data = std::move(data).Value();
  return preference;
}

Result<DlpArguments> WritePreferenceRequest::Encode() const {
  if (data.size() > kMaxSmall) return TooLong("preference", data.size(), kMaxSmall);
  ByteWriter writer(kSize + data.size());
  writer.U32Be(creator);
  writer.U16Be(id);
  writer.U16Be(version);
  writer.U16Be(static_cast<uint16_t>(data.size()));
  writer.U8(saved ? kDlpPreferenceSaved : 0);
  writer.U8(0);
  writer.Bytes(data);
  return DlpArguments{MakeArgument(kDlpFirstArgument, writer)};
}

Result<WritePreferenceRequest> WritePreferenceRequest::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "preference");
  if (!reader) return reader.Error();
  WritePreferenceRequest request;
  request.creator = reader->U32Be();
  request.id = reader->U16Be();
  request.version = reader->U16Be();
  const uint16_t size = reader->U16Be();
  request.saved = (reader->U8() & kDlpPreferenceSaved) != 0;
  reader->Skip(1);
  Result<std::vector<uint8_t>> data = ReadSized(*reader, size, "preference");
  if (!data) return data.Error();
  request.data = std::move(data).Value();
  return request;
}

}  // namespace platform::link
