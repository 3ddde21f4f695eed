// Encoding and decoding of the database layouts, in wire order.
#include "link/dlp_database_layouts.h"

#include <limits>

namespace platform::link {
namespace {

constexpr size_t kMaxTiny = std::numeric_limits<uint8_t>::max();
constexpr size_t kMaxSmall = std::numeric_limits<uint16_t>::max();
constexpr uint8_t kDbListMoreFlag = 0x80;

// A request of two bytes (card number, mode or options) and a name.
Result<DlpArguments> EncodeTwoBytesAndName(uint8_t first, uint8_t second, const std::string& name) {
  if (Result<void> checked = CheckDbName(name); !checked) return checked.Error();
  ByteWriter writer(2 + name.size() + 1);
  writer.U8(first);
  writer.U8(second);
  WriteText(writer, name);
  return DlpArguments{MakeArgument(kDlpFirstArgument, writer)};
}

void WriteFoundDb(ByteWriter& writer, const FoundDb& found) {
  writer.U8(found.card);
  writer.U8(0);
  writer.U32Be(found.localId);
  writer.U32Be(found.openRef);
}

void WriteSizes(ByteWriter& writer, const DbSizes& sizes) {
  for (uint32_t value : {sizes.records, sizes.totalBytes, sizes.dataBytes, sizes.appBlockSize,
                         sizes.sortBlockSize, sizes.maxRecordSize}) {
    writer.U32Be(value);
  }
}

Result<FoundDb> ReadFoundDb(ByteReader& reader) {
  FoundDb found;
  found.card = reader.U8();
  reader.Skip(1);
  found.localId = reader.U32Be();
  found.openRef = reader.U32Be();
  Result<DbInfo> info = DbInfo::DecodeFrom(reader);
  if (!info) return info.Error();
  found.info = std::move(info).Value();
  return found;
}

DbSizes ReadSizes(ByteReader& reader) {
  DbSizes sizes;
  for (uint32_t* value : {&sizes.records, &sizes.totalBytes, &sizes.dataBytes, &sizes.appBlockSize,
                          &sizes.sortBlockSize, &sizes.maxRecordSize}) {
    *value = reader.U32Be();
  }
  return sizes;
}

}  // namespace

Result<void> DbInfo::EncodeTo(ByteWriter& writer) const {
  if (Result<void> checked = CheckDbName(name); !checked) return checked;
  const size_t size = kSize + name.size() + 1;
  const size_t padded = EvenSize(size);
  writer.U8(static_cast<uint8_t>(padded));
  writer.U8(miscFlags);
  writer.U16Be(attributes);
  writer.U32Be(type);
  writer.U32Be(creator);
  writer.U16Be(version);
  writer.U32Be(modificationNumber);
  WriteDate(writer, created);
  WriteDate(writer, modified);
  WriteDate(writer, backedUp);
  writer.U16Be(index);
  WriteText(writer, name);
  writer.Zeros(padded - size);
  return {};
}

Result<DbInfo> DbInfo::DecodeFrom(ByteReader& reader) {
  Result<ByteReader> read = ReadEntry(reader, kSize, "database entry");
  if (!read) return read.Error();
  ByteReader& entry = *read;
  DbInfo info;
  info.miscFlags = entry.U8();
  info.attributes = entry.U16Be();
  info.type = entry.U32Be();
  info.creator = entry.U32Be();
  info.version = entry.U16Be();
  info.modificationNumber = entry.U32Be();
  info.created = ReadDate(entry);
  info.modified = ReadDate(entry);
  info.backedUp = ReadDate(entry);
  info.index = entry.U16Be();
  info.name = ReadTextToEnd(entry);
  return info;
}

DlpArguments ReadDbListRequest::Encode() const {
  ByteWriter writer(kSize);
  writer.U8(flags);
  writer.U8(card);
  writer.U16Be(start);
  return {MakeArgument(kDlpFirstArgument, writer)};
}

Result<ReadDbListRequest> ReadDbListRequest::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "list request");
  if (!reader) return reader.Error();
  ReadDbListRequest request;
  request.flags = reader->U8();
  request.card = reader->U8();
  request.start = reader->U16Be();
  return request;
}

Result<DlpArguments> DbListPage::Encode() const {
  if (databases.size() > kMaxTiny) return TooLong("database list", databases.size(), kMaxTiny);
  ByteWriter writer;
  writer.U16Be(lastIndex);
  writer.U8(more ? kDbListMoreFlag : 0);
  writer.U8(static_cast<uint8_t>(databases.size()));
  for (const DbInfo& database : databases) {
    if (Result<void> written = database.EncodeTo(writer); !written) return written.Error();
  }
  return DlpArguments{MakeArgument(kDlpFirstArgument, writer)};
}

