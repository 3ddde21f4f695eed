// Encoding and decoding of the system, user, clock, card, network and
// end-of-HotSync layouts, in wire order.
#include "link/dlp_system_layouts.h"

#include <algorithm>
#include <limits>

namespace platform::link {
namespace {

constexpr size_t kMaxTiny = std::numeric_limits<uint8_t>::max();
constexpr size_t kMaxSmall = std::numeric_limits<uint16_t>::max();

DlpVersion ReadVersion(ByteReader& reader) {
  const uint16_t major = reader.U16Be();
  return {major, reader.U16Be()};
}

void WriteVersion(ByteWriter& writer, DlpVersion version) {
  writer.U16Be(version.major);
  writer.U16Be(version.minor);
}

// Size of a text with its NUL, 0 for no text (the network settings' form).
size_t OptionalTextSize(const std::string& text) {
  return text.empty() ? 0 : text.size() + 1;
}

// The body shared by the network settings' reply and request, from offset 2.
Result<void> WriteNetSyncBody(ByteWriter& writer, const NetSyncInfo& info) {
  for (const std::string* text : {&info.hostName, &info.address, &info.mask}) {
    if (OptionalTextSize(*text) > kMaxSmall)
      return TooLong("network setting", text->size(), kMaxSmall - 1);
  }
  writer.Bytes(info.reserved);
  writer.U16Be(static_cast<uint16_t>(OptionalTextSize(info.hostName)));
  writer.U16Be(static_cast<uint16_t>(OptionalTextSize(info.address)));
  writer.U16Be(static_cast<uint16_t>(OptionalTextSize(info.mask)));
  for (const std::string* text : {&info.hostName, &info.address, &info.mask}) {
    if (!text->empty()) WriteText(writer, *text);
  }
  return {};
}

Result<void> ReadNetSyncBody(ByteReader& reader, NetSyncInfo& info) {
  const ByteSpan reserved = reader.Bytes(info.reserved.size());
  std::copy(reserved.begin(), reserved.end(), info.reserved.begin());
  const size_t sizes[] = {reader.U16Be(), reader.U16Be(), reader.U16Be()};
  if (reader.Remaining() < sizes[0] + sizes[1] + sizes[2]) {
    return BadArgumentSize("network settings");
  }
  info.hostName = reader.FixedText(sizes[0]);
  info.address = reader.FixedText(sizes[1]);
  info.mask = reader.FixedText(sizes[2]);
  return {};
}

}  // namespace

DlpArguments SysInfoRequest::Encode() const {
  if (hostVersion.major == 0) return {};
  ByteWriter writer(kSize);
  WriteVersion(writer, hostVersion);
  return {MakeArgument(kDlpFirstArgument, writer)};
}

Result<SysInfoRequest> SysInfoRequest::Decode(const DlpArguments& arguments) {
  SysInfoRequest request{{0, 0}};
  if (arguments.empty()) return request;  // a desktop before DLP 1.2
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "DLP version");
  if (!reader) return reader.Error();
  request.hostVersion = ReadVersion(*reader);
  return request;
}

Result<DlpArguments> SysInfo::Encode() const {
  if (productId.size() > kMaxTiny) return TooLong("product id", productId.size(), kMaxTiny);
  ByteWriter writer(kSize + productId.size());
  writer.U32Be(romVersion);
  writer.U32Be(locale);
  writer.U8(0);
  writer.U8(static_cast<uint8_t>(productId.size()));
  writer.Bytes(productId);
  DlpArguments arguments{MakeArgument(kDlpFirstArgument, writer)};
  if (dlpVersion.major != 0) {
    ByteWriter versions(kVersionSize);
    WriteVersion(versions, dlpVersion);
    WriteVersion(versions, compatibilityVersion);
    versions.U32Be(maxRecordSize);
    arguments.push_back(MakeArgument(kDlpSecondArgument, versions));
  }
  return arguments;
}

Result<SysInfo> SysInfo::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "system info");
  if (!reader) return reader.Error();
  SysInfo info;
  info.romVersion = reader->U32Be();
  info.locale = reader->U32Be();
  reader->Skip(1);
  const uint8_t productSize = reader->U8();
  if (reader->Remaining() < productSize) return BadArgumentSize("system info");
  const ByteSpan product = reader->Bytes(productSize);
  info.productId.assign(product.begin(), product.end());

  Result<std::optional<ByteReader>> versions =
      ReadOptionalArgument(arguments, kDlpSecondArgument, kVersionSize, "DLP versions");
  if (!versions) return versions.Error();
  if (versions->has_value()) {
    ByteReader& reader = **versions;
    info.dlpVersion = ReadVersion(reader);
    info.compatibilityVersion = ReadVersion(reader);
    info.maxRecordSize = reader.U32Be();
  }
  return info;
}

