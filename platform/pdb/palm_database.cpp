// Reading and writing whole Palm database files. The reader first checks
// that every offset in the header and the entry table lies inside the file,
// after the entry table and in ascending order; only then does it cut the
// blocks out, each running up to the start of the next one.
#include "pdb/palm_database.h"

#include <algorithm>
#include <limits>

namespace platform::pdb {
namespace {

// The raw header, in file order.
struct RawHeader {
  std::string name;
  uint16_t attributes = 0;
  uint16_t version = 0;
  uint32_t created = 0, modified = 0, backedUp = 0;
  uint32_t modificationNumber = 0;
  uint32_t appInfoOffset = 0, sortInfoOffset = 0;
  uint32_t type = 0, creator = 0, uniqueIdSeed = 0;
  uint32_t nextRecordListId = 0;
  uint16_t entryCount = 0;
};

RawHeader DecodeHeader(ByteReader& reader) {
  RawHeader header;
  header.name = reader.FixedText(kNameSize);
  if (header.name.size() > kMaxNameLength) header.name.resize(kMaxNameLength);
  header.attributes = reader.U16Be();
  header.version = reader.U16Be();
  header.created = reader.U32Be();
  header.modified = reader.U32Be();
  header.backedUp = reader.U32Be();
  header.modificationNumber = reader.U32Be();
  header.appInfoOffset = reader.U32Be();
  header.sortInfoOffset = reader.U32Be();
  header.type = reader.U32Be();
  header.creator = reader.U32Be();
  header.uniqueIdSeed = reader.U32Be();
  header.nextRecordListId = reader.U32Be();
  header.entryCount = reader.U16Be();
  return header;
}

// One entry of the table before its data is cut out.
struct RawEntry {
  uint32_t offset = 0;
  uint8_t attributes = 0;
  uint32_t uniqueId = 0;
  uint32_t type = 0;
  uint16_t id = 0;
};

RawEntry DecodeEntry(ByteReader& reader, bool resource) {
  RawEntry entry;
  if (resource) {
    entry.type = reader.U32Be();
    entry.id = reader.U16Be();
    entry.offset = reader.U32Be();
  } else {
    entry.offset = reader.U32Be();
    entry.attributes = reader.U8();
    const uint32_t high = reader.U8();
    entry.uniqueId = (high << 16) | reader.U16Be();
  }
  return entry;
}

// Checks the offsets in file order: the app-info block, the sort-info block
// (each only when present), then every entry.
PdbError CheckOffsets(const RawHeader& header, const std::vector<RawEntry>& entries,
                      size_t tableEnd, size_t fileSize) {
  std::vector<uint32_t> offsets;
  offsets.reserve(entries.size() + 2);
  if (header.appInfoOffset != 0) offsets.push_back(header.appInfoOffset);
  if (header.sortInfoOffset != 0) offsets.push_back(header.sortInfoOffset);
  for (const RawEntry& entry : entries) offsets.push_back(entry.offset);
  size_t previous = tableEnd;
  for (uint32_t offset : offsets) {
    if (offset < tableEnd) return PdbError::kOffsetInsideHeader;
    if (offset > fileSize) return PdbError::kOffsetBeyondEnd;
    if (offset < previous) return PdbError::kOffsetsOutOfOrder;
    previous = offset;
  }
  return PdbError::kNone;
}

std::vector<uint8_t> Slice(ByteSpan bytes, size_t begin, size_t end) {
  return std::vector<uint8_t>(bytes.begin() + begin, bytes.begin() + end);
}

void FillDatabase(const RawHeader& header, PalmDatabase& database) {
  database.name = header.name;
  database.attributes = header.attributes;
  database.version = header.version;
  database.created = PalmDateToTime(header.created);
  database.modified = PalmDateToTime(header.modified);
  database.backedUp = PalmDateToTime(header.backedUp);
  database.modificationNumber = header.modificationNumber;
  database.type = header.type;
  database.creator = header.creator;
  database.uniqueIdSeed = header.uniqueIdSeed;
}

// Cuts the blocks out of a file whose offsets CheckOffsets accepted.
void CutBlocks(ByteSpan bytes, const RawHeader& header, const std::vector<RawEntry>& entries,
               PalmDatabase& database) {
  const size_t firstEntry = entries.empty() ? bytes.size() : entries.front().offset;
  if (header.appInfoOffset != 0) {
    const size_t end = header.sortInfoOffset != 0 ? header.sortInfoOffset : firstEntry;
    database.appInfo = Slice(bytes, header.appInfoOffset, end);
  }
  if (header.sortInfoOffset != 0) {
    database.sortInfo = Slice(bytes, header.sortInfoOffset, firstEntry);
  }
  const bool resource = database.IsResourceDatabase();
  for (size_t i = 0; i < entries.size(); ++i) {
    const RawEntry& entry = entries[i];
    const size_t end = i + 1 < entries.size() ? entries[i + 1].offset : bytes.size();
    std::vector<uint8_t> data = Slice(bytes, entry.offset, end);
    if (resource) {
      database.resources.push_back(PalmResource{entry.type, entry.id, std::move(data)});
    } else {
      database.records.push_back(PalmRecord{entry.attributes, entry.uniqueId, std::move(data)});
    }
  }
}

std::optional<PalmDatabase> Fail(PdbError reason, PdbError* error) {
  if (error != nullptr) *error = reason;
  return std::nullopt;
}

}  // namespace

std::optional<PalmDatabase> ParsePalmDatabase(ByteSpan bytes, PdbError* error) {
  if (error != nullptr) *error = PdbError::kNone;
  if (bytes.size() < kHeaderSize) return Fail(PdbError::kTruncatedHeader, error);
  ByteReader reader(bytes);
  const RawHeader header = DecodeHeader(reader);
  const bool resource = (header.attributes & kDbAttrResource) != 0;
  const size_t entrySize = resource ? kResourceEntrySize : kRecordEntrySize;
  const size_t tableEnd = kHeaderSize + size_t{header.entryCount} * entrySize;
  if (tableEnd > bytes.size()) return Fail(PdbError::kTruncatedEntryTable, error);

  std::vector<RawEntry> entries;
  entries.reserve(header.entryCount);
  for (size_t i = 0; i < header.entryCount; ++i) entries.push_back(DecodeEntry(reader, resource));
  if (!reader.Ok()) return Fail(PdbError::kTruncatedEntryTable, error);

  const PdbError offsets = CheckOffsets(header, entries, tableEnd, bytes.size());
  if (offsets != PdbError::kNone) return Fail(offsets, error);

  PalmDatabase database;
  FillDatabase(header, database);
  CutBlocks(bytes, header, entries, database);
  return database;
}

namespace {

void EncodeHeader(const PalmDatabase& database, uint32_t appInfoOffset, uint32_t sortInfoOffset,
                  uint16_t entryCount, ByteWriter& writer) {
  writer.FixedText(database.name, kNameSize, TextTerminator::kAlways);
  writer.U16Be(database.attributes);
  writer.U16Be(database.version);
  writer.U32Be(TimeToPalmDate(database.created));
  writer.U32Be(TimeToPalmDate(database.modified));
  writer.U32Be(TimeToPalmDate(database.backedUp));
  writer.U32Be(database.modificationNumber);
  writer.U32Be(appInfoOffset);
  writer.U32Be(sortInfoOffset);
  writer.U32Be(database.type);
  writer.U32Be(database.creator);
  writer.U32Be(database.uniqueIdSeed);
  writer.U32Be(0);  // next record list ID
  writer.U16Be(entryCount);
}

// Entry `index` of the table: a resource's type, ID and offset, or a
// record's offset, attributes and 24-bit unique ID.
void EncodeEntry(const PalmDatabase& database, size_t index, uint32_t offset, ByteWriter& writer) {
  if (database.IsResourceDatabase()) {
    writer.U32Be(database.resources[index].type);
    writer.U16Be(database.resources[index].id);
    writer.U32Be(offset);
  } else {
    const uint32_t id = database.records[index].uniqueId & kMaxUniqueId;
    writer.U32Be(offset);
    writer.U8(database.records[index].attributes);
    writer.U8(static_cast<uint8_t>(id >> 16));
    writer.U16Be(static_cast<uint16_t>(id));
  }
}

}  // namespace

std::vector<uint8_t> SerializePalmDatabase(const PalmDatabase& database) {
  const bool resource = database.IsResourceDatabase();
  const size_t count = resource ? database.resources.size() : database.records.size();
  if (count > kMaxEntries) return {};
  const size_t entrySize = resource ? kResourceEntrySize : kRecordEntrySize;

  // Offsets of every block, in file order.
  uint64_t offset = kHeaderSize + count * entrySize + kPlaceholderSize;
  const uint64_t appInfoOffset = database.appInfo.empty() ? 0 : offset;
  offset += database.appInfo.size();
  const uint64_t sortInfoOffset = database.sortInfo.empty() ? 0 : offset;
  offset += database.sortInfo.size();
  std::vector<uint64_t> entryOffsets(count);
  for (size_t i = 0; i < count; ++i) {
    entryOffsets[i] = offset;
    offset += resource ? database.resources[i].data.size() : database.records[i].data.size();
  }
  if (offset > std::numeric_limits<uint32_t>::max()) return {};

  ByteWriter writer(static_cast<size_t>(offset));
  EncodeHeader(database, static_cast<uint32_t>(appInfoOffset),
               static_cast<uint32_t>(sortInfoOffset), static_cast<uint16_t>(count), writer);
  for (size_t i = 0; i < count; ++i) {
    EncodeEntry(database, i, static_cast<uint32_t>(entryOffsets[i]), writer);
  }
  writer.Zeros(kPlaceholderSize);
  writer.Bytes(database.appInfo);
  writer.Bytes(database.sortInfo);
  for (size_t i = 0; i < count; ++i) {
    writer.Bytes(resource ? database.resources[i].data : database.records[i].data);
  }
  return writer.Take();
}

const char* Describe(PdbError error) {
  switch (error) {
    case PdbError::kNone:
      return "no error";
    case PdbError::kTruncatedHeader:
      return "the file is shorter than a database header";
    case PdbError::kTruncatedEntryTable:
      return "the file is too short for its record list";
    case PdbError::kOffsetBeyondEnd:
      return "a block lies beyond the end of the file";
    case PdbError::kOffsetsOutOfOrder:
      return "the blocks of the file are out of order";
    case PdbError::kOffsetInsideHeader:
      return "a block overlaps the header or the record list";
  }
  return "unknown error";
}

uint32_t PalmDatabase::NextUniqueId() {
  std::unordered_set<uint32_t> inUse;
  inUse.reserve(records.size());
  for (const PalmRecord& record : records) inUse.insert(record.uniqueId);
  return NextUniqueId(inUse);
}

uint32_t PalmDatabase::NextUniqueId(std::unordered_set<uint32_t>& inUse) {
  // A database holds at most kMaxEntries records, far fewer than the 24-bit
  // IDs, so a free one is always found.
  uint32_t candidate = uniqueIdSeed & kMaxUniqueId;
  do {
    candidate = (candidate + 1) & kMaxUniqueId;
  } while (candidate == 0 || inUse.count(candidate) != 0);
  uniqueIdSeed = candidate;
  inUse.insert(candidate);
  return candidate;
}

std::optional<size_t> PalmDatabase::FindRecord(uint32_t uniqueId) const {
  for (size_t i = 0; i < records.size(); ++i) {
    if (records[i].uniqueId == uniqueId) return i;
  }
  return std::nullopt;
}

const PalmResource* PalmDatabase::FindResource(uint32_t resourceType, uint16_t id) const {
  for (const PalmResource& resource : resources) {
    if (resource.type == resourceType && resource.id == id) return &resource;
  }
  return nullptr;
}

PalmResource* PalmDatabase::FindResource(uint32_t resourceType, uint16_t id) {
  const auto* found = static_cast<const PalmDatabase*>(this)->FindResource(resourceType, id);
  return const_cast<PalmResource*>(found);
}

uint32_t FourCC(std::string_view text) {
  uint32_t code = 0;
  for (size_t i = 0; i < 4; ++i) {
    const uint8_t c = i < text.size() ? static_cast<uint8_t>(text[i]) : ' ';
    code = (code << 8) | c;
  }
  return code;
}

std::string FourCCText(uint32_t code) {
  std::string text(4, ' ');
  for (size_t i = 0; i < 4; ++i) {
    const auto c = static_cast<uint8_t>(code >> (24 - 8 * i));
    text[i] = (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '.';
  }
  return text;
}

// A date with the top bit set counts seconds from 1904 (the handheld's own
// form); one with the top bit clear was written by a tool that counts from
// 1970, as the Palm file format allows. Writing always uses the 1904 form,
// except for the first years after 1970, which that form cannot tell apart
// from the 1970 one and which are therefore written in the 1970 form.
time_t PalmDateToTime(uint32_t palmDate) {
  if (palmDate == 0) return 0;
  if ((palmDate & 0x80000000u) == 0) return static_cast<time_t>(palmDate);
  return static_cast<time_t>(int64_t{palmDate} - kPalmEpochOffset);
}

uint32_t TimeToPalmDate(time_t time) {
  if (time == 0) return 0;
  constexpr int64_t kLatest = int64_t{std::numeric_limits<uint32_t>::max()} - kPalmEpochOffset;
  const int64_t seconds = std::clamp<int64_t>(static_cast<int64_t>(time), 1, kLatest);
  const int64_t palm = seconds + kPalmEpochOffset;
  if ((palm & 0x80000000) == 0) return static_cast<uint32_t>(seconds);
  return static_cast<uint32_t>(palm);
}

}  // namespace platform::pdb