Result<DbListPage> DbListPage::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "database list");
  if (!reader) return reader.Error();
  DbListPage page;
  page.lastIndex = reader->U16Be();
  page.more = (reader->U8() & kDbListMoreFlag) != 0;
  const uint8_t count = reader->U8();
  for (uint8_t i = 0; i < count; ++i) {
    Result<DbInfo> database = DbInfo::DecodeFrom(*reader);
    if (!database) return database.Error();
    page.databases.push_back(std::move(database).Value());
  }
  return page;
}

Result<DlpArguments> OpenDbRequest::Encode() const {
  return EncodeTwoBytesAndName(card, mode, name);
}

Result<OpenDbRequest> OpenDbRequest::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "open request");
  if (!reader) return reader.Error();
  OpenDbRequest request;
  request.card = reader->U8();
  request.mode = reader->U8();
  request.name = ReadTextToEnd(*reader);
  return request;
}

DlpArguments DbHandle::Encode() const {
  ByteWriter writer(kSize);
  writer.U8(handle);
  return {MakeArgument(kDlpFirstArgument, writer)};
}

Result<DbHandle> DbHandle::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "database handle");
  if (!reader) return reader.Error();
  return DbHandle{reader->U8()};
}

Result<DlpArguments> CreateDbRequest::Encode() const {
  if (Result<void> checked = CheckDbName(name); !checked) return checked.Error();
  ByteWriter writer(kSize + name.size() + 1);
  writer.U32Be(creator);
  writer.U32Be(type);
  writer.U8(card);
  writer.U8(0);
  writer.U16Be(attributes);
  writer.U16Be(version);
  WriteText(writer, name);
  return DlpArguments{MakeArgument(kDlpFirstArgument, writer)};
}

Result<CreateDbRequest> CreateDbRequest::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "create request");
  if (!reader) return reader.Error();
  CreateDbRequest request;
  request.creator = reader->U32Be();
  request.type = reader->U32Be();
  request.card = reader->U8();
  reader->Skip(1);
  request.attributes = reader->U16Be();
  request.version = reader->U16Be();
  request.name = ReadTextToEnd(*reader);
  return request;
}

DlpArguments CloseDbRequest::Encode() const {
  if (all) return {DlpArgument{kDlpSecondArgument, {}}};
  return DbHandle{handle}.Encode();
}

Result<CloseDbRequest> CloseDbRequest::Decode(const DlpArguments& arguments) {
  if (HasArgument(arguments, kDlpSecondArgument)) return CloseDbRequest{true, 0};
  Result<DbHandle> one = DbHandle::Decode(arguments);
  if (!one) return one.Error();
  return CloseDbRequest{false, one->handle};
}

Result<DlpArguments> DeleteDbRequest::Encode() const {
  return EncodeTwoBytesAndName(card, 0, name);
}

Result<DeleteDbRequest> DeleteDbRequest::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "delete request");
  if (!reader) return reader.Error();
  DeleteDbRequest request;
  request.card = reader->U8();
  reader->Skip(1);
  request.name = ReadTextToEnd(*reader);
  return request;
}

Result<DlpArguments> FindDbRequest::Encode() const {
  switch (by) {
    case By::kName:
      return EncodeTwoBytesAndName(options, card, name);
    case By::kHandle: {
      ByteWriter writer(kHandleSize);
      writer.U8(options);
      writer.U8(handle);
      return DlpArguments{MakeArgument(kDlpSecondArgument, writer)};
    }
    case By::kTypeCreator: {
      ByteWriter writer(kTypeCreatorSize);
      writer.U8(options);
      writer.U8(searchFlags);
      writer.U32Be(type);
      writer.U32Be(creator);
      return DlpArguments{MakeArgument(kDlpThirdArgument, writer)};
    }
  }
  return Failure{"unknown form of FindDB", kDlpErrParameter};
}