Result<DlpArguments> UserInfo::Encode() const {
  if (name.size() > kDlpMaxUserNameLength) {
    return TooLong("user name", name.size(), kDlpMaxUserNameLength);
  }
  if (password.size() > kMaxTiny) return TooLong("password", password.size(), kMaxTiny);
  ByteWriter writer(kSize + name.size() + 1 + password.size());
  writer.U32Be(userId);
  writer.U32Be(viewerId);
  writer.U32Be(lastSyncPc);
  WriteDate(writer, lastSuccessfulSync);
  WriteDate(writer, lastSync);
  writer.U8(static_cast<uint8_t>(OptionalTextSize(name)));
  writer.U8(static_cast<uint8_t>(password.size()));
  if (!name.empty()) WriteText(writer, name);
  writer.Bytes(password);
  return DlpArguments{MakeArgument(kDlpFirstArgument, writer)};
}

Result<UserInfo> UserInfo::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "user info");
  if (!reader) return reader.Error();
  UserInfo info;
  info.userId = reader->U32Be();
  info.viewerId = reader->U32Be();
  info.lastSyncPc = reader->U32Be();
  info.lastSuccessfulSync = ReadDate(*reader);
  info.lastSync = ReadDate(*reader);
  const uint8_t nameSize = reader->U8();
  const uint8_t passwordSize = reader->U8();
  if (reader->Remaining() < size_t{nameSize} + passwordSize) return BadArgumentSize("user info");
  info.name = reader->FixedText(nameSize);
  const ByteSpan password = reader->Bytes(passwordSize);
  info.password.assign(password.begin(), password.end());
  return info;
}

Result<DlpArguments> WriteUserInfoRequest::Encode() const {
  if (name.size() > kDlpMaxUserNameLength) {
    return TooLong("user name", name.size(), kDlpMaxUserNameLength);
  }
  ByteWriter writer(kSize + name.size() + 1);
  writer.U32Be(userId);
  writer.U32Be(viewerId);
  writer.U32Be(lastSyncPc);
  WriteDate(writer, lastSync);
  writer.U8(modified);
  writer.U8(static_cast<uint8_t>(name.size() + 1));
  WriteText(writer, name);
  return DlpArguments{MakeArgument(kDlpFirstArgument, writer)};
}

Result<WriteUserInfoRequest> WriteUserInfoRequest::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "user info");
  if (!reader) return reader.Error();
  WriteUserInfoRequest request;
  request.userId = reader->U32Be();
  request.viewerId = reader->U32Be();
  request.lastSyncPc = reader->U32Be();
  request.lastSync = ReadDate(*reader);
  request.modified = reader->U8();
  const uint8_t nameSize = reader->U8();
  if (reader->Remaining() < nameSize) return BadArgumentSize("user info");
  request.name = reader->FixedText(nameSize);
  return request;
}

DlpArguments SysDateTime::Encode() const {
  ByteWriter writer(DlpDate::kSize);
  WriteDate(writer, when);
  return {MakeArgument(kDlpFirstArgument, writer)};
}

Result<SysDateTime> SysDateTime::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, DlpDate::kSize, "date");
  if (!reader) return reader.Error();
  return SysDateTime{ReadDate(*reader)};
}

DlpArguments StorageInfoRequest::Encode() const {
  ByteWriter writer(kSize);
  writer.U8(firstCard);
  writer.U8(0);
  return {MakeArgument(kDlpFirstArgument, writer)};
}

Result<StorageInfoRequest> StorageInfoRequest::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "card number");
  if (!reader) return reader.Error();
  return StorageInfoRequest{reader->U8()};
}

Result<void> CardInfo::EncodeTo(ByteWriter& writer) const {
  const size_t size = kSize + name.size() + maker.size();
  const size_t padded = EvenSize(size);
  if (padded > kMaxTiny) return TooLong("card and maker name", size - kSize, kMaxTiny - 1 - kSize);
  writer.U8(static_cast<uint8_t>(padded));
  writer.U8(number);
  writer.U16Be(version);
  WriteDate(writer, created);
  writer.U32Be(romSize);
  writer.U32Be(ramSize);
  writer.U32Be(freeRam);
  writer.U8(static_cast<uint8_t>(name.size()));
  writer.U8(static_cast<uint8_t>(maker.size()));
  writer.FixedText(name, name.size(), TextTerminator::kIfRoom);
  writer.FixedText(maker, maker.size(), TextTerminator::kIfRoom);
  writer.Zeros(padded - size);
  return {};
}

Result<CardInfo> CardInfo::DecodeFrom(ByteReader& reader) {
  Result<ByteReader> read = ReadEntry(reader, kSize, "card info");
  if (!read) return read.Error();
  ByteReader& entry = *read;
  CardInfo card;
  card.number = entry.U8();
  card.version = entry.U16Be();
  card.created = ReadDate(entry);
  card.romSize = entry.U32Be();
  card.ramSize = entry.U32Be();
  card.freeRam = entry.U32Be();
  const uint8_t nameSize = entry.U8();
  const uint8_t makerSize = entry.U8();
  if (entry.Remaining() < size_t{nameSize} + makerSize) return BadArgumentSize("card info");
  card.name = entry.FixedText(nameSize);
  card.maker = entry.FixedText(makerSize);
  return card;
}