Result<FindDbRequest> FindDbRequest::Decode(const DlpArguments& arguments) {
  FindDbRequest request;
  if (HasArgument(arguments, kDlpSecondArgument)) {
    Result<ByteReader> reader =
        ReadArgument(arguments, kDlpSecondArgument, kHandleSize, "find request");
    if (!reader) return reader.Error();
    request.by = By::kHandle;
    request.options = reader->U8();
    request.handle = reader->U8();
    return request;
  }
  if (HasArgument(arguments, kDlpThirdArgument)) {
    Result<ByteReader> reader =
        ReadArgument(arguments, kDlpThirdArgument, kTypeCreatorSize, "find request");
    if (!reader) return reader.Error();
    request.by = By::kTypeCreator;
    request.options = reader->U8();
    request.searchFlags = reader->U8();
    request.type = reader->U32Be();
    request.creator = reader->U32Be();
    return request;
  }
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kNameSize, "find request");
  if (!reader) return reader.Error();
  request.options = reader->U8();
  request.card = reader->U8();
  request.name = ReadTextToEnd(*reader);
  return request;
}

Result<DlpArguments> FindDbReply::Encode() const {
  DlpArguments arguments;
  if (found) {
    ByteWriter writer(FoundDb::kSize + DbInfo::kSize + found->info.name.size() + 2);
    WriteFoundDb(writer, *found);
    if (Result<void> written = found->info.EncodeTo(writer); !written) return written.Error();
    arguments.push_back(MakeArgument(kDlpFirstArgument, writer));
  }
  if (sizes) {
    ByteWriter writer(DbSizes::kSize);
    WriteSizes(writer, *sizes);
    arguments.push_back(MakeArgument(kDlpSecondArgument, writer));
  }
  return arguments;
}

Result<FindDbReply> FindDbReply::Decode(const DlpArguments& arguments) {
  FindDbReply reply;
  Result<std::optional<ByteReader>> basic = ReadOptionalArgument(
      arguments, kDlpFirstArgument, FoundDb::kSize + DbInfo::kSize, "found database");
  if (!basic) return basic.Error();
  if (basic->has_value()) {
    Result<FoundDb> found = ReadFoundDb(**basic);
    if (!found) return found.Error();
    reply.found = std::move(found).Value();
  }
  Result<std::optional<ByteReader>> sizes =
      ReadOptionalArgument(arguments, kDlpSecondArgument, DbSizes::kSize, "database sizes");
  if (!sizes) return sizes.Error();
  if (sizes->has_value()) reply.sizes = ReadSizes(**sizes);
  return reply;
}

DlpArguments OpenDbInfo::Encode() const {
  ByteWriter writer(kSize);
  writer.U16Be(count);
  return {MakeArgument(kDlpFirstArgument, writer)};
}

Result<OpenDbInfo> OpenDbInfo::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "record count");
  if (!reader) return reader.Error();
  return OpenDbInfo{reader->U16Be()};
}

DlpArguments ReadBlockRequest::Encode() const {
  ByteWriter writer(kSize);
  writer.U8(handle);
  writer.U8(0);
  writer.U16Be(offset);
  writer.U16Be(length);
  return {MakeArgument(kDlpFirstArgument, writer)};
}

Result<ReadBlockRequest> ReadBlockRequest::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "block request");
  if (!reader) return reader.Error();
  ReadBlockRequest request;
  request.handle = reader->U8();
  reader->Skip(1);
  request.offset = reader->U16Be();
  request.length = reader->U16Be();
  return request;
}

Result<DlpArguments> DbBlock::Encode() const {
  if (data.size() > kMaxSmall) return TooLong("block", data.size(), kMaxSmall);
  ByteWriter writer(kSize + data.size());
  writer.U16Be(size);
  writer.Bytes(data);
  return DlpArguments{MakeArgument(kDlpFirstArgument, writer)};
}

Result<DbBlock> DbBlock::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "block");
  if (!reader) return reader.Error();
  DbBlock block;
  block.size = reader->U16Be();
  block.data = ReadBytesToEnd(*reader);
  return block;
}

Result<DlpArguments> WriteBlockRequest::Encode() const {
  if (data.size() > kMaxSmall) return TooLong("block", data.size(), kMaxSmall);
  ByteWriter writer(kSize + data.size());
  writer.U8(handle);
  writer.U8(0);
  writer.U16Be(static_cast<uint16_t>(data.size()));
  writer.Bytes(data);
  return DlpArguments{MakeArgument(kDlpFirstArgument, writer)};
}

Result<WriteBlockRequest> WriteBlockRequest::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "block");
  if (!reader) return reader.Error();
  WriteBlockRequest request;
  request.handle = reader->U8();
  reader->Skip(1);
  const uint16_t size = reader->U16Be();
  if (reader->Remaining() < size) return BadArgumentSize("block");
  const ByteSpan data = reader->Bytes(size);
  request.data.assign(data.begin(), data.end());
  return request;
}

}  // namespace platform::link