Result<DlpArguments> StorageInfo::Encode() const {
  if (cards.size() > kMaxTiny) return TooLong("card list", cards.size(), kMaxTiny);
  ByteWriter writer;
  writer.U8(lastCard);
  writer.U8(more ? 1 : 0);
  writer.U8(0);
  writer.U8(static_cast<uint8_t>(cards.size()));
  for (const CardInfo& card : cards) {
    if (Result<void> written = card.EncodeTo(writer); !written) return written.Error();
  }
  DlpArguments arguments{MakeArgument(kDlpFirstArgument, writer)};
  if (counts) {
    ByteWriter extra(StorageCounts::kSize);
    extra.U16Be(counts->romDatabases);
    extra.U16Be(counts->ramDatabases);
    extra.Bytes(counts->reserved);
    arguments.push_back(MakeArgument(kDlpSecondArgument, extra));
  }
  return arguments;
}

Result<StorageInfo> StorageInfo::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "storage info");
  if (!reader) return reader.Error();
  StorageInfo info;
  info.lastCard = reader->U8();
  info.more = reader->U8() != 0;
  reader->Skip(1);
  const uint8_t count = reader->U8();
  for (uint8_t i = 0; i < count; ++i) {
    Result<CardInfo> card = CardInfo::DecodeFrom(*reader);
    if (!card) return card.Error();
    info.cards.push_back(std::move(card).Value());
  }
  Result<std::optional<ByteReader>> extra =
      ReadOptionalArgument(arguments, kDlpSecondArgument, StorageCounts::kSize, "database counts");
  if (!extra) return extra.Error();
  if (extra->has_value()) {
    ByteReader& reader = **extra;
    StorageCounts counts;
    counts.romDatabases = reader.U16Be();
    counts.ramDatabases = reader.U16Be();
    const ByteSpan reserved = reader.Bytes(counts.reserved.size());
    std::copy(reserved.begin(), reserved.end(), counts.reserved.begin());
    info.counts = counts;
  }
  return info;
}

Result<DlpArguments> NetSyncInfo::Encode() const {
  ByteWriter writer(kSize);
  writer.U8(lanSync ? 1 : 0);
  writer.U8(0);
  if (Result<void> body = WriteNetSyncBody(writer, *this); !body) return body.Error();
  return DlpArguments{MakeArgument(kDlpFirstArgument, writer)};
}

Result<NetSyncInfo> NetSyncInfo::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "network settings");
  if (!reader) return reader.Error();
  NetSyncInfo info;
  info.lanSync = reader->U8() != 0;
  reader->Skip(1);
  if (Result<void> body = ReadNetSyncBody(*reader, info); !body) return body.Error();
  return info;
}

Result<DlpArguments> WriteNetSyncInfoRequest::Encode() const {
  ByteWriter writer(NetSyncInfo::kSize);
  writer.U8(modified);
  writer.U8(info.lanSync ? 1 : 0);
  if (Result<void> body = WriteNetSyncBody(writer, info); !body) return body.Error();
  return DlpArguments{MakeArgument(kDlpFirstArgument, writer)};
}

Result<WriteNetSyncInfoRequest> WriteNetSyncInfoRequest::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader =
      ReadArgument(arguments, kDlpFirstArgument, NetSyncInfo::kSize, "network settings");
  if (!reader) return reader.Error();
  WriteNetSyncInfoRequest request;
  request.modified = reader->U8();
  request.info.lanSync = reader->U8() != 0;
  if (Result<void> body = ReadNetSyncBody(*reader, request.info); !body) return body.Error();
  return request;
}

DlpArguments SyncLogEntry::Encode() const {
  ByteWriter writer(text.size() + 1);
  WriteText(writer, text);
  return {MakeArgument(kDlpFirstArgument, writer)};
}

Result<SyncLogEntry> SyncLogEntry::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, 0, "log text");
  if (!reader) return reader.Error();
  return SyncLogEntry{ReadTextToEnd(*reader)};
}

DlpArguments EndOfSyncRequest::Encode() const {
  ByteWriter writer(kSize);
  writer.U16Be(status);
  return {MakeArgument(kDlpFirstArgument, writer)};
}

Result<EndOfSyncRequest> EndOfSyncRequest::Decode(const DlpArguments& arguments) {
  Result<ByteReader> reader = ReadArgument(arguments, kDlpFirstArgument, kSize, "end status");
  if (!reader) return reader.Error();
  return EndOfSyncRequest{reader->U16Be()};
}

}  // namespace platform::link
